// The program itself, started as a desktop starts it, in a home of its own:
// ended by SIGTERM while it works on the files it was given, it leaves no
// work folder behind; and its desktop entry, which offers it for the
// pictures and videos it takes.

#include "album/testsupport/TestJpeg.h"
#include "styles/tests/ScratchFolder.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

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

TEST(GlimmoraProgramTest, TheDesktopEntryOffersItForPicturesAndVideos)
{
    auto need = [](const char* program, const char* package) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(program));
        if (path.isEmpty())
            ADD_FAILURE() << program << " is missing: apt-get install " << package;
        return path;
    };
    const QString validate = need("desktop-file-validate", "desktop-file-utils");
    const QString database = need("update-desktop-database", "desktop-file-utils");
    const QString gio = need("gio", "libglib2.0-bin");
    ASSERT_FALSE(validate.isEmpty() || database.isEmpty() || gio.isEmpty());

    // The entry as installing writes it, into a data folder of the test's own.
    stylestest::ScratchFolder scratch("CVglimdesk");
    const fs::path applications = scratch.path() / "share" / "applications";
    fs::create_directories(applications);
    fs::create_directories(scratch.path() / "home");
    std::ifstream in(CV_SOURCE_DIR "/packaging/glimmora.desktop.in");
    std::stringstream text;
    text << in.rdbuf();
    std::string entry = text.str();
    for (std::size_t at; (at = entry.find("@CV_PROGRAM@")) != std::string::npos;)
        entry.replace(at, 12, CV_BIN_DIR "/glimmora");
    const fs::path file = applications / "glimmora.desktop";
    std::ofstream(file) << entry;

    auto run = [](const QString& program, const QStringList& arguments, const QProcessEnvironment& env) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            return QStringLiteral("timed out");
        }
        const QString out = QString::fromUtf8(process.readAll());
        return process.exitCode() == 0 ? out : QStringLiteral("status %1: ").arg(process.exitCode()) + out;
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString home = QString::fromStdString((scratch.path() / "home").string());
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_DIRS"),
               QString::fromStdString((scratch.path() / "share").string()) + QStringLiteral(":/usr/share"));
    EXPECT_EQ(run(validate, {QString::fromStdString(file.string())}, env), QString());
    ASSERT_EQ(run(database, {QString::fromStdString(applications.string())}, env), QString());
    for (const char* type : {"image/jpeg", "image/png", "image/webp", "image/heif", "image/heic", "video/x-msvideo",
                             "video/mpeg", "video/mp4", "video/quicktime", "video/webm"}) {
        const QString offered = run(gio, {QStringLiteral("mime"), QString::fromLatin1(type)}, env);
        EXPECT_TRUE(offered.contains(QStringLiteral("\tglimmora.desktop"))) << type << ": " << offered.toStdString();
    }
}
