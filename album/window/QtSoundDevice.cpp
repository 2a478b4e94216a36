#include "album/window/QtSoundDevice.h"

#include "album/core/AlbumError.h"
#include "album/core/AlbumTexts.h"
#include "album/core/VoiceFile.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QAudioSource>
#include <QBuffer>
#include <QMediaDevices>
#include <QTimer>

namespace glimmora {
namespace texts = album::texts;

namespace {

// A device that gives nothing for this long is taken for silent.
constexpr int watchdogMs = 250;
constexpr int quietChecksAllowed = 12;

QAudioFormat voiceFormat()
{
    QAudioFormat format;
    format.setSampleRate(album::VoiceFile::samplesPerSecond);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::UInt8);
    return format;
}

std::string problemOf(const QAudioDevice& device, const char* missing)
{
    if (device.isNull())
        return missing;
    if (!device.isFormatSupported(voiceFormat()))
        return album::formatText(texts::soundDeviceFailed,
                                 device.description().toStdString() + " (8ビット・モノラル・11025Hz に対応していません)");
    return {};
}

std::string describe(QAudio::Error error)
{
    switch (error) {
    case QAudio::OpenError:
        return album::formatText(texts::soundDeviceFailed, "装置を開けません");
    case QAudio::IOError:
        return album::formatText(texts::soundDeviceFailed, "読み書きできません");
    case QAudio::UnderrunError:
    case QAudio::NoError:
        return {};
    case QAudio::FatalError:
        break;
    }
    return album::formatText(texts::soundDeviceFailed, "装置が応答しません");
}

} // namespace

QtSoundDevice::QtSoundDevice(QObject* parent) : QObject(parent), watchdog_(new QTimer(this))
{
    watchdog_->setInterval(watchdogMs);
    connect(watchdog_, &QTimer::timeout, this, &QtSoundDevice::checkProgress);
}

QtSoundDevice::~QtSoundDevice()
{
    stop();
}

std::string QtSoundDevice::inputProblem()
{
    return problemOf(QMediaDevices::defaultAudioInput(), texts::noSoundInput);
}

std::string QtSoundDevice::outputProblem()
{
    return problemOf(QMediaDevices::defaultAudioOutput(), texts::noSoundOutput);
}

bool QtSoundDevice::startRecording(std::uint8_t* buffer, std::size_t bytes, Listener& listener, std::string& error)
{
    stop();
    error = inputProblem();
    if (!error.empty())
        return false;
    source_ = std::make_unique<QAudioSource>(QMediaDevices::defaultAudioInput(), voiceFormat());
    input_ = source_->start();
    if (!input_ || source_->error() != QAudio::NoError) {
        error = describe(source_->error());
        if (error.empty())
            error = album::formatText(texts::soundDeviceFailed, "録音を始められません");
        source_.reset();
        input_ = nullptr;
        return false;
    }
    listener_ = &listener;
    buffer_ = buffer;
    size_ = bytes;
    done_ = doneAtLastCheck_ = 0;
    quietChecks_ = 0;
    connect(input_, &QIODevice::readyRead, this, &QtSoundDevice::readInput);
    watchdog_->start();
    return true;
}

void QtSoundDevice::readInput()
{
    if (!input_ || !listener_)
        return;
    const qint64 got = input_->read(reinterpret_cast<char*>(buffer_ + done_), static_cast<qint64>(size_ - done_));
    if (got <= 0)
        return;
    done_ += static_cast<std::size_t>(got);
    Listener* listener = listener_;
    listener->soundProgress(done_);
    if (done_ >= size_) {
        stop();
        listener->soundEnded({});
    }
}

bool QtSoundDevice::startPlaying(const std::uint8_t* samples, std::size_t bytes, Listener& listener, std::string& error)
{
    stop();
    error = outputProblem();
    if (!error.empty())
        return false;
    playing_ = std::make_unique<QBuffer>();
    // The recorder's own block, read in place.
    playing_->setData(QByteArray::fromRawData(reinterpret_cast<const char*>(samples), static_cast<qsizetype>(bytes)));
    playing_->open(QIODevice::ReadOnly);
    sink_ = std::make_unique<QAudioSink>(QMediaDevices::defaultAudioOutput(), voiceFormat());
    sink_->start(playing_.get());
    if (sink_->error() != QAudio::NoError && sink_->error() != QAudio::UnderrunError) {
        error = describe(sink_->error());
        sink_.reset();
        playing_.reset();
        return false;
    }
    listener_ = &listener;
    buffer_ = nullptr;
    size_ = bytes;
    done_ = doneAtLastCheck_ = 0;
    quietChecks_ = 0;
    watchdog_->start();
    return true;
}

void QtSoundDevice::checkPlayback()
{
    const qint64 usecs = sink_->processedUSecs();
    done_ = std::min(size_, static_cast<std::size_t>(usecs * album::VoiceFile::samplesPerSecond / 1000000));
    Listener* listener = listener_;
    listener->soundProgress(done_);
    // Idle with every byte handed over: the last of the sound has gone out.
    if (sink_->state() == QAudio::IdleState && playing_->atEnd()) {
        stop();
        listener->soundProgress(size_);
        listener->soundEnded({});
    }
}

void QtSoundDevice::checkProgress()
{
    if (!listener_)
        return;
    const QAudio::Error error = source_ ? source_->error() : sink_ ? sink_->error() : QAudio::NoError;
    if (!describe(error).empty()) {
        end(describe(error));
        return;
    }
    if (sink_)
        checkPlayback();
    if (!listener_)
        return;
    if (done_ != doneAtLastCheck_) {
        doneAtLastCheck_ = done_;
        quietChecks_ = 0;
    } else if (++quietChecks_ > quietChecksAllowed) {
        end(texts::soundDeviceSilent);
    }
}

void QtSoundDevice::end(const std::string& error)
{
    Listener* listener = listener_;
    stop();
    if (listener)
        listener->soundEnded(error);
}

void QtSoundDevice::stop()
{
    watchdog_->stop();
    listener_ = nullptr;
    if (source_) {
        if (input_)
            disconnect(input_, nullptr, this, nullptr);
        source_->stop();
        source_.reset();
        input_ = nullptr;
    }
    if (sink_) {
        sink_->stop();
        sink_.reset();
    }
    playing_.reset();
}

} // namespace glimmora
