// The reports of a receive of a GuidePost archive (built once the archive
// code is in the library).

#include "TestFolder.h"
#include "TestRecords.h"

#include "receiver/engine/ReceiveSession.h"
#include "receiver/reports/RecentReceiveList.h"

#include "guidepost/CAMData.h"
#include "guidepost/GuidePostArchive.h"
#include "guidepost/TCXML.h"
#include "platform/Cp932Codec.h"
#include "platform/Settings.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

using namespace receive;
using namespace receive::test;

namespace {

// One task "写真" with two attachments received into 受信/写真/sub.
void buildArchive(const TestFolder& dir, const std::string& archive)
{
    CAMData model;
    model.name = "配布";
    model.local = true;
    auto task = std::make_unique<TaskRecord>();
    task->name = "写真";
    task->folderText = "受信\\写真";
    task->folderList = {"受信", "写真"};
    auto source = std::make_unique<SourceRecord>();
    source->name = "添付";
    source->protocol = guidepost::ProtocolAttach;
    auto list = std::make_unique<FileListRecord>();
    list->name = "list";
    list->localFolder = {"sub"};
    for (const char* name : {"一.txt", "two.bin"}) {
        attachFile(*task, dir, name, std::string("contents of ") + name);
        auto f = std::make_unique<FileRecord>();
        f->name = name;
        f->remote = name;
        list->files.push_back(std::move(f));
    }
    source->fileLists.push_back(std::move(list));
    task->sources.push_back(std::move(source));
    model.tasks.push_back(std::move(task));
    ASSERT_TRUE(GuidePostArchive::Write(archive, model, false, nullptr, 0));
}

// An attachment's row: the second colour, no transfer mode.
std::string attachRow(const std::string& name, int size)
{
    return receivedRow("#ecece4", name, name, "--", size);
}

TEST(ArchiveReportTest, AnArchiveReceiveWritesReportLogAndRecentReceive)
{
    TestFolder dir;
    TCXML::SetSchemaFolder(CV_BIN_DIR);
    platform::Settings::setStorageFolder(dir / "settings");
    std::vector<std::string> opened;
    platform::Shell::setOpener([&](const std::string& target) {
        opened.push_back(target);
        return true;
    });
    const std::string archive = dir / "配布.gpa";
    buildArchive(dir, archive);

    ReceiveSessionOptions options;
    options.reports.genReport = options.reports.logging = true;
    ReceiveSession session(options);
    session.setEventHandler([&session](const SessionEvent& e) {
        if (e.kind == SessionEventKind::QuestionAsked)
            session.answer(e.questionId, Answer{e.question.defaultButton, {}, {}});
    });
    session.start(archive, dir / "root");
    ReceiveResult result = session.result();
    platform::Shell::setOpener({});
    TCXML::SetSchemaFolder("");
    ASSERT_EQ(result.outcome, ReceiveOutcome::Succeeded) << result.message;

    const std::string html = dir / "root/_html___";
    EXPECT_TRUE(fs::exists(html + "/Report01.htm"));
    EXPECT_FALSE(fs::exists(html + "/Error01.htm"));
    std::string log = platform::Cp932Codec::toUtf8(readFile(html + "/Log01.htm"));
    std::size_t first = log.find(attachRow("一.txt", 19));
    std::size_t second = log.find(attachRow("two.bin", 19));
    ASSERT_NE(first, std::string::npos) << log;
    ASSERT_NE(second, std::string::npos) << log;
    EXPECT_LT(first, second);
    EXPECT_NE(log.find("<FONT face=\"Courier New\">添付</FONT>"), std::string::npos);
    // No folder marked for opening: the report itself is opened and remembered.
    EXPECT_TRUE(opened.empty()) << "the host opens the pages";
    EXPECT_EQ(result.pageToOpen, html + "/Report01.htm");
    platform::Settings store;
    reports::RecentReceiveList recent;
    recent.load(store);
    ASSERT_EQ(recent.count(), 1);
    EXPECT_EQ(recent.entries()[0].target, html + "/Report01.htm");
    EXPECT_EQ(recent.entries()[0].folder, html + "/MRR01.htm");
}

// A save root given relative to the working folder is made absolute once:
// every file:// link of the pages and the recent receive list name absolute
// paths, which stay right wherever the viewer or another program opens them.
TEST(ArchiveReportTest, ARelativeSaveRootGivesAbsoluteLinksAndRecentReceives)
{
    TestFolder dir;
    TCXML::SetSchemaFolder(CV_BIN_DIR);
    platform::Settings::setStorageFolder(dir / "settings");
    const std::string archive = dir / "配布.gpa";
    buildArchive(dir, archive);

    ReceiveSessionOptions options;
    options.reports.genReport = options.reports.logging = true;
    ReceiveSession session(options);
    session.setEventHandler([&session](const SessionEvent& e) {
        if (e.kind == SessionEventKind::QuestionAsked)
            session.answer(e.questionId, Answer{e.question.defaultButton, {}, {}});
    });
    const fs::path before = fs::current_path();
    fs::current_path(dir.path);
    session.start("配布.gpa", "rel");
    ReceiveResult result = session.result();
    fs::current_path(before);
    TCXML::SetSchemaFolder("");
    ASSERT_EQ(result.outcome, ReceiveOutcome::Succeeded) << result.message;

    const std::string html = dir / "rel/_html___";
    EXPECT_EQ(result.pageToOpen, html + "/Report01.htm");
    const std::string absolute = dir.path.string() + "/";
    int links = 0;
    for (const char* name : {"Report01.htm", "Log01.htm"}) {
        const std::string page = platform::Cp932Codec::toUtf8(readFile(html + "/" + name));
        for (std::size_t at = page.find("href=\"file://"); at != std::string::npos;
             at = page.find("href=\"file://", at + 1), ++links)
            EXPECT_EQ(page.compare(at + 13, absolute.size(), absolute), 0) << name << ": " << page.substr(at, 80);
    }
    EXPECT_GE(links, 1) << "the report links its log";
    platform::Settings store;
    reports::RecentReceiveList recent;
    recent.load(store);
    ASSERT_EQ(recent.count(), 1);
    EXPECT_EQ(recent.entries()[0].target, html + "/Report01.htm");
    EXPECT_EQ(recent.entries()[0].folder, html + "/MRR01.htm");
}

} // namespace
