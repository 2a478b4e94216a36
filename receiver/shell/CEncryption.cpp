#include "receiver/shell/CEncryption.h"

#include "receiver/shell/ShellTexts.h"

#include <QHBoxLayout>
#include <QLineEdit>

using namespace receive;

CEncryption::CEncryption(const Question& question, QWidget* parent) : QuestionDialog(question, parent)
{
    addText(question.text);
    code_ = addField(QString::fromUtf8(shell::texts::cipherCodeLabel), {}, false);
    code_->setEchoMode(QLineEdit::Password);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    addButtonColumn(buttons, AnswerOk, 2);
    body()->addLayout(buttons);
    finishLayout();
    code_->setFocus();
}

void CEncryption::collectText(Answer& answer) const
{
    if (answer.button == AnswerOk)
        answer.text = code_->text().toStdString();
}
