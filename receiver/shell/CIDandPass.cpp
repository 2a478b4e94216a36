#include "receiver/shell/CIDandPass.h"

#include "receiver/shell/ShellTexts.h"

#include <QHBoxLayout>
#include <QLineEdit>

using namespace receive;

CIDandPass::CIDandPass(const Question& question, QWidget* parent) : QuestionDialog(question, parent)
{
    addField(QString::fromUtf8(shell::texts::addressLabel), display(question.text), true);
    id_ = addField(QString::fromUtf8(shell::texts::userIdLabel), {}, false);
    password_ = addField(QString::fromUtf8(shell::texts::passwordLabel), {}, false);
    password_->setEchoMode(QLineEdit::Password);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    addButtonColumn(buttons, AnswerOk, 2);
    body()->addLayout(buttons);
    finishLayout();
    id_->setFocus();
}

void CIDandPass::collectText(Answer& answer) const
{
    if (answer.button == AnswerOk) {
        answer.text = id_->text().toStdString();
        answer.secondText = password_->text().toStdString();
    }
}
