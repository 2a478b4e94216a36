// Times loading (validation included) and saving a large GuidePost, and
// xmllint's schema validation of the same document for comparison.
//
//   guidepost_bench [TASKS SOURCES FILES]   (default 100 10 100)
//   guidepost_bench --write FILE            the default document, for profiling
//   guidepost_bench --load FILE             one load of FILE, in seconds

#include "guidepost/CAMData.h"
#include "guidepost/TCXML.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void build(CAMData& m, int tasks, int sources, int files)
{
    m.name = "ベンチマーク用のガイドポスト";
    m.creator = "計測係";
    m.comment = "大きな文書の読み込みと保存の時間を測ります。\r\n";
    m.local = true;
    for (int t = 0; t < tasks; ++t) {
        auto task = std::make_unique<TaskRecord>();
        task->name = "タスク" + std::to_string(t);
        task->folderList = {"計測", "タスク" + std::to_string(t)};
        task->update = t % 4;
        for (int s = 0; s < sources; ++s) {
            auto source = std::make_unique<SourceRecord>();
            source->name = "ソース" + std::to_string(s);
            source->protocol = s % 2;
            source->serverName = "server" + std::to_string(s) + ".example.invalid";
            auto list = std::make_unique<FileListRecord>();
            list->name = "リスト";
            list->remoteFolderGiven = true;
            list->remoteFolder = "/pub/データ/" + std::to_string(t) + "/";
            list->localFolder = {"サブ" + std::to_string(s)};
            for (int f = 0; f < files; ++f) {
                auto file = std::make_unique<FileRecord>();
                file->name = "写真" + std::to_string(f) + ".jpg";
                file->remote = "images/photo" + std::to_string(f) + ".jpg";
                file->browseId = std::to_string(t) + "-" + std::to_string(s) + "-" + std::to_string(f);
                file->timePresent = true;
                file->time = 1700000000 + f;
                file->mode = f % 3;
                list->files.push_back(std::move(file));
            }
            source->fileLists.push_back(std::move(list));
            task->sources.push_back(std::move(source));
        }
        m.tasks.push_back(std::move(task));
    }
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs a program and waits for it; its own peak memory comes from wait4.
bool runChild(const std::vector<std::string>& args, const std::string& output, long& maxRssKiB)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    maxRssKiB = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The load measurement runs in a process of its own so that its peak memory
// is the loader's alone.
int loadOnly(const std::string& path)
{
    CAMData model;
    auto start = Clock::now();
    const bool ok = model.Load(path);
    const double time = seconds(Clock::now() - start);
    if (!ok)
        return 1;
    std::printf("%.6f\n", time);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = 3;
    if (argc == 3 && std::string(argv[1]) == "--load")
        return loadOnly(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "--write") {  // keeps a document for profiling
        CAMData model;
        build(model, 100, 10, 100);
        model.Save(argv[2]);
        return 0;
    }

    const int tasks = argc > 1 ? std::atoi(argv[1]) : 100;
    const int sources = argc > 2 ? std::atoi(argv[2]) : 10;
    const int files = argc > 3 ? std::atoi(argv[3]) : 100;

    const fs::path folder = fs::temp_directory_path() / ("cvbench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string path = (folder / "bench.gp").string();
    const std::string output = (folder / "out.txt").string();

    std::vector<double> saveTimes, lintTimes;
    {
        CAMData model;
        build(model, tasks, sources, files);
        for (int i = 0; i < rounds; ++i) {
            auto start = Clock::now();
            model.Save(path);
            saveTimes.push_back(seconds(Clock::now() - start));
        }
    }
    std::printf("document: %d tasks x %d sources x %d files = %d files, %ju bytes\n", tasks, sources, files,
                tasks * sources * files, static_cast<std::uintmax_t>(fs::file_size(path)));

    // Each load runs in a fresh process, as each xmllint run does.
    long loadRss = 0, lintRss = 0;
    std::vector<double> loadTimes;
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    for (int i = 0; i < rounds; ++i) {
        if (!runChild({self, "--load", path}, output, loadRss)) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        double time = 0;
        if (FILE* f = std::fopen(output.c_str(), "r")) {
            if (std::fscanf(f, "%lf", &time) != 1)
                time = 0;
            std::fclose(f);
        }
        loadTimes.push_back(time);
    }
    const double load = median(loadTimes);

    const std::string schema = TCXML::SchemaPath(TCXML::GuidePost);
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        const bool ok = runChild({"xmllint", "--noout", "--schema", schema, path}, output, lintRss);
        lintTimes.push_back(seconds(Clock::now() - start));
        if (!ok) {
            std::fprintf(stderr, "xmllint failed\n");
            return 1;
        }
    }
    fs::remove_all(folder);

    const double save = median(saveTimes), lint = median(lintTimes);
    std::printf("save (median of %d):             %.3f s\n", rounds, save);
    std::printf("load with validation (median):   %.3f s\n", load);
    std::printf("xmllint --schema (median):       %.3f s\n", lint);
    std::printf("load / xmllint:                  %.2f (goal: at most 1.50)\n", load / lint);
    std::printf("peak memory, our load:           %ld KiB\n", loadRss);
    std::printf("peak memory, xmllint:            %ld KiB\n", lintRss);
    return 0;
}
