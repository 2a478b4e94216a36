#pragma once
// "ユーザID＆パスワード入力": a user ID and password for a web page that asks
// for them (the address shown).

#include "receiver/shell/QuestionDialog.h"

class CIDandPass : public QuestionDialog {
    Q_OBJECT
public:
    CIDandPass(const receive::Question& question, QWidget* parent = nullptr);
    QLineEdit* idEdit() const { return id_; }
    QLineEdit* passwordEdit() const { return password_; }

protected:
    void collectText(receive::Answer& answer) const override;

private:
    QLineEdit* id_;
    QLineEdit* password_;
};
