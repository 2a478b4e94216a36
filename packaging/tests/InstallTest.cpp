// cmake --install into a prefix of the test's own, then the prefix used as a
// desktop uses it: what stands where, the MIME type that tells a GuidePost
// from a gnuplot script and names corvan as its program, and the installed
// corvan started on a file, answered with a key press on a virtual display,
// receiving and closing by itself.

#include "ShellTestSupport.h"
#include "TestArchive.h"

#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

#include <fstream>

using namespace shelltest;
namespace fs = std::filesystem;

namespace {

struct Run {
    int status = -1;
    QString out;
};

Run run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
        int timeoutMs = 120000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.out = QStringLiteral("timed out: ") + QString::fromUtf8(p.readAll());
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAll());
    return r;
}

// An outside program the test needs, or a failure that names its package.
QString need(const char* program, const char* package)
{
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(program));
    if (path.isEmpty())
        qFatal("%s is missing: apt-get install %s", program, package);
    return path;
}

fs::path prefix() { return home() / "prefix"; }

} // namespace

class InstallTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const Run r = run(QStringLiteral("cmake"),
                          {QStringLiteral("--install"), QStringLiteral(CV_BUILD_DIR), QStringLiteral("--prefix"),
                           QString::fromStdString(prefix().string())});
        QVERIFY2(r.status == 0, qPrintable(r.out));
    }

    void layout()
    {
        const fs::path lib = prefix() / "lib" / "corvandelle";
        for (const char* file : {"corvan", "corvan-cli", "libCVCLIB.so", "Corvan1.xml", "CVC1.xml", "EXT1.DAT",
                                 "GMStyle/GMSNorm.so", "GMStyle/GMSSmart.so", "GMStyle/GMSModern.so",
                                 "VTStyle/VTSNorm.so", "Help/Corvan/index.htm"})
            QVERIFY2(fs::is_regular_file(lib / file), file);
        // Every program the build made, linked from bin/.
        for (const char* program : {"corvan", "corvan-cli", "glimmora", "glimmora-cli", "vitrinel", "ledgerix",
                                    "rootgate"}) {
            if (!fs::exists(fs::path(CV_BIN_DIR) / program))
                continue;
            const fs::path link = prefix() / "bin" / program;
            QVERIFY2(fs::is_symlink(link), program);
            QCOMPARE(fs::canonical(link), fs::canonical(lib / program));
            QVERIFY2(fs::is_regular_file(prefix() / "share/man/man1" / (std::string(program) + ".1.gz")), program);
        }
        // Benchmarks, tests and build tools stay in the build tree.
        for (const auto& e : fs::recursive_directory_iterator(prefix())) {
            const std::string name = e.path().filename().string();
            QVERIFY2(name.find("bench") == std::string::npos && name.find("Test") == std::string::npos
                         && name != "make-example-archive",
                     name.c_str());
        }
        QVERIFY(fs::is_regular_file(prefix() / "share/icons/hicolor/scalable/apps/corvan.svg"));
        QVERIFY(fs::is_regular_file(prefix() / "share/mime/packages/x-guidepost.xml"));
        const fs::path desktop = prefix() / "share/applications/corvan.desktop";
        const std::string entry = readText(desktop);
        QVERIFY(entry.find("Exec=" + (prefix() / "bin/corvan").string() + " %f") != std::string::npos);
        QVERIFY(entry.find("MimeType=application/x-guidepost;") != std::string::npos);
        // The album program: its entry, its icon and its help page.
        if (fs::exists(fs::path(CV_BIN_DIR) / "glimmora")) {
            const std::string album = readText(prefix() / "share/applications/glimmora.desktop");
            QVERIFY(album.find("Exec=" + (prefix() / "bin/glimmora").string() + " %F") != std::string::npos);
            QVERIFY(album.find("Icon=glimmora\n") != std::string::npos);
            QVERIFY(fs::is_regular_file(prefix() / "share/icons/hicolor/scalable/apps/glimmora.svg"));
            QVERIFY(fs::is_regular_file(lib / "Help/Glimmora/index.htm"));
        }
        const QString validate = need("desktop-file-validate", "desktop-file-utils");
        for (const auto& e : fs::directory_iterator(prefix() / "share/applications")) {
            if (e.path().extension() != ".desktop")
                continue;
            const Run check = run(validate, {QString::fromStdString(e.path().string())});
            QVERIFY2(check.status == 0 && check.out.trimmed().isEmpty(), qPrintable(check.out));
        }
        // What a software centre shows, naming the entries installed beside it;
        // and the files every Debian package carries.
        const QString appstream = need("appstreamcli", "appstream");
        for (const char* id : {"corvan", "glimmora"}) {
            const fs::path metainfo = prefix() / "share/metainfo" / ("example.quillmere." + std::string(id) + ".metainfo.xml");
            QVERIFY2(fs::is_regular_file(metainfo), id);
            const Run check = run(appstream, {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"),
                                              QString::fromStdString(metainfo.string())});
            QVERIFY2(check.status == 0, qPrintable(check.out));
            const std::string text = readText(metainfo);
            QVERIFY(text.find("<launchable type=\"desktop-id\">" + std::string(id) + ".desktop</launchable>") != std::string::npos);
            QVERIFY(fs::is_regular_file(prefix() / "share/applications" / (std::string(id) + ".desktop")));
            QVERIFY(text.find("<release version=\"" CV_PROJECT_VERSION "\"") != std::string::npos);
        }
        QVERIFY(fs::is_regular_file(prefix() / "share/doc/corvandelle/copyright"));
        QVERIFY(fs::is_regular_file(prefix() / "share/doc/corvandelle/changelog.gz"));
    }

    void guidePostsAreTheirOwnType()
    {
        const fs::path files = home() / "mime";
        fs::create_directories(files);
        fs::copy_file(fs::path(CV_SOURCE_DIR) / "examples" / "写真の配布.gp", files / "guide.gp");
        fs::copy_file(fs::path(CV_SOURCE_DIR) / "examples" / "運動会の写真.gpa", files / "photos.gpa");
        std::ofstream(files / "plot.gp") << "set terminal png\nplot sin(x)\n";
        std::ofstream(files / "noextension") << "GPAR\x01\x02\x03\x04";

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QString dataDirs = QString::fromStdString((prefix() / "share").string()) + QStringLiteral(":/usr/share");
        env.insert(QStringLiteral("XDG_DATA_DIRS"), dataDirs);
        const QString gio = need("gio", "libglib2.0-bin");
        auto typeOf = [&](const char* name) {
            const Run r = run(gio, {QStringLiteral("info"), QStringLiteral("-a"), QStringLiteral("standard::content-type"),
                                    QString::fromStdString((files / name).string())}, env);
            return r.out.section(QStringLiteral("content-type: "), 1).trimmed();
        };
        QCOMPARE(typeOf("guide.gp"), QStringLiteral("application/x-guidepost"));
        QCOMPARE(typeOf("photos.gpa"), QStringLiteral("application/x-guidepost"));
        QCOMPARE(typeOf("noextension"), QStringLiteral("application/x-guidepost"));
        // A gnuplot script keeps its own program.
        QCOMPARE(typeOf("plot.gp"), QStringLiteral("application/x-gnuplot"));
        const Run mime = run(gio, {QStringLiteral("mime"), QStringLiteral("application/x-guidepost")}, env);
        QVERIFY2(mime.out.contains(QStringLiteral("Default application for “application/x-guidepost”: corvan.desktop")),
                 qPrintable(mime.out));

        // Qt's own reading of the same database (KDE's file managers use it).
        qputenv("XDG_DATA_DIRS", dataDirs.toUtf8());
        QMimeDatabase db;
        QCOMPARE(db.mimeTypeForFile(QString::fromStdString((files / "guide.gp").string())).name(),
                 QStringLiteral("application/x-guidepost"));
        QCOMPARE(db.mimeTypeForFile(QString::fromStdString((files / "photos.gpa").string())).name(),
                 QStringLiteral("application/x-guidepost"));
    }

    void installedCorvanReceivesAndCloses()
    {
        const QString xvfb = need("Xvfb", "xvfb");
        const QString xdotool = need("xdotool", "xdotool");
        const fs::path user = home() / "user";
        fs::create_directories(user / "Documents");
        fs::create_directories(user / "run");
        fs::permissions(user / "run", fs::perms::owner_all, fs::perm_options::replace);
        fs::create_directories(user / "bin");
        // The desktop's opener, recorded instead of starting a browser.
        {
            std::ofstream opener(user / "bin" / "xdg-open");
            opener << "#!/bin/sh\necho \"$@\" >> '" << (user / "opened.txt").string() << "'\n";
        }
        fs::permissions(user / "bin" / "xdg-open", fs::perms::owner_all);
        const fs::path archive = user / "配布.gpa";
        QVERIFY(writeArchive(archive, "配布", {{"写真", "受信\\写真", 0, {{"一.txt", "いち"}}}}));

        QProcess display;
        display.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                             QStringLiteral("0"), QStringLiteral("800x600x24"), QStringLiteral("-nolisten"),
                             QStringLiteral("tcp")});
        QVERIFY(display.waitForReadyRead(10000));
        const QString number = QString::fromLatin1(display.readLine()).trimmed();
        QVERIFY(!number.isEmpty());

        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), QString::fromStdString((user / "bin").string()) + QStringLiteral(":/usr/bin:/bin"));
        env.insert(QStringLiteral("HOME"), QString::fromStdString(user.string()));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((user / "config").string()));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString((user / "run").string()));
        env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(user.string()));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + number);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        QProcess corvan;
        corvan.setProcessEnvironment(env);
        corvan.setProcessChannelMode(QProcess::MergedChannels);
        corvan.start(QString::fromStdString((prefix() / "bin" / "corvan").string()),
                     {QString::fromStdString(archive.string())});
        QVERIFY(corvan.waitForStarted());
        // The welcome comes up over the window; Return is its default button.
        const Run welcome = run(xdotool, {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"),
                                          QStringLiteral("Corvandelle ファイルの受信")}, env, 20000);
        QVERIFY2(welcome.status == 0, qPrintable(welcome.out));
        QTest::qWait(300);
        const QString window = welcome.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0);
        run(xdotool, {QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}, env, 5000);
        QVERIFY(run(xdotool, {QStringLiteral("key"), QStringLiteral("Return")}, env, 5000).status == 0);
        const bool ended = corvan.waitForFinished(20000);
        if (!ended)
            corvan.kill();
        display.terminate();
        display.waitForFinished(5000);
        QVERIFY2(ended, qPrintable(QString::fromUtf8(corvan.readAll())));
        QCOMPARE(corvan.exitCode(), 0);
        QCOMPARE(readText(user / "Documents" / "Corvan" / "受信" / "写真" / "一.txt"), std::string("いち"));
    }
};

CV_SHELL_TEST_MAIN(InstallTest)
#include "InstallTest.moc"
