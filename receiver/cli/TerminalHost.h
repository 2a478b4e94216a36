#pragma once
// The terminal receiver's side of a receive session: questions on the
// terminal with numbered answers (or their defaults under --yes), and one
// progress line drawn from the session's snapshot.

#include "receiver/engine/ReceiveQuestion.h"
#include "receiver/engine/ReceiveSnapshot.h"

#include <cstdio>
#include <functional>
#include <string>

namespace cli {

class TerminalHost {
public:
    struct Options {
        bool assumeDefaults = false;  // --yes
        std::string cipherCode;       // --cipher-code
        bool interactive = false;     // a terminal to ask on
    };

    TerminalHost(Options options, std::FILE* in = stdin, std::FILE* out = stderr);

    // Answers one question. stillPending is asked while waiting for the
    // user: when it turns false (the receive was stopped) the question is
    // given up and its close button returned.
    receive::Answer ask(const receive::Question& question, const std::function<bool()>& stillPending);

    // Redraws the progress line when the snapshot shows something new.
    void drawProgress(const receive::ReceiveSnapshot& snapshot);
    // Clears the progress line before other output.
    void clearProgress();

    // Set when a question had to be refused for want of a terminal.
    bool unanswerable() const { return unanswerable_; }
    const std::string& unanswered() const { return unanswered_; }

    // The progress line of a snapshot (without the leading clear).
    static std::string progressLine(const receive::ReceiveSnapshot& snapshot);
    // Whether a text field of a question is typed without echo (the cipher
    // code and passwords).
    static bool secretField(receive::QuestionKind kind, int field);

private:
    enum class Read { Line, End, GivenUp };
    Read readLine(std::string& line, const std::function<bool()>& stillPending);
    static std::string plain(const std::string& text);
    static std::string label(const std::string& text);

    Options options_;
    std::FILE* in_;
    std::FILE* out_;
    bool unanswerable_ = false;
    std::string unanswered_;
    std::string shownLine_;
    bool lineShown_ = false;
    bool cipherCodeUsed_ = false;
};

} // namespace cli
