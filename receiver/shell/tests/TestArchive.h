#pragma once
// GuidePost archives the window tests receive: tasks whose files travel
// inside the archive, optionally enciphered.

#include "guidepost/CAMData.h"
#include "guidepost/GuidePostArchive.h"
#include "guidepost/Keywords.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace shelltest {

struct ArchiveTask {
    std::string name;
    std::string folder;  // "a\\b"
    int update = guidepost::UpdateDefault;
    std::vector<std::pair<std::string, std::string>> files;  // name, contents
};

// Writes the archive at path (its files are staged in path + ".src").
inline bool writeArchive(const std::filesystem::path& path, const std::string& title,
                         const std::vector<ArchiveTask>& tasks, const std::string& cipherCode = {})
{
    namespace fs = std::filesystem;
    const fs::path staging = path.string() + ".src";
    CAMData model;
    model.local = true;
    model.name = title;
    model.creator = "テスト係";
    model.comment = "テストのための配布です。";
    model.contentVersion = "第1版";
    model.datePresent = true;
    model.dateYear = 2024, model.dateMonth = 10, model.dateDay = 14;
    model.encrypt = !cipherCode.empty();
    int n = 0;
    for (const ArchiveTask& t : tasks) {
        auto task = std::make_unique<TaskRecord>();
        task->name = t.name;
        task->update = t.update;
        if (!CAMData::ParseFolder(t.folder, task->folderText, task->folderList))
            return false;
        auto source = std::make_unique<SourceRecord>();
        source->name = "添付ファイル";
        source->protocol = guidepost::ProtocolAttach;
        auto list = std::make_unique<FileListRecord>();
        list->name = t.name + "のファイル";
        for (const auto& [name, contents] : t.files) {
            const fs::path file = staging / std::to_string(n++) / fs::u8path(name);
            fs::create_directories(file.parent_path());
            std::ofstream(file, std::ios::binary) << contents;
            auto a = std::make_unique<AttachRecord>();
            a->name = name;
            a->sourcePath = file.string();
            a->size = static_cast<std::int64_t>(contents.size());
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
    return GuidePostArchive::Write(path.string(), model, !cipherCode.empty(),
                                   reinterpret_cast<const unsigned char*>(cipherCode.data()), cipherCode.size());
}

inline std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace shelltest
