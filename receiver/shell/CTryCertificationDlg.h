#pragma once
// "認証情報": offers to certify a signed GuidePost at its certification site.

#include "receiver/shell/QuestionDialog.h"

class CTryCertificationDlg : public QuestionDialog {
    Q_OBJECT
public:
    CTryCertificationDlg(const receive::Question& question, QWidget* parent = nullptr);
};
