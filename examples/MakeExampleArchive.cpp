// Writes the bundled example archive 運動会の写真.gpa from the files in the
// folder 運動会の写真: a photo task that keeps newer files and a zip task with
// the handouts, both carried inside the archive.
//
//   make-example-archive SOURCE_FOLDER TARGET.gpa

#include "guidepost/CAMData.h"
#include "guidepost/CAMException.h"
#include "guidepost/GuidePostArchive.h"
#include "guidepost/Keywords.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

// 2024-10-14 09:00 JST: a fixed stamp, so that regenerating the archive
// changes nothing a recipient sees.
constexpr std::int64_t eventTime = 1728864000;

bool attach(TaskRecord& task, const fs::path& folder, const std::string& name)
{
    const fs::path source = folder / fs::u8path(name);
    std::error_code error;
    const auto size = fs::file_size(source, error);
    if (error) {
        std::cerr << source.string() << ": " << error.message() << '\n';
        return false;
    }
    auto a = std::make_unique<AttachRecord>();
    a->name = name;
    a->sourcePath = source.string();
    a->time = eventTime;
    a->size = static_cast<std::int64_t>(size);
    task.attachments.push_back(std::move(a));
    return true;
}

// One attach source with one file list that takes every attachment of task
// under its own name.
void attachSource(TaskRecord& task, const std::string& listName, FolderList localFolder)
{
    auto source = std::make_unique<SourceRecord>();
    source->name = "添付ファイル";
    source->protocol = guidepost::ProtocolAttach;
    auto list = std::make_unique<FileListRecord>();
    list->name = listName;
    list->localFolder = std::move(localFolder);
    for (const auto& a : task.attachments) {
        auto f = std::make_unique<FileRecord>();
        f->name = a->name;
        f->remote = a->name;
        f->timePresent = true;
        f->time = eventTime;
        list->files.push_back(std::move(f));
    }
    source->fileLists.push_back(std::move(list));
    task.sources.push_back(std::move(source));
}

bool setFolder(TaskRecord& task, const std::string& text)
{
    return CAMData::ParseFolder(text, task.folderText, task.folderList);
}

bool build(CAMData& model, const fs::path& folder)
{
    model.local = true;
    model.name = "運動会の写真";
    model.description = "青葉小学校の運動会の写真と、当日のしおりです。";
    model.creator = "青葉小学校 写真係";
    model.comment = "写真は「運動会\\写真」に、しおりはZIPファイルにまとめて届きます。";
    model.datePresent = true;
    model.dateYear = 2024;
    model.dateMonth = 10;
    model.dateDay = 14;
    model.contentVersion = "第1版";

    auto photos = std::make_unique<TaskRecord>();
    photos->name = "運動会の写真";
    photos->update = guidepost::UpdateUp2Date;
    if (!setFolder(*photos, "運動会\\写真"))
        return false;
    for (const char* name : {"校庭.png", "お知らせ.txt"})
        if (!attach(*photos, folder, name))
            return false;
    attachSource(*photos, "写真とお知らせ", {});
    // Browse entries name a file by its browse identifier.
    for (auto& file : photos->sources.back()->fileLists.back()->files)
        if (file->name == "お知らせ.txt")
            file->browseId = "oshirase";

    auto handouts = std::make_unique<TaskRecord>();
    handouts->name = "運動会のしおり";
    handouts->destinationType = guidepost::DestinationZip;
    handouts->zipFileName = "運動会のしおり.zip";
    if (!setFolder(*handouts, "運動会"))
        return false;
    for (const char* name : {"プログラム.txt", "持ち物.txt"})
        if (!attach(*handouts, folder, name))
            return false;
    attachSource(*handouts, "しおり", {});

    model.tasks.push_back(std::move(photos));
    model.tasks.push_back(std::move(handouts));

    auto notice = std::make_unique<BrowseRecord>();
    notice->title = "運動会のお知らせ";
    notice->target = "oshirase";
    notice->description = "最初にお読みください";
    notice->favorite = true;
    model.browse.push_back(std::move(notice));
    auto school = std::make_unique<BrowseRecord>();
    school->title = "青葉小学校のホームページ";
    school->target = "https://aoba-school.example/";
    school->remote = true;
    model.browse.push_back(std::move(school));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "使い方: make-example-archive SOURCE_FOLDER TARGET.gpa\n";
        return 2;
    }
    CAMData model;
    if (!build(model, fs::path(argv[1])))
        return 1;
    // Write refuses an existing target; a fresh archive replaces the old one.
    std::error_code ignored;
    fs::remove(argv[2], ignored);
    if (!GuidePostArchive::Write(argv[2], model, false, nullptr, 0)) {
        const int code = GuidePostArchive::LastError();
        std::cerr << argv[2] << ": " << CAMException::messageFor(code) << '\n';
        return 1;
    }
    std::cout << argv[2] << '\n';
    return 0;
}
