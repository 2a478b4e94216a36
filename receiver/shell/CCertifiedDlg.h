#pragma once
// "認証完了": the GuidePost is certified and is received into the certified folder.

#include "receiver/shell/QuestionDialog.h"

class CCertifiedDlg : public QuestionDialog {
    Q_OBJECT
public:
    CCertifiedDlg(const receive::Question& question, QWidget* parent = nullptr);
};
