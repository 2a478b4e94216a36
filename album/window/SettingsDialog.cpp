#include "album/window/SettingsDialog.h"

#include "album/core/AlbumTexts.h"
#include "album/core/PictureLimitSetting.h"

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
    form->addRow(QString::fromUtf8(texts::widthLabel), width_);
    form->addRow(QString::fromUtf8(texts::heightLabel), height_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8(texts::cancelButton));
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
