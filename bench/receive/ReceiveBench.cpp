// Times a receive of many attachments into an empty save root (engine on a
// worker thread, finishing on the main thread, as the hosts run it) against
// `unzip` of a zip holding the same files, in the same run. Goals: within 2x
// of unzip; peak memory flat, under 64 MiB.
//
//     receive_bench [work folder, default $TMPDIR]
//
// The attachments are taken from plain files standing in for the archive's
// entries, so the figures measure the engine and the finishing side.

#include "receiver/engine/ReceiveEngine.h"
#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveFinisher.h"
#include "receiver/engine/ReceiveHost.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveTotals.h"

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

struct QuietHost : ReceiveHost {
    // When the task loop began: everything before it is taking the
    // attachments out of the archive.
    std::chrono::steady_clock::time_point tasksBegin;
    void post(ReceiveMessage m, std::int64_t value) override
    {
        if (m == ReceiveMessage::TaskCount && value > 0)
            tasksBegin = std::chrono::steady_clock::now();
    }
    Answer ask(const Question& q) override { return Answer{q.defaultButton, {}, {}}; }
};

void makeFiles(const fs::path& folder, int count, std::size_t size)
{
    fs::create_directories(folder);
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>((i * 131 + size) & 0xFF);
    for (int i = 0; i < count; ++i)
        std::ofstream(folder / ("f" + std::to_string(i) + ".bin"), std::ios::binary) << body;
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
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "run failed (status %d)\n", status);
    return {seconds, usage.ru_maxrss};
}

int receiveAll(const fs::path& files, int count, const fs::path& root)
{
    GuidePostHead head;
    head.name = "bench";
    head.archived = true;
    std::vector<std::unique_ptr<TaskRecord>> tasks;
    auto task = std::make_unique<TaskRecord>();
    task->name = "bench";
    task->folderText = "out";
    auto source = std::make_unique<SourceRecord>();
    source->name = "attach";
    source->protocol = guidepost::ProtocolAttach;
    auto list = std::make_unique<FileListRecord>();
    for (int i = 0; i < count; ++i) {
        std::string name = "f" + std::to_string(i) + ".bin";
        auto a = std::make_unique<AttachRecord>();
        a->name = name;
        a->sourcePath = (files / name).string();
        a->fromArchive = true;
        task->attachments.push_back(std::move(a));
        auto f = std::make_unique<FileRecord>();
        f->name = name;
        f->remote = name;
        list->files.push_back(std::move(f));
    }
    source->fileLists.push_back(std::move(list));
    task->sources.push_back(std::move(source));
    tasks.push_back(std::move(task));

    QuietHost host;
    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    ReceiveFinisher finisher(totals);
    ReceiveEngine engine(host, queue, totals, progress);
    engine.setAttachmentExtractor([](const AttachRecord& a, const std::string& dest, const CipherKey&) {
        std::error_code ec;
        fs::copy_file(a.sourcePath, dest, fs::copy_options::overwrite_existing, ec);
        return !ec;
    });
    std::atomic<bool> done{false};
    bool ok = false;
    const auto begin = std::chrono::steady_clock::now();
    std::thread worker([&] {
        try {
            ok = engine.Receive(head, tasks, root.string());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "receive failed: %s\n", e.what());
        }
        done = true;
    });
    while (!done) {
        if (finisher.drain(queue) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    finisher.drain(queue);
    const auto end = std::chrono::steady_clock::now();
    std::printf("  (taking attachments out %.3f s, receiving and placing %.3f s)\n",
                std::chrono::duration<double>(host.tasksBegin - begin).count(),
                std::chrono::duration<double>(end - host.tasksBegin).count());
    std::fflush(stdout);
    return ok && totals.attach.received == count && finisher.failures().empty() ? 0 : 1;
}

void runCase(const fs::path& work, int count, std::size_t size, const char* label)
{
    const fs::path files = work / ("files-" + std::string(label));
    makeFiles(files, count, size);
    const fs::path zip = work / ("same-" + std::string(label) + ".zip");
    std::string makeZip = "cd '" + files.string() + "' && zip -q -r '" + zip.string() + "' .";
    if (std::system(makeZip.c_str()) != 0) {
        std::fprintf(stderr, "zip failed\n");
        return;
    }
    const fs::path root = work / ("root-" + std::string(label));
    const fs::path unzipped = work / ("unzip-" + std::string(label));
    fs::create_directories(root);
    fs::create_directories(unzipped);
    auto engine = measured([&] { return receiveAll(files, count, root); });
    auto unzip = measured([&] {
        ::execlp("unzip", "unzip", "-q", "-o", zip.c_str(), "-d", unzipped.c_str(), static_cast<char*>(nullptr));
        return 127;
    });
    std::printf("%-18s receive %7.3f s  peak %6ld KiB | unzip %7.3f s  peak %6ld KiB | ratio %.2f\n", label,
                engine.first, engine.second, unzip.first, unzip.second, engine.first / unzip.first);
}

} // namespace

int main(int argc, char** argv)
{
    const char* tmp = std::getenv("TMPDIR");
    fs::path base = argc > 1 ? fs::path(argv[1]) : fs::path(tmp && *tmp ? tmp : "/tmp");
    std::string tmpl = (base / "CVbenchXXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path work(tmpl);
    runCase(work, 10000, 4096, "10000 x 4 KiB");
    runCase(work, 1000, 1 << 20, "1000 x 1 MiB");
    fs::remove_all(work);
    return 0;
}
