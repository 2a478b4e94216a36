#include "receiver/shell/CAboutDlg.h"

#include "receiver/shell/ShellTexts.h"

#include "platform/ProductInfo.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(const QString& version, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(shell::texts::aboutCaption));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(QApplication::windowIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);
    row->addWidget(icon);
    auto* texts = new QVBoxLayout;
    texts->addWidget(new QLabel(QString::fromUtf8(shell::texts::aboutLabel)));
    texts->addWidget(new QLabel(QString::fromUtf8(shell::texts::aboutVersion).arg(version)));
    texts->addWidget(new QLabel(QString::fromUtf8(product::publisherLine)));
    texts->addStretch();
    row->addLayout(texts, 1);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QString::fromUtf8(shell::texts::okButton), QDialogButtonBox::AcceptRole)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
