// The terminal receiver's prompts on a real terminal (a pseudo-terminal
// pair): cipher codes and passwords are typed without echo, and the
// terminal echoes again afterwards.

#include "receiver/cli/TerminalHost.h"
#include "receiver/engine/Questions.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <thread>

using namespace receive;

namespace {

struct Terminal {
    int master = -1;
    int slave = -1;
    std::FILE* in = nullptr;
    std::FILE* out = nullptr;

    Terminal()
    {
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            return;
        in = ::fdopen(::dup(slave), "r");
        out = ::fdopen(::dup(slave), "w");
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Terminal()
    {
        if (in)
            std::fclose(in);
        if (out)
            std::fclose(out);
        ::close(slave);
        ::close(master);
    }
    bool echoes() const
    {
        termios t{};
        return ::tcgetattr(slave, &t) == 0 && (t.c_lflag & ECHO);
    }
    // Everything the terminal showed until the answer came back.
    std::string screenUntil(std::future<Answer>& answer)
    {
        std::string screen;
        char buffer[512];
        for (;;) {
            const bool done = answer.wait_for(std::chrono::milliseconds(20)) == std::future_status::ready;
            ssize_t n;
            while ((n = ::read(master, buffer, sizeof buffer)) > 0)
                screen.append(buffer, static_cast<std::size_t>(n));
            if (done)
                return screen;
        }
    }
    // Types a line once the screen shows `shown` after `from` (at most
    // ten seconds of waiting).
    void typeAfter(const std::string& shown, const std::string& line, std::string& screen, std::size_t from = 0)
    {
        char buffer[512];
        for (int waited = 0; screen.find(shown, from) == std::string::npos && waited < 1000; ++waited) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0)
                continue;
            ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0)
                screen.append(buffer, static_cast<std::size_t>(n));
        }
        (void)!::write(master, line.data(), line.size());
    }
};

cli::TerminalHost::Options interactive()
{
    cli::TerminalHost::Options o;
    o.interactive = true;
    return o;
}

TEST(TerminalHostTest, CipherCodesAndPasswordsAreTypedWithoutEcho)
{
    Terminal term;
    ASSERT_NE(term.in, nullptr) << "no pseudo-terminal";
    ASSERT_TRUE(term.echoes());
    cli::TerminalHost host(interactive(), term.in, term.out);

    std::string screen;
    std::future<Answer> code = std::async(std::launch::async, [&] {
        return host.ask(Questions::cipherCode(), [] { return true; });
    });
    term.typeAfter("): ", "sesame-0123\n", screen);
    screen += term.screenUntil(code);
    const Answer typed = code.get();
    EXPECT_EQ(typed.button, AnswerOk);
    EXPECT_EQ(typed.text, "sesame-0123");
    EXPECT_EQ(screen.find("sesame"), std::string::npos) << screen;
    EXPECT_TRUE(term.echoes()) << "the terminal echoes again";

    // The user ID shows as it is typed; the password does not.
    screen.clear();
    std::future<Answer> login = std::async(std::launch::async, [&] {
        return host.ask(Questions::idAndPassword("http://127.0.0.1/x"), [] { return true; });
    });
    term.typeAfter("): ", "alice\n", screen);
    term.typeAfter("パスワード (", "", screen);
    term.typeAfter("): ", "wonderland\n", screen, screen.find("パスワード ("));
    screen += term.screenUntil(login);
    const Answer both = login.get();
    EXPECT_EQ(both.text, "alice");
    EXPECT_EQ(both.secondText, "wonderland");
    EXPECT_NE(screen.find("alice"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("wonderland"), std::string::npos) << screen;
    EXPECT_TRUE(term.echoes());
}

TEST(TerminalHostTest, AStoppedPromptGivesTheTerminalItsEchoBack)
{
    Terminal term;
    ASSERT_NE(term.in, nullptr) << "no pseudo-terminal";
    cli::TerminalHost host(interactive(), term.in, term.out);
    std::atomic<bool> pending{true};
    std::future<Answer> code = std::async(std::launch::async, [&] {
        return host.ask(Questions::password("127.0.0.1", "alice", "FTP", false), [&] { return pending.load(); });
    });
    std::string screen;
    term.typeAfter("): ", "", screen);
    EXPECT_FALSE(term.echoes()) << "echo is off while the password is typed";
    pending = false;
    EXPECT_EQ(code.get().button, Questions::password("127.0.0.1", "alice", "FTP", false).closeButton);
    EXPECT_TRUE(term.echoes());
}

} // namespace
