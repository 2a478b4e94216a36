// The program itself, started as a desktop starts it, in a home of its own:
// ended by SIGTERM while it works on the files it was given, it leaves no
// work folder behind.

#include "album/testsupport/TestJpeg.h"
#include "styles/tests/ScratchFolder.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> workFolders(const fs::path& tmp)
{
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(tmp))
        if (entry.path().filename().string().rfind("__GM____", 0) == 0)
            found.push_back(entry.path());
    return found;
}

} // namespace

TEST(GlimmoraProgramTest, EndsCleanlyOnSigtermWhileWorking)
{
    stylestest::ScratchFolder scratch("CVglimprog");
    const fs::path home = scratch.path() / "home", tmp = home / "tmp", pictures = scratch.path() / "pictures";
    for (const fs::path& p : {home / ".config", home / ".local/share", home / ".cache", tmp, pictures})
        fs::create_directories(p);
    QStringList arguments;
    for (int i = 0; i < 3; ++i) {
        const fs::path p = pictures / ("写真" + std::to_string(i) + ".jpg");
        albumtest::writeJpeg(p.string(), 1200, 900, albumtest::photoLike(1200, 900, static_cast<unsigned>(i)));
        arguments << QString::fromStdString(p.string());
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString h = QString::fromStdString(home.string());
    env.insert(QStringLiteral("HOME"), h);
    env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(tmp.string()));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), h + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), h + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), h + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(CV_BIN_DIR "/glimmora"), arguments);
    ASSERT_TRUE(program.waitForStarted(20000));

    // Working: the first picture fitted into the work folder, its dialog open.
    QDeadlineTimer deadline(20000);
    auto fitted = [&] {
        for (const fs::path& folder : workFolders(tmp))
            if (fs::exists(folder / "写真0.jpg"))
                return true;
        return false;
    };
    while (!fitted() && !deadline.hasExpired() && program.state() == QProcess::Running)
        QTest::qWait(20);
    ASSERT_TRUE(fitted()) << program.readAllStandardError().toStdString();

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(workFolders(tmp).empty());
    // The pictures given are the user's own and stay.
    EXPECT_EQ(std::distance(fs::directory_iterator(pictures), fs::directory_iterator()), 3);
}
