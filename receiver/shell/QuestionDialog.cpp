#include "receiver/shell/QuestionDialog.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

using receive::QuestionIcon;

QuestionDialog::QuestionDialog(const receive::Question& question, QWidget* parent)
    : QDialog(parent), question_(question), body_(new QVBoxLayout)
{
    setWindowTitle(QString::fromStdString(question_.caption));
    answer_.button = question_.closeButton;
}

QString QuestionDialog::display(const std::string& text)
{
    QString s = QString::fromStdString(text);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

void QuestionDialog::reject()
{
    answer_ = receive::Answer{question_.closeButton, {}, {}};
    QDialog::reject();
}

void QuestionDialog::choose(int button)
{
    answer_ = receive::Answer{button, {}, {}};
    collectText(answer_);
    QDialog::accept();
}

QLabel* QuestionDialog::addText(const std::string& text)
{
    auto* label = new QLabel(display(text));
    // Questions quote task, file and folder names from the GuidePost.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(420);
    body_->addWidget(label);
    return label;
}

QLineEdit* QuestionDialog::addField(const QString& label, const QString& value, bool readOnly)
{
    if (!fields_) {
        fields_ = new QFormLayout;
        fields_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
        body_->addLayout(fields_);
    }
    auto* edit = new QLineEdit(value);
    edit->setReadOnly(readOnly);
    // Wide enough for what it shows, within reason (it scrolls beyond).
    const int needed = edit->fontMetrics().horizontalAdvance(value) + 16;
    edit->setMinimumWidth(std::clamp(needed, 300, 640));
    if (readOnly)
        edit->setCursorPosition(0);
    auto* name = new QLabel(label);
    name->setTextFormat(Qt::PlainText);
    fields_->addRow(name, edit);
    return edit;
}

void QuestionDialog::addFields()
{
    for (const auto& [label, value] : question_.fields)
        addField(QString::fromStdString(label), QString::fromStdString(value), true);
}

QPushButton* QuestionDialog::makeButton(int index)
{
    const auto& labels = question_.buttons;
    auto* button = new QPushButton(index >= 0 && index < static_cast<int>(labels.size())
                                       ? display(labels[static_cast<std::size_t>(index)])
                                       : QString());
    button->setAutoDefault(false);
    if (index == question_.defaultButton) {
        button->setDefault(true);
        button->setFocus();
    }
    connect(button, &QPushButton::clicked, this, [this, index] { choose(index); });
    return button;
}

void QuestionDialog::addButtonColumn(QBoxLayout* layout, int first, int count)
{
    for (int i = first; i < first + count; ++i)
        layout->addWidget(makeButton(i));
}

QGroupBox* QuestionDialog::addButtonGroup(QBoxLayout* layout, const QString& title, int first, int count)
{
    auto* group = new QGroupBox(title);
    auto* inner = new QVBoxLayout(group);
    addButtonColumn(inner, first, count);
    layout->addWidget(group);
    return group;
}

void QuestionDialog::finishLayout()
{
    auto* outer = new QHBoxLayout(this);
    QStyle::StandardPixmap pixmap = QStyle::SP_CustomBase;
    switch (question_.icon) {
    case QuestionIcon::Information: pixmap = QStyle::SP_MessageBoxInformation; break;
    case QuestionIcon::Question: pixmap = QStyle::SP_MessageBoxQuestion; break;
    case QuestionIcon::Warning: pixmap = QStyle::SP_MessageBoxWarning; break;
    case QuestionIcon::Stop: pixmap = QStyle::SP_MessageBoxCritical; break;
    case QuestionIcon::None: break;
    }
    if (pixmap != QStyle::SP_CustomBase) {
        auto* icon = new QLabel;
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icon->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(size, size));
        icon->setAlignment(Qt::AlignTop);
        outer->addWidget(icon, 0, Qt::AlignTop);
    }
    outer->addLayout(body_, 1);
    outer->setSizeConstraint(QLayout::SetMinimumSize);
}

void QuestionDialog::buildPlain()
{
    if (!question_.text.empty())
        addText(question_.text);
    addFields();
    addButtonColumn(body_, 0, static_cast<int>(question_.buttons.size()));
    finishLayout();
}
