#include "receiver/cli/TerminalHost.h"

#include "receiver/cli/TerminalEcho.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace cli {

using namespace receive;

TerminalHost::TerminalHost(Options options, std::FILE* in, std::FILE* out)
    : options_(std::move(options)), in_(in), out_(out)
{
}

bool TerminalHost::secretField(QuestionKind kind, int field)
{
    switch (kind) {
    case QuestionKind::CipherCode:
    case QuestionKind::Password:
        return field == 0;
    case QuestionKind::IdAndPassword:
        return field == 1;
    default:
        return false;
    }
}

std::string TerminalHost::plain(const std::string& text)
{
    // The dialogs break lines with "\r" or "\r\n"; a terminal wants "\n".
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += '\n';
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string TerminalHost::label(const std::string& text)
{
    // A button breaks its label only to fit; on one line it reads whole.
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

void TerminalHost::clearProgress()
{
    if (lineShown_) {
        std::fputs("\r\033[K", out_);
        std::fflush(out_);
        lineShown_ = false;
        shownLine_.clear();
    }
}

std::string TerminalHost::progressLine(const ReceiveSnapshot& s)
{
    char bar[21] = {};
    int filled = s.fileSize > 0 ? static_cast<int>(std::min<std::int64_t>(20, s.fileReceived * 20 / s.fileSize)) : 0;
    for (int i = 0; i < 20; ++i)
        bar[i] = i < filled ? '#' : '.';
    std::string bytes = s.fileSize > 0 ? std::to_string(s.fileReceived) + "/" + std::to_string(s.fileSize) + " バイト"
                                       : std::to_string(s.fileReceived) + " バイト";
    char line[512];
    std::snprintf(line, sizeof line, "タスク %d/%d  ソース %d/%d  ファイルリスト %d/%d  ファイル %d/%d  [%s] %s",
                  s.tasksDone, s.taskTotal, s.sourcesDone, s.sourceTotal, s.fileListsDone, s.fileListTotal,
                  s.filesDone, s.fileTotal, bar, bytes.c_str());
    std::string text = line;
    if (s.stopRequested)
        text += "  中止しています";
    return text;
}

void TerminalHost::drawProgress(const ReceiveSnapshot& snapshot)
{
    if (!options_.interactive)
        return;
    std::string line = progressLine(snapshot);
    if (lineShown_ && line == shownLine_)
        return;
    std::fprintf(out_, "\r\033[K%s", line.c_str());
    std::fflush(out_);
    shownLine_ = std::move(line);
    lineShown_ = true;
}

TerminalHost::Read TerminalHost::readLine(std::string& line, const std::function<bool()>& stillPending)
{
    // Read byte by byte from the descriptor, looking at stillPending between
    // waits: a stopped receive must not wait for a line that never comes.
    line.clear();
    const int fd = ::fileno(in_);
    for (;;) {
        if (stillPending && !stillPending())
            return Read::GivenUp;
        struct pollfd p = {fd, POLLIN, 0};
        int ready = ::poll(&p, 1, 200);
        if (ready < 0 && errno != EINTR)
            return Read::End;
        if (ready <= 0)
            continue;
        char c = 0;
        ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return line.empty() ? Read::End : Read::Line;
        if (c == '\n')
            break;
        line += c;
    }
    while (!line.empty() && line.back() == '\r')
        line.pop_back();
    return Read::Line;
}

Answer TerminalHost::ask(const Question& q, const std::function<bool()>& stillPending)
{
    clearProgress();
    const Answer closed{q.closeButton, {}, {}};
    if (q.kind == QuestionKind::CipherCode && !options_.cipherCode.empty() && !cipherCodeUsed_) {
        cipherCodeUsed_ = true;
        return Answer{AnswerOk, options_.cipherCode, {}};
    }
    if (options_.assumeDefaults) {
        // A text cannot be assumed: stop that item instead of asking forever.
        if (q.takesText)
            return closed;
        if (q.kind != QuestionKind::Welcome && q.kind != QuestionKind::Notice) {
            // A question without a text (the certification offer) says what it is about by its fields.
            std::string about = plain(q.text);
            for (std::size_t i = 0; about.empty() && i < q.fields.size(); ++i)
                about = q.fields[i].second;
            std::fprintf(out_, "%s: %s\n  -> %s\n", q.caption.c_str(), about.c_str(),
                         label(q.buttons[static_cast<std::size_t>(q.defaultButton)]).c_str());
        } else if (q.kind == QuestionKind::Notice) {
            std::fprintf(out_, "%s: %s\n", q.caption.c_str(), plain(q.text).c_str());
        }
        return Answer{q.defaultButton, {}, {}};
    }
    if (!options_.interactive) {
        if (q.kind == QuestionKind::Notice) {
            std::fprintf(out_, "%s: %s\n", q.caption.c_str(), plain(q.text).c_str());
            return Answer{0, {}, {}};
        }
        unanswerable_ = true;
        unanswered_ = q.caption + (q.text.empty() ? "" : ": " + plain(q.text));
        return closed;
    }

    std::fprintf(out_, "\n== %s ==\n", q.caption.c_str());
    for (const auto& [name, value] : q.fields)
        std::fprintf(out_, "  %s: %s\n", name.c_str(), value.c_str());
    if (!q.text.empty())
        std::fprintf(out_, "%s\n", plain(q.text).c_str());
    std::string line;
    if (q.takesText) {
        Answer answer;
        const char* prompts[] = {q.kind == QuestionKind::IdAndPassword ? "ユーザID" : "入力", "パスワード"};
        int fields = q.kind == QuestionKind::IdAndPassword ? 2 : 1;
        for (int f = 0; f < fields; ++f) {
            Read read;
            {
                // A cipher code or a password is not shown as it is typed;
                // echo goes off before the prompt, so nothing typed early shows.
                std::optional<TerminalEcho> hidden;
                if (secretField(q.kind, f))
                    hidden.emplace(::fileno(in_));
                std::fprintf(out_, "%s (空のまま Enter で「%s」): ", prompts[f], label(q.buttons.back()).c_str());
                std::fflush(out_);
                read = readLine(line, stillPending);
                if (hidden && hidden->active() && read == Read::Line)
                    std::fputc('\n', out_);  // the Enter was not echoed either
            }
            if (read != Read::Line) {
                std::fputc('\n', out_);
                return closed;
            }
            (f == 0 ? answer.text : answer.secondText) = line;
        }
        answer.button = (answer.text.empty() && q.kind != QuestionKind::IdAndPassword) ? q.closeButton : AnswerOk;
        return answer;
    }
    for (std::size_t i = 0; i < q.buttons.size(); ++i)
        std::fprintf(out_, "  %zu) %s%s\n", i + 1, label(q.buttons[i]).c_str(),
                     static_cast<int>(i) == q.defaultButton ? " (既定)" : "");
    for (;;) {
        std::fprintf(out_, "番号を入力してください [%d]: ", q.defaultButton + 1);
        std::fflush(out_);
        if (readLine(line, stillPending) != Read::Line) {
            std::fputc('\n', out_);
            return closed;
        }
        if (line.empty())
            return Answer{q.defaultButton, {}, {}};
        char* end = nullptr;
        long n = std::strtol(line.c_str(), &end, 10);
        if (n >= 1 && n <= static_cast<long>(q.buttons.size()))
            return Answer{static_cast<int>(n - 1), {}, {}};
    }
}

} // namespace cli
