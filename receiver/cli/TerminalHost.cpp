#include "receiver/cli/TerminalHost.h"

#include "receiver/engine/ReceiveProgress.h"

#include <cstring>
#include <string>

namespace cli {

using namespace receive;

TerminalHost::TerminalHost(const ReceiveProgress& progress, Options options, std::FILE* in, std::FILE* out)
    : progress_(progress), options_(std::move(options)), in_(in), out_(out)
{
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

void TerminalHost::post(ReceiveMessage message, std::int64_t)
{
    if (message != ReceiveMessage::EventsAppended)
        changed_ = true;
}

void TerminalHost::clearProgress()
{
    if (lineShown_) {
        std::fputs("\r\033[K", out_);
        lineShown_ = false;
    }
}

void TerminalHost::drawProgress()
{
    if (!options_.interactive || !changed_.exchange(false))
        return;
    std::unique_lock lock(terminal_, std::try_to_lock);
    if (!lock.owns_lock())
        return;
    const std::int64_t size = progress_.fileSize, got = progress_.fileReceived;
    char bar[21] = {};
    int filled = size > 0 ? static_cast<int>(std::min<std::int64_t>(20, got * 20 / size)) : 0;
    for (int i = 0; i < 20; ++i)
        bar[i] = i < filled ? '#' : '.';
    std::string bytes = size > 0 ? std::to_string(got) + "/" + std::to_string(size) + " バイト"
                                 : std::to_string(got) + " バイト";
    std::fprintf(out_, "\r\033[Kタスク %d/%d  ソース %d/%d  ファイルリスト %d/%d  ファイル %d/%d  [%s] %s",
                 progress_.tasksDone.load(), progress_.taskTotal.load(), progress_.sourcesDone.load(),
                 progress_.sourceTotal.load(), progress_.fileListsDone.load(), progress_.fileListTotal.load(),
                 progress_.filesDone.load(), progress_.fileTotal.load(), bar, bytes.c_str());
    std::fflush(out_);
    lineShown_ = true;
}

Answer TerminalHost::ask(const Question& q)
{
    std::lock_guard lock(terminal_);
    clearProgress();
    if (q.kind == QuestionKind::CipherCode && !options_.cipherCode.empty() && !cipherCodeUsed_) {
        cipherCodeUsed_ = true;
        return Answer{AnswerOk, options_.cipherCode, {}};
    }
    const bool needsText = q.takesText;
    if (options_.assumeDefaults) {
        // A text cannot be assumed: stop that item instead of asking forever.
        if (needsText)
            return Answer{q.closeButton, {}, {}};
        if (q.kind != QuestionKind::Welcome && q.kind != QuestionKind::Notice) {
            // A question without a text (the certification offer) says what it is about by its fields.
            std::string about = plain(q.text);
            for (std::size_t i = 0; about.empty() && i < q.fields.size(); ++i)
                about = q.fields[i].second;
            std::fprintf(out_, "%s: %s\n  -> %s\n", q.caption.c_str(), about.c_str(),
                         label(q.buttons[static_cast<std::size_t>(q.defaultButton)]).c_str());
        }
        else if (q.kind == QuestionKind::Notice)
            std::fprintf(out_, "%s: %s\n", q.caption.c_str(), plain(q.text).c_str());
        return Answer{q.defaultButton, {}, {}};
    }
    if (!options_.interactive) {
        if (q.kind == QuestionKind::Notice) {
            std::fprintf(out_, "%s: %s\n", q.caption.c_str(), plain(q.text).c_str());
            return Answer{0, {}, {}};
        }
        unanswerable_ = true;
        unanswered_ = q.caption + (q.text.empty() ? "" : ": " + plain(q.text));
        return Answer{q.closeButton, {}, {}};
    }

    std::fprintf(out_, "\n== %s ==\n", q.caption.c_str());
    for (const auto& [label, value] : q.fields)
        std::fprintf(out_, "  %s: %s\n", label.c_str(), value.c_str());
    if (!q.text.empty())
        std::fprintf(out_, "%s\n", plain(q.text).c_str());
    Answer answer;
    if (needsText) {
        const char* prompts[] = {q.kind == QuestionKind::IdAndPassword ? "ユーザID" : "入力", "パスワード"};
        int fields = q.kind == QuestionKind::IdAndPassword ? 2 : 1;
        for (int f = 0; f < fields; ++f) {
            std::fprintf(out_, "%s (空のまま Enter で「%s」): ", prompts[f], q.buttons.back().c_str());
            std::fflush(out_);
            char line[1024];
            if (!std::fgets(line, sizeof line, in_))
                return Answer{q.closeButton, {}, {}};
            std::string text(line);
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                text.pop_back();
            (f == 0 ? answer.text : answer.secondText) = text;
        }
        answer.button = (answer.text.empty() && q.kind != QuestionKind::IdAndPassword) ? q.closeButton : AnswerOk;
        if (q.kind == QuestionKind::CipherCode && answer.text.empty())
            answer.button = q.closeButton;
        return answer;
    }
    for (std::size_t i = 0; i < q.buttons.size(); ++i)
        std::fprintf(out_, "  %zu) %s%s\n", i + 1, label(q.buttons[i]).c_str(),
                     static_cast<int>(i) == q.defaultButton ? " (既定)" : "");
    for (;;) {
        std::fprintf(out_, "番号を入力してください [%d]: ", q.defaultButton + 1);
        std::fflush(out_);
        char line[64];
        if (!std::fgets(line, sizeof line, in_))
            return Answer{q.closeButton, {}, {}};
        if (line[0] == '\n' || line[0] == '\0')
            return Answer{q.defaultButton, {}, {}};
        char* end = nullptr;
        long n = std::strtol(line, &end, 10);
        if (n >= 1 && n <= static_cast<long>(q.buttons.size()))
            return Answer{static_cast<int>(n - 1), {}, {}};
    }
}

} // namespace cli
