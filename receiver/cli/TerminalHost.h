#pragma once
// The terminal receiver's host: questions on the terminal with numbered
// answers (or their defaults under --yes), and a progress line.

#include "receiver/engine/ReceiveHost.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace receive {
struct ReceiveProgress;
}

namespace cli {

class TerminalHost : public receive::ReceiveHost {
public:
    struct Options {
        bool assumeDefaults = false;  // --yes
        std::string cipherCode;       // --cipher-code
        bool interactive = false;     // a terminal to ask on
    };

    TerminalHost(const receive::ReceiveProgress& progress, Options options, std::FILE* in = stdin,
                 std::FILE* out = stderr);

    void post(receive::ReceiveMessage message, std::int64_t value) override;
    receive::Answer ask(const receive::Question& question) override;
    void open(const std::string&) override {}

    // Redraws the progress line when something changed (host thread).
    void drawProgress();
    // Clears the progress line before other output.
    void clearProgress();

    // Set when a question had to be refused for want of a terminal.
    bool unanswerable() const { return unanswerable_; }
    const std::string& unanswered() const { return unanswered_; }

private:
    static std::string plain(const std::string& text);
    static std::string label(const std::string& text);

    const receive::ReceiveProgress& progress_;
    Options options_;
    std::FILE* in_;
    std::FILE* out_;
    std::mutex terminal_;
    std::atomic<bool> changed_{false};
    std::atomic<bool> unanswerable_{false};
    std::string unanswered_;
    bool lineShown_ = false;
    bool cipherCodeUsed_ = false;
};

} // namespace cli
