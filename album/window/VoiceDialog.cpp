#include "album/window/VoiceDialog.h"

#include "album/core/AlbumError.h"
#include "album/core/AlbumTexts.h"
#include "album/window/Controls.h"
#include "styles/dialog/AccessKey.h"
#include "styles/dialog/MessageBoxes.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace glimmora {
namespace texts = album::texts;
using album::VoiceRecorder;

VoiceDialog::VoiceDialog(album::Album& album, album::SoundDevice& device, QWidget* parent)
    : QDialog(parent), album_(album), recorder_(device)
{
    setObjectName(QStringLiteral("voiceDialog"));
    setWindowTitle(text(texts::voiceCaption));
    setWindowModality(Qt::ApplicationModal);
    recorder_.setObserver(this);

    record_ = makeButton(texts::recordButton, "recordButton", 'R');
    play_ = makeButton(texts::playButton, "playButton", 'P');
    keep_ = makeButton(texts::keepButton, "keepButton", 'S');
    discard_ = makeButton(texts::discardButton, "discardButton", 'N');

    auto* lengthBox = new QGroupBox(text(texts::lengthGroup));
    auto* lengthLayout = new QHBoxLayout(lengthBox);
    auto* group = new QButtonGroup(this);
    for (std::size_t i = 0; i < lengths_.size(); ++i) {
        lengths_[i] = new QRadioButton(dialogs::withAccessKey(texts::lengthLabels[i], static_cast<char>('1' + i)));
        lengths_[i]->setObjectName(QStringLiteral("length%1").arg(VoiceRecorder::lengths[i]));
        group->addButton(lengths_[i], VoiceRecorder::lengths[i]);
        lengthLayout->addWidget(lengths_[i]);
    }
    connect(group, &QButtonGroup::idClicked, this, &VoiceDialog::chooseLength);

    // The slider shows the seconds; it is not for moving.
    slider_ = new QSlider(Qt::Horizontal);
    slider_->setObjectName(QStringLiteral("secondsSlider"));
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setTickInterval(1);
    slider_->setFocusPolicy(Qt::NoFocus);
    slider_->setAttribute(Qt::WA_TransparentForMouseEvents);
    slider_->setMinimumWidth(240);
    seconds_ = new QLabel;
    seconds_->setObjectName(QStringLiteral("secondsLabel"));
    seconds_->setMinimumWidth(seconds_->fontMetrics().horizontalAdvance(QStringLiteral("15 秒")) + 8);

    auto* top = new QHBoxLayout;
    top->addWidget(record_);
    top->addWidget(play_);
    top->addStretch(1);
    auto* sliderRow = new QHBoxLayout;
    sliderRow->addWidget(slider_, 1);
    sliderRow->addWidget(seconds_);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(keep_);
    bottom->addWidget(discard_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lengthBox);
    layout->addLayout(sliderRow);
    layout->addLayout(bottom);

    connect(record_, &QPushButton::clicked, this, &VoiceDialog::record);
    connect(play_, &QPushButton::clicked, this, &VoiceDialog::play);
    connect(keep_, &QPushButton::clicked, this, &VoiceDialog::keep);
    connect(discard_, &QPushButton::clicked, this, &VoiceDialog::reject);
    showState();
}

VoiceDialog::~VoiceDialog()
{
    recorder_.setObserver(nullptr);
    recorder_.stop();
}

void VoiceDialog::openFor(album::AlbumItem& item)
{
    item_ = &item;
    newRecording_ = false;
    recorder_.reset();
    if (item.hasVoice())
        recorder_.load(item.voicePath);
    slider_->setValue(0);
    showState();
    open();
}

void VoiceDialog::showState()
{
    const bool idle = recorder_.state() == VoiceRecorder::State::Idle;
    record_->setEnabled(idle);
    play_->setEnabled(idle && recorder_.hasRecording());
    discard_->setEnabled(idle);
    for (std::size_t i = 0; i < lengths_.size(); ++i) {
        lengths_[i]->setEnabled(idle);
        lengths_[i]->setChecked(VoiceRecorder::lengths[i] == recorder_.length());
    }
    // While sound runs the keep button stops it.
    keep_->setText(dialogs::withAccessKey(idle ? texts::keepButton : texts::stopSoundButton, 'S'));
    slider_->setRange(0, recorder_.length());
    if (idle)
        slider_->setValue(recorder_.recordedSeconds());
    seconds_->setText(QString::fromStdString(album::formatCount(texts::secondsText, slider_->value())));
}

void VoiceDialog::chooseLength(int seconds)
{
    if (seconds == recorder_.length())
        return;
    recorder_.setLength(seconds);
    newRecording_ = false;
    showState();
}

void VoiceDialog::record()
{
    if (recorder_.hasRecording()
        && !dialogs::confirm(this, text(texts::confirmOverwriteCaption), texts::confirmOverwriteRecording))
        return;
    std::string problem;
    slider_->setValue(0);
    recording_ = true;
    if (!recorder_.record(problem)) {
        recording_ = false;
        showState();
        dialogs::inform(this, text(texts::voiceCaption), problem, QMessageBox::Warning);
        return;
    }
    showState();
}

void VoiceDialog::play()
{
    std::string problem;
    if (!recorder_.play(problem)) {
        showState();
        if (!problem.empty())
            dialogs::inform(this, text(texts::voiceCaption), problem, QMessageBox::Warning);
        return;
    }
    slider_->setValue(0);
    showState();
}

void VoiceDialog::voiceSecond(int seconds)
{
    slider_->setValue(seconds);
    seconds_->setText(QString::fromStdString(album::formatCount(texts::secondsText, seconds)));
}

void VoiceDialog::voiceStopped(const std::string& error)
{
    if (recording_)
        newRecording_ = recorder_.hasRecording();
    recording_ = false;
    showState();
    if (!error.empty())
        dialogs::inform(this, text(texts::voiceCaption), error, QMessageBox::Warning);
}

void VoiceDialog::keep()
{
    if (recorder_.state() != VoiceRecorder::State::Idle) {
        recorder_.stop();
        return;
    }
    if (!recorder_.hasRecording()) {
        dialogs::inform(this, text(texts::nothingRecordedCaption), texts::nothingRecorded, QMessageBox::Warning);
    } else if (item_ && newRecording_) {
        try {
            album_.setVoice(*item_, recorder_.samples());
            emit voiceSaved();
        } catch (const album::AlbumError& e) {
            dialogs::showError(this, e.what());
            return;
        }
    }
    item_ = nullptr;
    recorder_.reset();
    QDialog::accept();
}

void VoiceDialog::reject()
{
    recorder_.stop();
    if (newRecording_
        && !dialogs::confirm(this, text(texts::confirmDiscardCaption), texts::confirmDiscardRecording))
        return;
    item_ = nullptr;
    recorder_.reset();
    QDialog::reject();
}

} // namespace glimmora
