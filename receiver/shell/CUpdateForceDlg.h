#pragma once
// "自動更新の確認": "force" met at a task, source, file list or file.

#include "receiver/shell/UpdateChoiceDialog.h"

class CUpdateForceDlg : public UpdateChoiceDialog {
    Q_OBJECT
public:
    CUpdateForceDlg(const receive::Question& question, QWidget* parent = nullptr);
};
