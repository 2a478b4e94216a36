#pragma once
// "Corvandelle ファイルの受信": who made the GuidePost, and how to receive it
// (at once, confirming each task, confirming each server, or not at all).

#include "receiver/shell/QuestionDialog.h"

class CWelcomeDlg : public QuestionDialog {
    Q_OBJECT
public:
    CWelcomeDlg(const receive::Question& question, QWidget* parent = nullptr);
};
