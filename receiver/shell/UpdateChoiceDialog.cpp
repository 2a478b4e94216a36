#include "receiver/shell/UpdateChoiceDialog.h"

#include "receiver/shell/ShellTexts.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

UpdateChoiceDialog::UpdateChoiceDialog(const receive::Question& question, QWidget* parent)
    : QuestionDialog(question, parent), choices_(new QButtonGroup(this))
{
    addText(question.text);
    auto* group = new QGroupBox(QString::fromUtf8(shell::texts::howToGoOn));
    auto* inner = new QVBoxLayout(group);
    for (std::size_t i = 0; i < question.buttons.size(); ++i) {
        auto* radio = new QRadioButton(display(question.buttons[i]));
        choices_->addButton(radio, static_cast<int>(i));
        inner->addWidget(radio);
    }
    body()->addWidget(group);
    setChosen(question.defaultButton);

    auto* box = new QDialogButtonBox;
    QPushButton* ok = box->addButton(QString::fromUtf8(shell::texts::okButton), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { choose(chosen()); });
    body()->addWidget(box);
    finishLayout();
}

int UpdateChoiceDialog::chosen() const
{
    return choices_->checkedId();
}

void UpdateChoiceDialog::setChosen(int answer)
{
    if (QAbstractButton* b = choices_->button(answer))
        b->setChecked(true);
}
