#pragma once
// "時刻比較更新の確認": "up2date" met at a task, source, file list or file.

#include "receiver/shell/UpdateChoiceDialog.h"

class CUp2DateDlg : public UpdateChoiceDialog {
    Q_OBJECT
public:
    CUp2DateDlg(const receive::Question& question, QWidget* parent = nullptr);
};
