// Times a receive of a real GuidePost archive of many attachments into an
// empty save root, as corvan-cli runs it (ReceiveWorker on a worker thread,
// the finisher draining the queue every 50 ms on the main thread), against
// `unzip` of a zip holding the same files, in the same run. Goals: within 2x
// of unzip; peak memory flat, under 64 MiB.
//
//     receive_bench [runs per case, default 3] [work folder, default $TMPDIR]
//
// Each case runs several times, each time into a fresh empty folder, and the
// best time of each side is reported. Writing the archive and the zip is not
// timed.

#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveFinisher.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveTotals.h"
#include "receiver/engine/ReceiveWorker.h"

#include "guidepost/CAMData.h"
#include "guidepost/GuidePostArchive.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace receive;

namespace {

// A reader accepts at most 512 attachments a task.
constexpr int attachmentsPerTask = 500;

struct QuietHost : ReceiveHost {
    // When the task loop began: everything before it is taking the
    // attachments out of the archive.
    std::chrono::steady_clock::time_point tasksBegin;
    bool begun = false;
    void post(ReceiveNotice m, std::int64_t value) override
    {
        if (m == ReceiveNotice::TasksBegin && value > 0 && !begun) {
            tasksBegin = std::chrono::steady_clock::now();
            begun = true;
        }
    }
    Answer ask(const Question& q) override { return Answer{q.defaultButton, {}, {}}; }
    void open(const std::string&) override {}
};

std::string fileName(int i)
{
    return "f" + std::to_string(i) + ".bin";
}

void makeFiles(const fs::path& folder, int count, std::size_t size)
{
    fs::create_directories(folder);
    std::string body(size, '\0');
    for (int i = 0; i < count; ++i) {
        // Each file differs a little, so no two compress to the same bytes.
        for (std::size_t k = 0; k < size; ++k)
            body[k] = static_cast<char>((k * 131 + static_cast<std::size_t>(i) * 7 + (k >> 9)) & 0xFF);
        std::ofstream(folder / fileName(i), std::ios::binary) << body;
    }
}

// The GuidePost a publisher would write for these files: every attachment
// received into the folder "out" below the save root.
bool writeArchive(const fs::path& files, int count, const fs::path& archive)
{
    CAMData model;
    model.name = "bench";
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
            auto a = std::make_unique<AttachRecord>();
            a->name = fileName(i);
            a->sourcePath = (files / a->name).string();
            task->attachments.push_back(std::move(a));
            auto f = std::make_unique<FileRecord>();
            f->name = fileName(i);
            f->remote = fileName(i);
            list->files.push_back(std::move(f));
        }
        source->fileLists.push_back(std::move(list));
        task->sources.push_back(std::move(source));
        model.tasks.push_back(std::move(task));
    }
    return GuidePostArchive::Write(archive.string(), model, false, nullptr, 0);
}

// Runs fn in a child and returns (seconds, peak resident KiB of the child).
template <typename Fn>
std::pair<double, long> measured(Fn fn)
{
    std::fflush(stdout);
    auto start = std::chrono::steady_clock::now();
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(fn());
    int status = 0;
    struct rusage usage{};
    ::wait4(child, &status, 0, &usage);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "run failed (status %d)\n", status);
        return {-1, usage.ru_maxrss};
    }
    return {seconds, usage.ru_maxrss};
}

