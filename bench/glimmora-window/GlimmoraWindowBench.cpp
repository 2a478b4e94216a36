// The album window's responsiveness and speed while a folder of pictures is
// added, against the album core's own fitting of the same files:
//
//   glimmora_window_bench window DIR   one run of the window: DIR dropped on
//                                      the list, the folder question answered,
//                                      every item dialog accepted at once;
//                                      prints the processing time and the
//                                      longest gap between ticks of a 1 ms
//                                      timer on the GUI thread, and the most
//                                      CPU time the GUI thread spent between
//                                      two ticks (a long gap with little CPU
//                                      time is the scheduler's, not ours)
//   glimmora_window_bench run DIR [ROUNDS]
//                                      per round, each in a process of its own:
//                                      album_bench fit DIR (the core, one
//                                      thread) and the window; medians and the
//                                      ratio at the end
//
// DIR holds the pictures album_bench generate makes (100 of 4000 x 3000).

#include "album/core/Album.h"
#include "album/core/CvclibLibrary.h"
#include "album/core/WorkFolder.h"
#include "album/testsupport/ScriptedSoundDevice.h"
#include "album/window/GlimmoraDialog.h"
#include "album/window/ItemDialog.h"
#include "album/window/PendingQueue.h"
#include "styles/host/GMStyleHost.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

qint64 threadCpuNanoseconds()
{
    timespec t {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

int window(int argc, char** argv, const fs::path& dir)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path();
    album::CvclibLibrary library(bin.string());
    album::WorkFolder work;
    styles::GMStyleHost styles((bin / "GMStyle").string());
    styles.load();
    album::Album album(work.path());
    albumtest::ScriptedSoundDevice sound;
    glimmora::GlimmoraDialog dialog(album, library, styles, sound, std::string());
    dialog.show();

    // The folder question and the count are answered as a user would.
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
                box->button(QMessageBox::Ok)->click();
    });
    answerer.start(20);
    QObject::connect(&dialog, &glimmora::GlimmoraDialog::itemDialogOpened, [](glimmora::ItemDialog* item) {
        QTimer::singleShot(0, item, [item] { item->acceptButton()->click(); });
    });

    QElapsedTimer clock;
    qint64 started = -1, finished = -1, lastTick = -1, longestGap = 0;
    qint64 lastCpu = 0, busiestGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 cpu = threadCpuNanoseconds();
        if (started >= 0 && finished < 0 && lastTick >= 0) {
            longestGap = std::max(longestGap, now - lastTick);
            busiestGap = std::max(busiestGap, cpu - lastCpu);
        }
        lastTick = now;
        lastCpu = cpu;
    });
    QObject::connect(dialog.queue(), &glimmora::PendingQueue::started, [&] { started = clock.nsecsElapsed(); });
    QObject::connect(dialog.queue(), &glimmora::PendingQueue::finished, [&] {
        finished = clock.nsecsElapsed();
        QTimer::singleShot(50, &application, &QApplication::quit);
    });
    clock.start();
    ticker.start(1);
    QTimer::singleShot(100, &dialog, [&] { dialog.addPaths({QString::fromStdString(dir.string())}); });
    application.exec();

    const std::size_t items = album.items().size();
    std::printf("%.3f %.1f %.1f %zu\n", (finished - started) / 1e9, longestGap / 1e6, busiestGap / 1e6, items);
    return items > 0 ? 0 : 1;
}

struct Outcome {
    double seconds = 0;
    std::string out;
    bool ok = false;
};

Outcome spawn(const std::vector<std::string>& argv)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return {};
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    Outcome o;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        o.out.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    o.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return o;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

int run(const fs::path& dir, int rounds)
{
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const fs::path core = self.parent_path() / "album_bench";
    const fs::path out = dir.parent_path() / (dir.filename().string() + "-window-out");
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        count += entry.path().extension() == ".jpg";
    std::printf("%zu pictures in %s\n", count, dir.c_str());

    std::vector<double> coreSeconds, windowSeconds, gaps, busyGaps;
    for (int round = 0; round < rounds; ++round) {
        fs::remove_all(out);
        const Outcome c = spawn({core.string(), "fit", dir.string(), out.string()});
        const Outcome w = spawn({self.string(), "window", dir.string()});
        double seconds = 0, gap = 0, busy = 0;
        std::size_t items = 0;
        if (!c.ok || !w.ok || std::sscanf(w.out.c_str(), "%lf %lf %lf %zu", &seconds, &gap, &busy, &items) != 4) {
            std::fprintf(stderr, "round %d failed: core %d, window %d: %s\n", round + 1, c.ok, w.ok, w.out.c_str());
            return 1;
        }
        std::printf("round %d: core fit %.2f s; window %.2f s for %zu items, longest GUI gap %.1f ms"
                    " (most GUI CPU time between ticks %.1f ms)\n",
                    round + 1, c.seconds, seconds, items, gap, busy);
        std::fflush(stdout);
        coreSeconds.push_back(c.seconds);
        windowSeconds.push_back(seconds);
        gaps.push_back(gap);
        busyGaps.push_back(busy);
    }
    fs::remove_all(out);
    const double coreMedian = median(coreSeconds), windowMedian = median(windowSeconds);
    std::printf("\nmedians: core %.2f s, window %.2f s, window/core %.3f; longest GUI gap over all rounds %.1f ms,"
                " most GUI CPU time between ticks %.1f ms\n",
                coreMedian, windowMedian, windowMedian / coreMedian, *std::max_element(gaps.begin(), gaps.end()),
                *std::max_element(busyGaps.begin(), busyGaps.end()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "window" && argc >= 3)
        return window(argc, argv, fs::absolute(argv[2]));
    if (mode == "run" && (argc == 3 || argc == 4))
        return run(fs::absolute(argv[2]), argc == 4 ? std::max(1, std::atoi(argv[3])) : 3);
    std::fprintf(stderr, "usage: glimmora_window_bench window DIR | run DIR [ROUNDS]\n");
    return 2;
}
