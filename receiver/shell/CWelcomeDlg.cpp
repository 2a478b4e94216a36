#include "receiver/shell/CWelcomeDlg.h"

#include "receiver/shell/ShellTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace receive;

CWelcomeDlg::CWelcomeDlg(const Question& question, QWidget* parent) : QuestionDialog(question, parent)
{
    setWindowFlag(Qt::WindowStaysOnTopHint);
    addFields();
    body()->addWidget(new QLabel(QString::fromUtf8(shell::texts::commentLabel)));
    auto* comment = new QPlainTextEdit(display(question.text));
    comment->setReadOnly(true);
    comment->setMinimumSize(420, 110);
    body()->addWidget(comment);

    auto* buttons = new QHBoxLayout;
    auto* main = new QVBoxLayout;
    main->addWidget(makeButton(WelcomeReceive));
    main->addWidget(makeButton(WelcomeDoNotReceive));
    main->addStretch();
    buttons->addLayout(main);
    addButtonGroup(buttons, QString::fromUtf8(shell::texts::forAdvancedUsers), WelcomeConfirmTasks, 2);
    body()->addLayout(buttons);
    finishLayout();
}
