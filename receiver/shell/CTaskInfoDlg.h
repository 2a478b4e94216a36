#pragma once
// Confirms one task before it is received (the "confirm each task" mode).

#include "receiver/shell/QuestionDialog.h"

class CTaskInfoDlg : public QuestionDialog {
    Q_OBJECT
public:
    CTaskInfoDlg(const receive::Question& question, QWidget* parent = nullptr);
};
