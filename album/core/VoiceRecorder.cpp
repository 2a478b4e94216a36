#include "album/core/VoiceRecorder.h"

#include "album/core/VoiceFile.h"

#include <algorithm>
#include <cstring>

namespace album {

VoiceRecorder::VoiceRecorder(SoundDevice& device) : device_(device), buffer_(VoiceFile::maxSamples, VoiceFile::silence)
{
}

VoiceRecorder::~VoiceRecorder()
{
    if (state_ != State::Idle)
        device_.stop();
}

void VoiceRecorder::setLength(int seconds)
{
    stop();
    length_ = std::clamp(seconds, 1, VoiceFile::maxSeconds);
    recorded_ = 0;
}

bool VoiceRecorder::record(std::string& problem)
{
    stop();
    problem = device_.inputProblem();
    if (!problem.empty())
        return false;
    recorded_ = 0;
    reached_ = 0;
    state_ = State::Recording;
    if (!device_.startRecording(buffer_.data(), static_cast<std::size_t>(length_) * VoiceFile::samplesPerSecond, *this,
                                problem)) {
        state_ = State::Idle;
        return false;
    }
    return true;
}

bool VoiceRecorder::play(std::string& problem)
{
    stop();
    if (recorded_ == 0)
        return false;
    problem = device_.outputProblem();
    if (!problem.empty())
        return false;
    reached_ = 0;
    state_ = State::Playing;
    if (!device_.startPlaying(buffer_.data(), static_cast<std::size_t>(recorded_) * VoiceFile::samplesPerSecond, *this,
                              problem)) {
        state_ = State::Idle;
        return false;
    }
    return true;
}

void VoiceRecorder::stop()
{
    if (state_ == State::Idle)
        return;
    device_.stop();
    finish({});
}

void VoiceRecorder::soundProgress(std::size_t bytes)
{
    const int seconds = static_cast<int>(bytes / VoiceFile::samplesPerSecond);
    if (seconds == reached_)
        return;
    reached_ = seconds;
    if (observer_)
        observer_->voiceSecond(seconds);
}

void VoiceRecorder::soundEnded(const std::string& error)
{
    if (error.empty() && state_ == State::Recording)
        reached_ = length_;
    finish(error);
}

void VoiceRecorder::finish(const std::string& error)
{
    if (state_ == State::Recording)
        recorded_ = std::min(reached_, length_);
    state_ = State::Idle;
    if (observer_)
        observer_->voiceStopped(error);
}

void VoiceRecorder::reset()
{
    stop();
    length_ = defaultLength;
    recorded_ = 0;
}

bool VoiceRecorder::load(const std::string& voicePath)
{
    stop();
    recorded_ = 0;
    std::vector<std::uint8_t> samples;
    if (!VoiceFile::read(voicePath, samples) || samples.empty())
        return false;
    const std::size_t bytes = std::min(samples.size(), buffer_.size());
    std::memcpy(buffer_.data(), samples.data(), bytes);
    recorded_ = VoiceFile::secondsOf(bytes);
    // The rest of the last second is silence, as the file was written.
    std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(bytes),
              buffer_.begin() + static_cast<std::ptrdiff_t>(recorded_) * VoiceFile::samplesPerSecond, VoiceFile::silence);
    length_ = lengths[2];
    for (int l : lengths)
        if (l >= recorded_) {
            length_ = l;
            break;
        }
    return true;
}

std::vector<std::uint8_t> VoiceRecorder::samples() const
{
    return {buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(recorded_) * VoiceFile::samplesPerSecond};
}

} // namespace album
