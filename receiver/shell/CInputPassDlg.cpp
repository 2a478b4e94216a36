#include "receiver/shell/CInputPassDlg.h"

#include "receiver/shell/ShellTexts.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

using namespace receive;

CInputPassDlg::CInputPassDlg(const Question& question, QWidget* parent) : QuestionDialog(question, parent)
{
    addText(question.text);
    addFields();
    password_ = addField(QString::fromUtf8(shell::texts::passwordLabel), {}, false);
    password_->setEchoMode(QLineEdit::Password);
    password_->setFocus();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    addButtonColumn(buttons, AnswerOk, 2);
    body()->addLayout(buttons);
    finishLayout();
    password_->setFocus();
}

void CInputPassDlg::collectText(Answer& answer) const
{
    if (answer.button == AnswerOk)
        answer.text = password_->text().toStdString();
}
