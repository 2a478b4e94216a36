#include "album/testsupport/ScriptedSoundDevice.h"

#include <algorithm>

namespace albumtest {

std::uint8_t ScriptedSoundDevice::patternSample(int run, std::size_t index)
{
    // A square wave whose period tells the runs apart.
    return ((index / static_cast<std::size_t>(10 + run)) % 2) ? static_cast<std::uint8_t>(0xC0 + run)
                                                                : static_cast<std::uint8_t>(0x40 - run);
}

void ScriptedSoundDevice::run(int intervalMs)
{
    if (!timer_) {
        timer_ = std::make_unique<QTimer>();
        QObject::connect(timer_.get(), &QTimer::timeout, [this] { tick(); });
    }
    timer_->start(intervalMs);
}

void ScriptedSoundDevice::tick()
{
    if (listener_)
        deliver(11025);
}

std::string ScriptedSoundDevice::inputProblem()
{
    return inputMissing_ ? "no input" : std::string();
}

std::string ScriptedSoundDevice::outputProblem()
{
    return outputMissing_ ? "no output" : std::string();
}

bool ScriptedSoundDevice::startRecording(std::uint8_t* buffer, std::size_t bytes, Listener& listener, std::string& error)
{
    if (inputMissing_) {
        error = "no input";
        return false;
    }
    ++recordings_;
    listener_ = &listener;
    recordInto_ = buffer;
    playFrom_ = nullptr;
    size_ = bytes;
    done_ = 0;
    return true;
}

bool ScriptedSoundDevice::startPlaying(const std::uint8_t* samples, std::size_t bytes, Listener& listener,
                                       std::string& error)
{
    if (outputMissing_) {
        error = "no output";
        return false;
    }
    ++playings_;
    listener_ = &listener;
    recordInto_ = nullptr;
    playFrom_ = samples;
    size_ = bytes;
    done_ = 0;
    played_.clear();
    return true;
}

void ScriptedSoundDevice::stop()
{
    listener_ = nullptr;
}

void ScriptedSoundDevice::deliver(std::size_t bytes)
{
    if (!listener_)
        return;
    std::size_t end = std::min(size_, done_ + bytes);
    const bool fails = failAfter_ > 0 && end >= failAfter_;
    if (fails)
        end = std::min(end, failAfter_);
    for (; done_ < end; ++done_) {
        if (recordInto_)
            recordInto_[done_] = patternSample(recordings_, done_);
        else
            played_.push_back(playFrom_[done_]);
    }
    Listener* listener = listener_;
    listener->soundProgress(done_);
    if (fails) {
        listener_ = nullptr;
        listener->soundEnded("device failed");
    } else if (done_ == size_) {
        listener_ = nullptr;
        listener->soundEnded({});
    }
}

} // namespace albumtest