int receiveArchive(const fs::path& archive, int count, const fs::path& root)
{
    QuietHost host;
    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    ReceiveFinisher finisher(totals);
    ReceiveWorker worker(host, queue, totals, progress);
    std::atomic<bool> done{false};
    WorkerOutcome outcome;
    const auto begin = std::chrono::steady_clock::now();
    std::thread thread([&] {
        outcome = worker.run(archive.string(), root.string());
        done = true;
    });
    while (!done) {
        finisher.drain(queue);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    thread.join();
    finisher.drain(queue);
    const auto end = std::chrono::steady_clock::now();
    if (outcome.status != WorkerOutcome::Received)
        std::fprintf(stderr, "receive failed: %s\n", outcome.message.c_str());
    std::printf("    ours: taking attachments out %.3f s, receiving and placing %.3f s\n",
                std::chrono::duration<double>(host.tasksBegin - begin).count(),
                std::chrono::duration<double>(end - host.tasksBegin).count());
    std::fflush(stdout);
    return outcome.status == WorkerOutcome::Received && totals.attach.received == count
                   && finisher.failures().empty()
               ? 0
               : 1;
}

// The received folder must hold the very files the archive was made of.
bool sameFiles(const fs::path& expected, const fs::path& got, int count)
{
    int found = 0;
    for (const auto& e : fs::directory_iterator(got)) {
        if (!e.is_regular_file())
            continue;
        ++found;
        std::ifstream a(expected / e.path().filename(), std::ios::binary), b(e.path(), std::ios::binary);
        if (!a || !std::equal(std::istreambuf_iterator<char>(a), {}, std::istreambuf_iterator<char>(b), {}))
            return false;
    }
    return found == count;
}

void runCase(const fs::path& work, int count, std::size_t size, int runs, const char* label, const char* tag)
{
    const fs::path files = work / ("files-" + std::string(tag));
    makeFiles(files, count, size);
    const fs::path archive = work / ("bench-" + std::string(tag) + ".gpa");
    // The writer's temporary files (two made and deleted per entry) stay out
    // of the receiver's temporary folder: a publisher writes archives on
    // another machine, and ext4 makes new files slower to create right
    // after many were deleted beside them.
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string receiverTmp = oldTmp ? oldTmp : "";
    const fs::path writerTmp = work / "writer-tmp";
    fs::create_directories(writerTmp);
    ::setenv("TMPDIR", writerTmp.c_str(), 1);
    const bool written = writeArchive(files, count, archive);
    if (oldTmp)
        ::setenv("TMPDIR", receiverTmp.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    if (!written) {
        std::fprintf(stderr, "writing the archive failed (%d)\n", GuidePostArchive::LastError());
        return;
    }
    const fs::path zip = work / ("same-" + std::string(tag) + ".zip");
    std::string makeZip = "cd '" + files.string() + "' && zip -q -r '" + zip.string() + "' .";
    if (std::system(makeZip.c_str()) != 0) {
        std::fprintf(stderr, "zip failed\n");
        return;
    }
    std::printf("%s: archive %.1f MiB, zip %.1f MiB\n", label, fs::file_size(archive) / 1048576.0,
                fs::file_size(zip) / 1048576.0);
    std::pair<double, long> bestOurs{1e9, 0}, bestUnzip{1e9, 0};
    long peakOurs = 0, peakUnzip = 0;
    for (int run = 0; run < runs; ++run) {
        // Fresh folders each run, all deleted at the end: ext4 skips inodes
        // deleted in the last minute when it makes new files, so deleting the
        // last run's files first would slow whichever side comes next.
        const fs::path root = work / ("root-" + std::string(tag) + std::to_string(run));
        const fs::path unzipped = work / ("unzip-" + std::string(tag) + std::to_string(run));
        fs::create_directories(root);
        fs::create_directories(unzipped);
        ::sync();
        auto ours = measured([&] { return receiveArchive(archive, count, root); });
        ::sync();
        auto unzip = measured([&] {
            ::execlp("unzip", "unzip", "-q", "-o", zip.c_str(), "-d", unzipped.c_str(), static_cast<char*>(nullptr));
            return 127;
        });
        if (ours.first < 0 || unzip.first < 0 || !sameFiles(files, root / "out", count)) {
            std::fprintf(stderr, "%s: the receive did not give the same files\n", label);
            return;
        }
        std::printf("  run %d: ours %7.3f s  peak %6ld KiB | unzip %7.3f s  peak %6ld KiB\n", run + 1, ours.first,
                    ours.second, unzip.first, unzip.second);
        bestOurs = std::min(bestOurs, ours);
        bestUnzip = std::min(bestUnzip, unzip);
        peakOurs = std::max(peakOurs, ours.second);
        peakUnzip = std::max(peakUnzip, unzip.second);
    }
    std::printf("%-14s best: ours %7.3f s | unzip %7.3f s | ratio %.2f | peak ours %.1f MiB, unzip %.1f MiB\n",
                label, bestOurs.first, bestUnzip.first, bestOurs.first / bestUnzip.first, peakOurs / 1024.0,
                peakUnzip / 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const char* tmp = std::getenv("TMPDIR");
    fs::path base = argc > 2 ? fs::path(argv[2]) : fs::path(tmp && *tmp ? tmp : "/tmp");
    std::string tmpl = (base / "CVbenchXXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path work(tmpl);
    runCase(work, 10000, 4096, runs, "10000 x 4 KiB", "small");
    runCase(work, 1000, 1 << 20, runs, "1000 x 1 MiB", "large");
    fs::remove_all(work);
    return 0;
}
