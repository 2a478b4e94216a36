#include "album/window/SettingsDialog.h"

#include "album/core/AlbumTexts.h"
#include "album/core/PictureLimitSetting.h"
#include "styles/dialog/AccessKey.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace glimmora {
namespace texts = album::texts;

namespace {

QSpinBox* makeField(int value, const char* name)
{
    auto* field = new QSpinBox;
    field->setObjectName(QString::fromLatin1(name));
    field->setRange(album::PictureLimitSetting::minimum, album::PictureLimitSetting::maximum);
    field->setValue(value);
    field->setSuffix(QStringLiteral(" ") + QString::fromUtf8(texts::pixelsUnit));
    return field;
}

} // namespace

SettingsDialog::SettingsDialog(album::PictureSize limit, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("settingsDialog"));
    setWindowTitle(QString::fromUtf8(texts::settingsCaption));
    width_ = makeField(limit.width, "widthField");
    height_ = makeField(limit.height, "heightField");

    auto* note = new QLabel(QString::fromUtf8(texts::limitNote));
    note->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(dialogs::withAccessKey(texts::widthLabel, 'W'), width_);
    form->addRow(dialogs::withAccessKey(texts::heightLabel, 'H'), height_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(dialogs::withAccessKey(texts::cancelButton, 'C'));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(340);
}

album::PictureSize SettingsDialog::limit() const
{
    return {width_->value(), height_->value()};
}

} // namespace glimmora
