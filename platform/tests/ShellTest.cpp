#include "platform/DesktopOpener.h"
#include "platform/Shell.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

TEST(Shell, OpensThroughTheRecorderWhenOneIsSet)
{
    std::vector<std::string> opened;
    platform::Shell::setOpener([&](const std::string& target) {
        opened.push_back(target);
        return target != "refused";
    });
    EXPECT_TRUE(platform::Shell::open("/tmp/_html___/report.htm"));
    EXPECT_FALSE(platform::Shell::open("refused"));
    platform::Shell::setOpener({});
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], "/tmp/_html___/report.htm");
}

namespace {

// PATH leads to a recording "xdg-open" of the test's own for as long as it lives.
struct RecordingOpener {
    std::filesystem::path folder;
    std::string oldPath;
    explicit RecordingOpener(int status)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "CVshellXXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        std::ofstream script(folder / "xdg-open");
        script << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << (folder / "opened").string() << "'\nexit " << status
               << "\n";
        script.close();
        std::filesystem::permissions(folder / "xdg-open", std::filesystem::perms::owner_all);
        oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("PATH", (folder.string() + ":" + oldPath).c_str(), 1);
    }
    ~RecordingOpener()
    {
        ::setenv("PATH", oldPath.c_str(), 1);
        std::filesystem::remove_all(folder);
    }
    std::string opened() const
    {
        std::ifstream in(folder / "opened");
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
};

} // namespace

TEST(Shell, RunsTheDesktopOpenerAndTakesItsStatus)
{
    {
        RecordingOpener opener(0);
        EXPECT_TRUE(platform::Shell::open("/tmp/レポート 1.htm"));
        EXPECT_EQ(opener.opened(), "/tmp/レポート 1.htm\n");
    }
    {
        // xdg-open's "the action failed".
        RecordingOpener opener(4);
        EXPECT_FALSE(platform::Shell::open("http://127.0.0.1:1/"));
        EXPECT_EQ(opener.opened(), "http://127.0.0.1:1/\n");
    }
    // No opener at all.
    std::string oldPath = std::getenv("PATH");
    ::setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(platform::Shell::open("/tmp/x.htm"));
    ::setenv("PATH", oldPath.c_str(), 1);
}

TEST(Shell, HandsAnAttachmentToTheMailProgram)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "CVmailXXXXXX").string();
    const std::filesystem::path folder = ::mkdtemp(pattern.data());
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    auto mailer = [&](int status) {
        std::ofstream script(folder / "xdg-email");
        script << "#!/bin/sh\nprintf '%s|' \"$@\" >> '" << (folder / "mailed").string() << "'\nexit " << status << "\n";
        script.close();
        std::filesystem::permissions(folder / "xdg-email", std::filesystem::perms::owner_all);
    };
    ::setenv("PATH", (folder.string() + ":" + oldPath).c_str(), 1);
    mailer(0);
    EXPECT_TRUE(platform::Shell::mail("/tmp/Glimmora - 私 - 遠足.gpa"));
    // xdg-email's "no mail program was found".
    mailer(3);
    EXPECT_FALSE(platform::Shell::mail("/tmp/b.gpa"));
    std::ifstream in(folder / "mailed");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
              "--attach|/tmp/Glimmora - 私 - 遠足.gpa|--attach|/tmp/b.gpa|");
    ::setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(platform::Shell::mail("/tmp/c.gpa"));
    ::setenv("PATH", oldPath.c_str(), 1);
    std::filesystem::remove_all(folder);
}

TEST(DesktopOpener, OpensInOrderOffTheCallersThreadAndAnswersOnlyALivingContext)
{
    int argc = 1;
    char name[] = "platform_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    const auto caller = std::this_thread::get_id();
    std::mutex lock;
    std::vector<std::string> opened;
    bool offThread = true;
    platform::Shell::setOpener([&](const std::string& target) {
        std::lock_guard<std::mutex> hold(lock);
        offThread = offThread && std::this_thread::get_id() != caller;
        opened.push_back(target);
        return target != "refused";
    });

    QObject context;
    QString firstFailure = "not answered";
    bool single = false;
    int answers = 0;
    platform::DesktopOpener::open(QStringList{"a", "", "refused", "b"}, &context, [&](const QString& failed) {
        firstFailure = failed;
        ++answers;
    });
    platform::DesktopOpener::open(std::string("c"), &context, [&](bool ok) {
        single = ok;
        ++answers;
    });
    // A window closed before the desktop answers hears nothing.
    auto* gone = new QObject;
    bool heardByGone = false;
    platform::DesktopOpener::open(std::string("d"), gone, [&](bool) { heardByGone = true; });
    delete gone;
    QElapsedTimer waited;
    waited.start();
    auto openedCount = [&] {
        std::lock_guard<std::mutex> hold(lock);
        return opened.size();
    };
    while ((answers < 2 || openedCount() < 5) && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::processEvents();
    platform::Shell::setOpener({});

    EXPECT_EQ(opened, (std::vector<std::string>{"a", "refused", "b", "c", "d"}));
    EXPECT_TRUE(offThread);
    EXPECT_EQ(firstFailure, "refused");
    EXPECT_TRUE(single);
    EXPECT_FALSE(heardByGone);
}
