#include "receiver/shell/QuestionMessageBox.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

QuestionMessageBox::QuestionMessageBox(const receive::Question& question, QWidget* parent)
    : QuestionDialog(question, parent)
{
    addText(question.text);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    addButtonColumn(buttons, 0, static_cast<int>(question.buttons.size()));
    buttons->addStretch();
    body()->addLayout(buttons);
    finishLayout();
}
