#pragma once
// "暗号コードの入力": the cipher code of an enciphered GuidePost. OK with no
// code is handed on as it is; the engine then asks again.

#include "receiver/shell/QuestionDialog.h"

class CEncryption : public QuestionDialog {
    Q_OBJECT
public:
    CEncryption(const receive::Question& question, QWidget* parent = nullptr);
    QLineEdit* codeEdit() const { return code_; }

protected:
    void collectText(receive::Answer& answer) const override;

private:
    QLineEdit* code_;
};
