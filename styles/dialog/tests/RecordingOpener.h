#pragma once
// Stands in for the desktop while a window test runs: every page, folder or
// file the window opens is noted instead of shown, and the answer (opened or
// refused) is the test's. Windows open off their GUI thread, so the notes
// are guarded and a test waits for them.

#include "platform/Shell.h"

#include <QDeadlineTimer>
#include <QTest>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace widgettest {

class RecordingOpener {
public:
    RecordingOpener()
    {
        platform::Shell::setOpener([this](const std::string& target) {
            std::lock_guard lock(mutex_);
            opened_.push_back(target);
            return accept_.load();
        });
    }
    ~RecordingOpener() { platform::Shell::setOpener({}); }
    RecordingOpener(const RecordingOpener&) = delete;
    RecordingOpener& operator=(const RecordingOpener&) = delete;

    // Whether later opens succeed.
    void accept(bool accept) { accept_ = accept; }

    std::vector<std::string> opened() const
    {
        std::lock_guard lock(mutex_);
        return opened_;
    }

    // Runs the event loop until `count` opens were asked for (at most 20 s),
    // then once more so that their outcome reaches the window.
    std::vector<std::string> waitFor(std::size_t count)
    {
        QDeadlineTimer deadline(20000);
        while (opened().size() < count && !deadline.hasExpired())
            QTest::qWait(10);
        QTest::qWait(20);
        return opened();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> opened_;
    std::atomic<bool> accept_ {true};
};

} // namespace widgettest
