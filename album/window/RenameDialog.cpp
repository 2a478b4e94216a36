#include "album/window/RenameDialog.h"

#include "album/core/AlbumTexts.h"
#include "styles/dialog/AccessKey.h"
#include "styles/dialog/MessageBoxes.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace glimmora {
namespace texts = album::texts;

RenameDialog::RenameDialog(const QString& saveName, const QString& path, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("renameDialog"));
    setWindowTitle(QString::fromUtf8(texts::renameCaption));
    saveName_ = new QLineEdit(saveName);
    saveName_->setObjectName(QStringLiteral("saveName"));
    saveName_->selectAll();
    auto* file = new QLineEdit(path);
    file->setObjectName(QStringLiteral("fileName"));
    file->setReadOnly(true);
    file->setCursorPosition(0);
    // Long paths show whole as far as the screen allows.
    file->setMinimumWidth(std::min(640, file->fontMetrics().horizontalAdvance(path) + 24));
    file->setToolTip(dialogs::plainToolTip(path));

    auto* form = new QFormLayout;
    form->addRow(dialogs::withAccessKey(texts::saveNameLabel, 'N'), saveName_);
    form->addRow(dialogs::withAccessKey(texts::fileNameLabel, 'F'), file);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(dialogs::withAccessKey(texts::cancelButton, 'C'));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

QString RenameDialog::saveName() const
{
    return saveName_->text();
}

} // namespace glimmora
