#pragma once
// "ファイルがすでに存在します": what to do with a file already in the
// destination folder, and with the ones that follow.

#include "receiver/shell/QuestionDialog.h"

class CCheckOverWriteDlg : public QuestionDialog {
    Q_OBJECT
public:
    CCheckOverWriteDlg(const receive::Question& question, QWidget* parent = nullptr);
};
