// The receiver window under load, offscreen: the same receive as corvan-cli
// runs, driven through the real main window, its progress dialog and its
// welcome dialog (answered with its default button as soon as it shows).
//
//   window_bench make-archive COUNT SIZE OUT.gpa   COUNT attachments of SIZE bytes
//   window_bench make-http HOST PORT PATH OUT.gp   one file over HTTP
//   window_bench receive SOURCE ROOT               prints: seconds, longest GUI gap (ms), ticks
//   window_bench startup START_NS                  prints: ms from START_NS (CLOCK_REALTIME)
//                                                  until the main window has painted
//
// The GUI gap is the longest time between two ticks of a 10 ms timer on the
// GUI thread while the receive runs: how long the window could not react.
// bench/window/run.sh builds the stand (nginx, data) and compares with corvan-cli.

#include "receiver/shell/CAmbrivaleApp.h"
#include "receiver/shell/CAmbrivaleDoc.h"
#include "receiver/shell/CAmbrivaleView.h"
#include "receiver/shell/CMainFrame.h"
#include "receiver/shell/QuestionDialog.h"

#include "guidepost/CAMData.h"
#include "guidepost/GuidePostArchive.h"
#include "platform/Shell.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int attachmentsPerTask = 500;

int makeArchive(int count, std::size_t size, const fs::path& out)
{
    const fs::path files = out.string() + ".files";
    fs::create_directories(files);
    std::string body(size, '\0');
    CAMData model;
    model.name = "window-bench";
    model.creator = "bench";
    model.local = true;
    for (int first = 0; first < count; first += attachmentsPerTask) {
        auto task = std::make_unique<TaskRecord>();
        task->name = "task" + std::to_string(first / attachmentsPerTask);
        task->folderText = "out";
        task->folderList = {"out"};
        auto source = std::make_unique<SourceRecord>();
        source->name = "attach";
        source->protocol = guidepost::ProtocolAttach;
        auto list = std::make_unique<FileListRecord>();
        list->name = "files";
        for (int i = first; i < std::min(count, first + attachmentsPerTask); ++i) {
            const std::string name = "f" + std::to_string(i) + ".bin";
            for (std::size_t k = 0; k < size; ++k)
                body[k] = static_cast<char>((k * 131 + static_cast<std::size_t>(i) * 7 + (k >> 9)) & 0xFF);
            std::ofstream(files / name, std::ios::binary) << body;
            auto a = std::make_unique<AttachRecord>();
            a->name = name;
            a->sourcePath = (files / name).string();
            task->attachments.push_back(std::move(a));
            auto f = std::make_unique<FileRecord>();
            f->name = name;
            f->remote = name;
            list->files.push_back(std::move(f));
        }
        source->fileLists.push_back(std::move(list));
        task->sources.push_back(std::move(source));
        model.tasks.push_back(std::move(task));
    }
    const bool ok = GuidePostArchive::Write(out.string(), model, false, nullptr, 0);
    fs::remove_all(files);
    return ok ? 0 : 1;
}

int makeHttp(const std::string& host, int port, const std::string& path, const fs::path& out)
{
    CAMData model;
    model.name = "window-bench-http";
    model.creator = "bench";
    auto task = std::make_unique<TaskRecord>();
    task->name = "big";
    task->folderText = "out";
    task->folderList = {"out"};
    auto source = std::make_unique<SourceRecord>();
    source->name = "nginx";
    source->protocol = guidepost::ProtocolHttp;
    source->serverName = host;
    source->port = static_cast<std::uint16_t>(port);
    auto list = std::make_unique<FileListRecord>();
    list->name = "files";
    const auto slash = path.rfind('/');
    list->remoteFolderGiven = true;
    list->remoteFolder = path.substr(0, slash + 1);
    auto f = std::make_unique<FileRecord>();
    f->name = path.substr(slash + 1);
    f->remote = f->name;
    list->files.push_back(std::move(f));
    source->fileLists.push_back(std::move(list));
    task->sources.push_back(std::move(source));
    model.tasks.push_back(std::move(task));
    try {
        model.Save(out.string());
    } catch (...) {
        return 1;
    }
    return 0;
}

// The window's default button of whatever question shows.
void answerWithDefaults()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        // An end message is a failed run: say what it was.
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
            box->accept();
            return;
        }
        auto* d = qobject_cast<QuestionDialog*>(w);
        if (!d || !d->isVisible())
            continue;
        for (QPushButton* b : d->findChildren<QPushButton*>())
            if (b->isDefault()) {
                b->click();
                return;
            }
    }
}

int receiveThroughWindow(const QString& source, const std::string& root)
{
    platform::Shell::setOpener([](const std::string&) { return true; });
    CAmbrivaleApp app;
    if (app.initInstance({}) != CAmbrivaleApp::StartResult::Run)
        return 1;
    app.RootFolder = root;
    CMainFrame* frame = app.mainFrame();

    QElapsedTimer clock;
    qint64 lastTick = 0, longestGap = 0, gapAt = 0, ticks = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (now - lastTick > longestGap) {
            longestGap = now - lastTick;
            gapAt = now;
        }
        lastTick = now;
        ++ticks;
        answerWithDefaults();
    });
    double seconds = -1;
    QObject::connect(frame->view(), &CAmbrivaleView::receiveFinished, [&] {
        seconds = clock.nsecsElapsed() / 1e9;
        tick.stop();
        QCoreApplication::quit();
    });
    clock.start();
    tick.start();
    if (!frame->openGuidePost(source))
        return 1;
    QApplication::exec();
    // The bench's folder (maybe a tmpfs below /dev) is not for keeping.
    app.RootFolder = app.DefaultRootFolder;
    app.exitInstance();
    std::fprintf(stderr, "longest gap ended %.3f s after the start\n", gapAt / 1e9);
    std::printf("%.3f %.1f %lld\n", seconds, longestGap / 1e6, static_cast<long long>(ticks));
    return seconds < 0 ? 1 : 0;
}

int startup(long long startNs)
{
    platform::Shell::setOpener([](const std::string&) { return true; });
    CAmbrivaleApp app;
    if (app.initInstance({}) != CAmbrivaleApp::StartResult::Run)
        return 1;
    struct PaintWatch : QObject {
        long long start;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint) {
                timespec now{};
                ::clock_gettime(CLOCK_REALTIME, &now);
                const long long ns = now.tv_sec * 1'000'000'000LL + now.tv_nsec;
                std::printf("%.1f\n", (ns - start) / 1e6);
                QTimer::singleShot(0, [] { QCoreApplication::quit(); });
            }
            return false;
        }
    } watch;
    watch.start = startNs;
    app.mainFrame()->view()->installEventFilter(&watch);
    QApplication::exec();
    app.exitInstance();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make-archive" && argc == 5)
        return makeArchive(std::atoi(argv[2]), static_cast<std::size_t>(std::atoll(argv[3])), argv[4]);
    if (mode == "make-http" && argc == 6)
        return makeHttp(argv[2], std::atoi(argv[3]), argv[4], argv[5]);
    if (mode == "receive" && argc == 4) {
        QApplication application(argc, argv);
        return receiveThroughWindow(QString::fromLocal8Bit(argv[2]), argv[3]);
    }
    if (mode == "startup" && argc == 3) {
        QApplication application(argc, argv);
        return startup(std::atoll(argv[2]));
    }
    std::fprintf(stderr, "usage: see the head of bench/window/WindowBench.cpp\n");
    return 2;
}
