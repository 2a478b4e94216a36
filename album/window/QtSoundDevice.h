#pragma once
// The sound device of the desktop: the default input and output through Qt
// Multimedia, in the voice files' format. A device that is missing, refuses
// the format or falls silent is reported in words, never waited on.

#include "album/core/SoundDevice.h"

#include <QObject>

#include <memory>

class QAudioSink;
class QAudioSource;
class QBuffer;
class QIODevice;
class QTimer;

namespace glimmora {

class QtSoundDevice : public QObject, public album::SoundDevice {
    Q_OBJECT
public:
    explicit QtSoundDevice(QObject* parent = nullptr);
    ~QtSoundDevice() override;

    std::string inputProblem() override;
    std::string outputProblem() override;
    bool startRecording(std::uint8_t* buffer, std::size_t bytes, Listener& listener, std::string& error) override;
    bool startPlaying(const std::uint8_t* samples, std::size_t bytes, Listener& listener, std::string& error) override;
    void stop() override;

private:
    void readInput();
    void checkProgress();
    void checkPlayback();
    void end(const std::string& error);

    std::unique_ptr<QAudioSource> source_;
    std::unique_ptr<QAudioSink> sink_;
    std::unique_ptr<QBuffer> playing_;
    QIODevice* input_ = nullptr;
    QTimer* watchdog_;
    Listener* listener_ = nullptr;
    std::uint8_t* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::size_t done_ = 0;
    std::size_t doneAtLastCheck_ = 0;
    int quietChecks_ = 0;
};

} // namespace glimmora
