#pragma once
// "認証失敗": the GuidePost could not be certified, and why; the site can be looked at before going on.

#include "receiver/shell/QuestionDialog.h"

class CNotCertifiedDlg : public QuestionDialog {
    Q_OBJECT
public:
    CNotCertifiedDlg(const receive::Question& question, QWidget* parent = nullptr);
};
