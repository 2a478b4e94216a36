// Writes and reads back (every entry extracted) an archive of N files of
// 1 MiB, half compressible text and half random bytes, and times zip -r +
// unzip and tar czf + tar xzf on the same files in the same run. Reports our
// peak resident memory, which must not grow with the attachments.

#include "guidepost/CAMData.h"
#include "guidepost/GuidePostArchive.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

double seconds(const std::function<bool()>& step)
{
    auto start = std::chrono::steady_clock::now();
    if (!step()) {
        std::fprintf(stderr, "step failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

std::uint64_t folderBytes(const fs::path& folder)
{
    std::uint64_t total = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            total += e.file_size();
    return total;
}

void makeFiles(const fs::path& folder, int count)
{
    fs::create_directories(folder);
    std::mt19937_64 random(42);
    std::vector<char> buffer(1 << 20);
    const char* words[] = {"GuidePost ", "添付ファイル ", "archive ", "receiver ", "album ", "2026 ", "\n"};
    for (int i = 0; i < count; ++i) {
        if (i % 2 == 0) {
            std::size_t pos = 0;
            while (pos < buffer.size()) {
                const char* w = words[random() % 7];
                for (std::size_t k = 0; w[k] && pos < buffer.size(); ++k)
                    buffer[pos++] = w[k];
            }
        } else {
            for (std::size_t k = 0; k < buffer.size(); k += 8) {
                std::uint64_t v = random();
                std::memcpy(buffer.data() + k, &v, 8);
            }
        }
        std::string name = "f";
        name += std::to_string(i);
        name += ".dat";
        std::ofstream(folder / name, std::ios::binary)
            .write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    }
}

} // namespace

int main(int argc, char** argv)
{
    int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    fs::path work = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "cv-archive-bench";
    fs::remove_all(work);
    fs::path files = work / "files";
    makeFiles(files, count);
    run("sync");

    CAMData model;
    model.local = true;
    for (int i = 0; i < count; ++i) {
        if (i % 500 == 0) {
            auto task = std::make_unique<TaskRecord>();
            task->name = "task";
            task->name += std::to_string(i / 500);
            task->folderText = "bench";
            task->folderList = {"bench"};
            auto source = std::make_unique<SourceRecord>();
            source->name = "s";
            source->serverName = "example.invalid";
            auto list = std::make_unique<FileListRecord>();
            list->name = "l";
            auto file = std::make_unique<FileRecord>();
            file->name = file->remote = "x";
            list->files.push_back(std::move(file));
            source->fileLists.push_back(std::move(list));
            task->sources.push_back(std::move(source));
            model.tasks.push_back(std::move(task));
        }
        auto a = std::make_unique<AttachRecord>();
        a->name = "f";
        a->name += std::to_string(i);
        a->name += ".dat";
        a->sourcePath = (files / a->name).string();
        model.tasks.back()->attachments.push_back(std::move(a));
    }

    fs::path gpa = work / "bench.gpa";
    double ourWrite = seconds([&] { return GuidePostArchive::Write(gpa.string(), model, false, nullptr, 0); });
    fs::path ourOut = work / "ours";
    fs::create_directories(ourOut);
    double ourRead = seconds([&] {
        ArchiveIndex index;
        if (!GuidePostArchive::ReadIndex(gpa.string(), index))
            return false;
        fs::remove(index.documentPath);
        for (const auto& r : index.records)
            if (!GuidePostArchive::ExtractEntry(gpa.string(), (ourOut / r.name).string(), r, nullptr, 0))
                return false;
        return true;
    });
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    if (folderBytes(ourOut) != folderBytes(files)) {
        std::fprintf(stderr, "extracted bytes differ\n");
        return 1;
    }

    const std::string w = work.string();
    double zipWrite = seconds([&] { return run("cd '" + w + "' && zip -qr files.zip files"); });
    double zipRead = seconds([&] { return run("cd '" + w + "' && mkdir -p unz && unzip -qo files.zip -d unz"); });
    double tarWrite = seconds([&] { return run("cd '" + w + "' && tar czf files.tgz files"); });
    double tarRead = seconds([&] { return run("cd '" + w + "' && mkdir -p untar && tar xzf files.tgz -C untar"); });

    double input = static_cast<double>(folderBytes(files));
    auto size = [&](const char* name) { return static_cast<double>(fs::file_size(work / name)); };
    std::printf("files: %d x 1 MiB (%.0f MiB)\n", count, input / 1048576.0);
    std::printf("%-10s %9s %9s %8s\n", "", "write s", "read s", "ratio");
    std::printf("%-10s %9.2f %9.2f %8.3f\n", "gpa", ourWrite, ourRead, fs::file_size(gpa) / input);
    std::printf("%-10s %9.2f %9.2f %8.3f\n", "zip", zipWrite, zipRead, size("files.zip") / input);
    std::printf("%-10s %9.2f %9.2f %8.3f\n", "tar.gz", tarWrite, tarRead, size("files.tgz") / input);
    std::printf("gpa/zip: write %.2fx, read %.2fx\n", ourWrite / zipWrite, ourRead / zipRead);
    std::printf("peak memory (ru_maxrss): %.1f MiB\n", usage.ru_maxrss / 1024.0);
    fs::remove_all(work);
    return 0;
}
