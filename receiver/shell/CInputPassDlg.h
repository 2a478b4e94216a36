#pragma once
// "パスワード": the password of an account whose password is typed at each
// receive (server, ID and protocol shown).

#include "receiver/shell/QuestionDialog.h"

class CInputPassDlg : public QuestionDialog {
    Q_OBJECT
public:
    CInputPassDlg(const receive::Question& question, QWidget* parent = nullptr);
    QLineEdit* passwordEdit() const { return password_; }

protected:
    void collectText(receive::Answer& answer) const override;

private:
    QLineEdit* password_;
};
