#pragma once
// The two update confirmations: the item's message and four answers as
// choices, the first chosen when the dialog opens; OK takes the choice and
// closing the window stops the item.

#include "receiver/shell/QuestionDialog.h"

class QButtonGroup;

class UpdateChoiceDialog : public QuestionDialog {
    Q_OBJECT
public:
    // The answer that is chosen now.
    int chosen() const;
    void setChosen(int answer);

protected:
    UpdateChoiceDialog(const receive::Question& question, QWidget* parent);

private:
    QButtonGroup* choices_;
};
