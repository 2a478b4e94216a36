#include "album/window/PictureDialog.h"

#include "album/core/AlbumError.h"
#include "album/core/AlbumTexts.h"
#include "album/window/Controls.h"
#include "styles/dialog/MessageBoxes.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

namespace glimmora {
namespace texts = album::texts;
using album::EditablePicture;

namespace {

// The picture is shown no larger than this; a larger limit is scaled down
// for the screen only, and a small screen takes it down to smallestView.
constexpr int viewSize = 400;
constexpr int smallestView = 120;

QString percentText(int value)
{
    return QString::fromStdString(album::formatCount(texts::brightnessValue, value));
}

} // namespace

PictureDialog::PictureDialog(VoiceDialog& voice, QWidget* parent)
    : ItemDialog(voice, texts::includePicture, parent)
{
    setObjectName(QStringLiteral("pictureDialog"));
    setWindowTitle(text(texts::pictureDialogCaption));

    view_ = new QLabel;
    view_->setObjectName(QStringLiteral("pictureView"));
    view_->setAlignment(Qt::AlignCenter);
    view_->setFixedSize(viewSize, viewSize);
    viewSide_ = viewSize;
    view_->setFrameShape(QFrame::StyledPanel);

    auto* left = makeButton(texts::turnLeftButton, "turnLeftButton", 'L');
    auto* half = makeButton(texts::turnHalfButton, "turnHalfButton", 'U');
    auto* right = makeButton(texts::turnRightButton, "turnRightButton", 'R');
    auto* turns = new QGroupBox(text(texts::rotationGroup));
    auto* turnLayout = new QHBoxLayout(turns);
    for (QPushButton* b : {left, half, right})
        turnLayout->addWidget(b);

    slider_ = new QSlider(Qt::Horizontal);
    slider_->setObjectName(QStringLiteral("brightnessSlider"));
    slider_->setRange(EditablePicture::minBrightness, EditablePicture::maxBrightness);
    slider_->setPageStep(5);
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setTickInterval(25);
    // Written once the slider is let go, not at every pixel of a drag.
    slider_->setTracking(false);
    percent_ = new QLabel(percentText(-100));
    percent_->setObjectName(QStringLiteral("brightnessValue"));
    percent_->setMinimumWidth(percent_->sizeHint().width());
    percent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* darkerMuch = makeButton(texts::darkerMuchButton, "darkerMuchButton", '1');
    auto* darker = makeButton(texts::darkerButton, "darkerButton", '2');
    auto* lighter = makeButton(texts::lighterButton, "lighterButton", '3');
    auto* lighterMuch = makeButton(texts::lighterMuchButton, "lighterMuchButton", '4');
    auto* brightness = new QGroupBox(text(texts::brightnessGroup));
    auto* brightnessLayout = new QVBoxLayout(brightness);
    auto* sliderRow = new QHBoxLayout;
    sliderRow->addWidget(slider_, 1);
    sliderRow->addWidget(percent_);
    auto* stepRow = new QHBoxLayout;
    for (QPushButton* b : {darkerMuch, darker, lighter, lighterMuch})
        stepRow->addWidget(b);
    brightnessLayout->addLayout(sliderRow);
    brightnessLayout->addLayout(stepRow);

    auto* area = new QWidget;
    auto* areaLayout = new QVBoxLayout(area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    areaLayout->addWidget(view_);
    areaLayout->addWidget(turns);
    areaLayout->addWidget(brightness);
    areaLayout->addStretch(1);
    setMediaArea(area);
    editControls_ = {left, half, right, slider_, darkerMuch, darker, lighter, lighterMuch};

    connect(left, &QPushButton::clicked, this, [this] { edit([](EditablePicture& p, auto& i) { p.turnLeft(i); }); });
    connect(half, &QPushButton::clicked, this, [this] { edit([](EditablePicture& p, auto& i) { p.turnHalf(i); }); });
    connect(right, &QPushButton::clicked, this, [this] { edit([](EditablePicture& p, auto& i) { p.turnRight(i); }); });
    connect(darkerMuch, &QPushButton::clicked, this, [this] { stepBrightness(-5); });
    connect(darker, &QPushButton::clicked, this, [this] { stepBrightness(-1); });
    connect(lighter, &QPushButton::clicked, this, [this] { stepBrightness(1); });
    connect(lighterMuch, &QPushButton::clicked, this, [this] { stepBrightness(5); });
    connect(slider_, &QSlider::sliderMoved, this, &PictureDialog::brightnessMoved);
    connect(slider_, &QSlider::valueChanged, this, &PictureDialog::brightnessChosen);
}

PictureDialog::~PictureDialog()
{
    if (editing_)
        editing_->wait();
}

void PictureDialog::openFor(Mode mode, album::AlbumItem& item, EditablePicture& picture)
{
    picture_ = &picture;
    begin(mode, item);
    {
        const QSignalBlocker quiet(slider_);
        slider_->setValue(picture.brightness());
    }
    percent_->setText(percentText(picture.brightness()));
    enableEditing(true);
    const QWidget* host = parentWidget() ? parentWidget() : this;
    if (const QScreen* screen = host->screen())
        fitTo(screen->availableGeometry());
    drawPicture();
    present();
}

void PictureDialog::fitTo(const QRect& available)
{
    const QSize room(available.width() - frameWidth, available.height() - frameHeight);
    auto fits = [&] {
        // Laid out anew now, not when the event loop comes round: the view's
        // area and this dialog keep the sizes they knew until told.
        view_->parentWidget()->updateGeometry();
        layout()->invalidate();
        layout()->activate();
        const QSize needed = minimumSizeHint().expandedTo(sizeHint());
        return needed.width() <= room.width() && needed.height() <= room.height();
    };
    viewSide_ = viewSize;
    view_->setFixedSize(viewSide_, viewSide_);
    while (!fits() && viewSide_ > smallestView) {
        viewSide_ = std::max(smallestView, viewSide_ - 8);
        view_->setFixedSize(viewSide_, viewSide_);
    }
    resize(sizeHint().boundedTo(room));
    drawPicture();
}

void PictureDialog::drawPicture()
{
    if (!picture_)
        return;
    const album::Image image = picture_->current();
    const QImage shown(image.pixels.data(), image.width, image.height, static_cast<qsizetype>(image.stride()),
                       QImage::Format_RGB888);
    QPixmap pixmap = QPixmap::fromImage(shown); // copies the pixels
    if (pixmap.width() > viewSide_ || pixmap.height() > viewSide_)
        pixmap = pixmap.scaled(viewSide_, viewSide_, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    view_->setPixmap(pixmap);
}

void PictureDialog::brightnessMoved(int value)
{
    percent_->setText(percentText(value));
}

void PictureDialog::brightnessChosen(int value)
{
    percent_->setText(percentText(value));
    if (!picture_ || value == picture_->brightness())
        return;
    edit([value](EditablePicture& p, album::AlbumItem& i) { p.setBrightness(i, value); });
}

void PictureDialog::stepBrightness(int by)
{
    // Setting the slider writes the picture (brightnessChosen).
    slider_->setValue(slider_->value() + by);
}

void PictureDialog::enableEditing(bool enabled)
{
    for (QWidget* control : editControls_)
        control->setEnabled(enabled);
    enableClosing(enabled);
}

void PictureDialog::edit(Edit change)
{
    if (!picture_ || !item() || editing_)
        return;
    enableEditing(false);
    editError_.clear();
    EditablePicture* picture = picture_;
    album::AlbumItem* item = this->item();
    // The picture and the item are left alone here until the edit is done.
    editing_ = QThread::create([this, picture, item, change] {
        try {
            change(*picture, *item);
        } catch (const album::AlbumError& e) {
            editError_ = e.what();
        }
    });
    connect(editing_, &QThread::finished, this, &PictureDialog::editDone);
    editing_->start();
}

void PictureDialog::editDone()
{
    editing_->deleteLater();
    editing_ = nullptr;
    enableEditing(true);
    {
        // A failed change leaves the picture as it was.
        const QSignalBlocker quiet(slider_);
        slider_->setValue(picture_->brightness());
    }
    percent_->setText(percentText(picture_->brightness()));
    drawPicture();
    if (!editError_.empty())
        dialogs::showError(this, editError_);
    emit pictureChanged();
    workEnded();
}

} // namespace glimmora
