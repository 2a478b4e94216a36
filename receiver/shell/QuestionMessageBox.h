#pragma once
// The questions that are plain message boxes: message 61245, the folder
// depth question and the engine's notices. Text and icon, buttons in a row.

#include "receiver/shell/QuestionDialog.h"

class QuestionMessageBox : public QuestionDialog {
    Q_OBJECT
public:
    QuestionMessageBox(const receive::Question& question, QWidget* parent = nullptr);
};
