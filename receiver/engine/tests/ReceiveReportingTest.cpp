// The reports of whole receives: a GuidePost document on disk, a web server
// on 127.0.0.1, the real worker, finisher and report pages.

#include "ScriptedHost.h"
#include "TestFolder.h"
#include "TestRecords.h"

#include "platform/tests/TestServers.h"

#include "receiver/engine/ReceiveReporting.h"
#include "receiver/engine/ReceiveSession.h"

#include "guidepost/CAMData.h"
#include "guidepost/CAMException.h"
#include "guidepost/TCXML.h"
#include "platform/Cp932Codec.h"
#include "platform/Settings.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

using namespace receive;
using namespace receive::test;

namespace {

struct ReceiveReportingTest : ::testing::Test {
    TestFolder dir;
    testservers::HttpServer http;
    std::vector<std::string> opened;

    void SetUp() override
    {
        TCXML::SetSchemaFolder(CV_BIN_DIR);
        platform::Settings::setStorageFolder(dir / "settings");
        platform::Shell::setOpener([this](const std::string& target) {
            opened.push_back(target);
            return true;
        });
        http.server.Get(R"(/files/(.+))", [](const httplib::Request& req, httplib::Response& res) {
            if (req.matches[1] == "missing.txt") {
                res.status = 404;
                return;
            }
            res.set_content("served " + std::string(req.matches[1]), "application/octet-stream");
        });
        http.start();
    }
    void TearDown() override
    {
        platform::Shell::setOpener({});
        TCXML::SetSchemaFolder("");
    }

    // Two tasks: "文書" with a page, a text and a missing file (opened after
    // the receive), "画像" with one picture.
    std::string writeGuidePost(bool withBrowse, bool openBoth)
    {
        CAMData model;
        model.name = "配布";
        model.creator = "作者";
        model.local = false;
        auto addTask = [&](const char* name, const char* folder, std::vector<const char*> files, bool open) {
            auto task = std::make_unique<TaskRecord>();
            task->name = name;
            task->folderText = folder;
            task->folderList = {folder};
            task->open = open;
            auto source = loopbackSource(guidepost::ProtocolHttp, http.port);
            auto list = std::make_unique<FileListRecord>();
            list->name = "list";
            list->remoteFolder = "/files";
            list->remoteFolderGiven = true;
            list->localFolder = {"sub"};
            for (const char* f : files) {
                auto file = std::make_unique<FileRecord>();
                file->remote = f;
                // Both tasks receive an index.htm; the first one carries the id.
                if (std::string(f) == "index.htm" && std::string(folder) == "docs")
                    file->browseId = "idx";
                list->files.push_back(std::move(file));
            }
            source->fileLists.push_back(std::move(list));
            task->sources.push_back(std::move(source));
            model.tasks.push_back(std::move(task));
        };
        addTask("文書", "docs", {"index.htm", "a.txt", "missing.txt"}, true);
        addTask("画像", "pics", {"p.jpg", "index.htm"}, openBoth);
        if (withBrowse) {
            auto b = std::make_unique<BrowseRecord>();
            b->target = "idx";
            b->title = "目次";
            b->description = "最初に";
            model.browse.push_back(std::move(b));
        }
        const std::string path = dir / "配布.gp";
        model.Save(path);
        return path;
    }

    // A whole receive through the session, every question answered with
    // its default button.
    ReceiveResult receive(const std::string& gp, reports::ReportSettings settings)
    {
        ReceiveSessionOptions options;
        options.reports = settings;
        ReceiveSession session(options);
        session.setEventHandler([&session](const SessionEvent& e) {
            if (e.kind == SessionEventKind::QuestionAsked)
                session.answer(e.questionId, Answer{e.question.defaultButton, {}, {}});
        });
        session.start(gp, dir / "root");
        return session.result();
    }
    std::string page(const std::string& name) const
    {
        return platform::Cp932Codec::toUtf8(readFile(dir / ("root/_html___/" + name)));
    }
};

// The rows the log must hold for the files of the first task, as the log's
// table gives them (HTTP rows in the first colour): the remote name without
// the server's folder, and no transfer mode.
std::string fileRow(const std::string& name, int size)
{
    return receivedRow("#e4efec", name, name, "--", size);
}

TEST_F(ReceiveReportingTest, ReportLogAndErrorReportOfAReceiveWithLinksAndAFailure)
{
    reports::ReportSettings settings;
    settings.genReport = settings.logging = settings.showReport = true;
    settings.reportStyle = 1;
    ReceiveResult run = receive(writeGuidePost(true, true), settings);
    ASSERT_EQ(run.outcome, ReceiveOutcome::Succeeded) << run.message;

    const std::string html = dir / "root/_html___";
    EXPECT_EQ(run.pagePath(PageKind::Report), html + "/Report01.htm");
    EXPECT_EQ(run.pagePath(PageKind::Log), html + "/Log01.htm");
    EXPECT_EQ(run.pagePath(PageKind::ErrorReport), html + "/Error01.htm");

    // One row per received file, in order, then the totals.
    std::string log = page("Log01.htm");
    std::size_t index = log.find(fileRow("index.htm", 16));
    std::size_t text = log.find(fileRow("a.txt", 12));
    std::size_t picture = log.find(fileRow("p.jpg", 12));
    ASSERT_NE(index, std::string::npos) << log;
    ASSERT_NE(text, std::string::npos);
    ASSERT_NE(picture, std::string::npos);
    EXPECT_LT(index, text);
    EXPECT_LT(text, picture);
    // A failed file's row names it by its local and its remote name.
    EXPECT_NE(log.find("<font color=\"red\">F</font></td><td bgcolor=\"#ecece4\">ファイル</td><td bgcolor=\"#ecece4\">"
                       "missing.txt</td><td bgcolor=\"#ecece4\">missing.txt</td>"),
              std::string::npos);
    EXPECT_NE(log.find("<FONT face=\"Courier New\">4 (失敗 : 1)</FONT>"), std::string::npos);
    EXPECT_NE(log.find("受信レポートへ戻る"), std::string::npos);

    // The report links the page that carries the browse id (not the later
    // one of the same name), names both tasks and the log.
    std::string report = page("Report01.htm");
    EXPECT_NE(report.find("<a href=\"file://" + dir.path.string() + "/root/docs/sub/index.htm\" target=\"_self\">目次</a>"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find(">文書</TD><TD bgcolor=\"#e4efec\">" + dir.path.string() + "/root/docs</TD>"),
              std::string::npos);
    EXPECT_NE(report.find(">画像</TD><TD bgcolor=\"#ecece4\">" + dir.path.string() + "/root/pics</TD>"),
              std::string::npos);
    EXPECT_NE(report.find("Log01.htm"), std::string::npos);
    // Each error names the task, source and file list it arose in; the 404
    // status line comes first, so the file's own line is the second row.
    std::string errors = page("Error01.htm");
    std::size_t missing = errors.find("ファイル[ missing.txt ]を取得できませんでした。");
    ASSERT_NE(missing, std::string::npos) << errors;
    std::size_t row = errors.rfind("<TR>", missing);
    ASSERT_NE(row, std::string::npos);
    EXPECT_NE(errors.substr(row, missing - row)
                  .find(">2</TD><TD bgcolor=\"#ecece4\">文書</TD><TD bgcolor=\"#ecece4\">server</TD>"
                        "<TD bgcolor=\"#ecece4\">list</TD><TD bgcolor=\"#ecece4\">"),
              std::string::npos)
        << errors.substr(row, missing - row);

    // To open: the error report, then the frame of the report and both
    // folders; the host opens them, nothing else does.
    EXPECT_EQ(run.errorReportToOpen, html + "/Error01.htm");
    EXPECT_EQ(run.pageToOpen, html + "/Frame01.htm");
    EXPECT_TRUE(opened.empty());
    platform::Settings store;
    reports::RecentReceiveList recent;
    recent.load(store);
    ASSERT_EQ(recent.count(), 1);
    EXPECT_EQ(recent.entries()[0].title, "配布");
    EXPECT_EQ(recent.entries()[0].target, html + "/Frame01.htm");
    EXPECT_EQ(recent.entries()[0].folder, html + "/MRR01.htm");
}

TEST_F(ReceiveReportingTest, WithoutReportTheSingleOpenFolderIsOpenedAndNoLogIsWritten)
{
    reports::ReportSettings settings;  // the defaults: no report, no log
    ReceiveResult run = receive(writeGuidePost(false, false), settings);
    ASSERT_EQ(run.outcome, ReceiveOutcome::Succeeded) << run.message;
    EXPECT_TRUE(run.pagePath(PageKind::Report).empty());
    EXPECT_TRUE(run.pagePath(PageKind::Log).empty());
    EXPECT_FALSE(fs::exists(dir / "root/_html___/Log00.htm"));
    EXPECT_FALSE(fs::exists(dir / "root/_html___/Report01.htm"));
    // The one folder is to be opened, and the error report is written.
    EXPECT_EQ(run.pageToOpen, dir / "root/docs");
    EXPECT_EQ(run.errorReportToOpen, dir / "root/_html___/Error01.htm");
    EXPECT_TRUE(opened.empty());
    platform::Settings store;
    reports::RecentReceiveList recent;
    recent.load(store);
    ASSERT_EQ(recent.count(), 1);
    EXPECT_EQ(recent.entries()[0].target, dir / "root/docs");
}

TEST_F(ReceiveReportingTest, NothingReceivedWritesTheReportButNoRecentReceive)
{
    reports::ReportSettings settings;
    settings.genReport = settings.logging = true;
    const std::string gp = writeGuidePost(false, false);
    receive(gp, settings);
    platform::Settings::setStorageFolder(dir / "settings2");
    // Everything is there now and kept: nothing is received.
    CAMData model;
    ASSERT_TRUE(model.Load(gp));
    for (auto& task : model.tasks)
        for (auto& list : task->sources[0]->fileLists)
            for (auto& file : list->files)
                file->update = guidepost::UpdateIfNotExist;
    model.Save(gp);
    ReceiveResult run = receive(gp, settings);
    EXPECT_EQ(run.outcome, ReceiveOutcome::NothingReceived);
    EXPECT_EQ(run.code, CAMException::NothingReceived);
    EXPECT_EQ(run.caption, "受信終了");
    EXPECT_EQ(run.icon, QuestionIcon::Warning);
    EXPECT_EQ(run.pagePath(PageKind::Report), dir / "root/_html___/Report02.htm");
    EXPECT_FALSE(run.recentAdded);
    // Kept files are logged with the blue N.
    EXPECT_NE(page("Log02.htm").find("<font color=\"blue\">N</font>"), std::string::npos);
    platform::Settings store;
    reports::RecentReceiveList recent;
    recent.load(store);
    EXPECT_EQ(recent.count(), 0);
}

TEST_F(ReceiveReportingTest, AnUncreatableLogTurnsLoggingOffForTheRun)
{
    fs::create_directories(dir / "root/_html___/Log01.htm");  // a folder where the log goes
    reports::ReportSettings settings;
    settings.genReport = settings.logging = settings.showReport = true;
    settings.reportStyle = 1;
    ReceiveResult run = receive(writeGuidePost(false, false), settings);
    EXPECT_EQ(run.outcome, ReceiveOutcome::Succeeded);
    EXPECT_EQ(run.warnings, std::vector<std::string>{"ログファイル作成中にエラーが生じたのでログの作成を中止します"});
    EXPECT_TRUE(run.pagePath(PageKind::Log).empty());
    EXPECT_NE(page("Report01.htm").find("受信ログを作成しませんでした。"), std::string::npos);
}

// corvan-cli receive as a user runs it, with the report settings for one run.
int runCli(const std::string& arguments, const TestFolder& dir)
{
    fs::create_directories(dir / "tmp");
    std::string command = "cd '" + dir.path.string() + "' && HOME='" + (dir / "home") + "' XDG_CONFIG_HOME='"
        + (dir / "home/.config") + "' TMPDIR='" + (dir / "tmp") + "' '" + CV_BIN_DIR + "/corvan-cli' receive "
        + arguments + " </dev/null >'"
        + (dir / "out.txt") + "' 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ReceiveReportingTest, CorvanCliWritesThePagesPrintsThemAndOpensNothingWithoutOpen)
{
    if (!fs::exists(std::string(CV_BIN_DIR) + "/corvan-cli"))
        GTEST_SKIP() << "corvan-cli is not built";
    writeGuidePost(true, false);
    ASSERT_EQ(runCli("配布.gp --root root --yes --gen-report=yes --logging=yes --report-rotation=no", dir), 0)
        << readFile(dir / "out.txt");
    std::string out = readFile(dir / "out.txt");
    std::vector<std::string> pages;
    for (const auto& e : fs::directory_iterator(dir / "root/_html___"))
        pages.push_back(e.path().filename().string());
    // Unique names: the title and the start time.
    auto named = [&](const std::string& suffix) {
        for (const std::string& p : pages)
            if (p.rfind("配布", 0) == 0 && p.size() == std::string("配布").size() + 14 + suffix.size()
                && p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0)
                return dir / ("root/_html___/" + p);
        return std::string();
    };
    const std::string report = named(".htm"), log = named("_log.htm"), error = named("_err.htm");
    ASSERT_FALSE(report.empty()) << out;
    ASSERT_FALSE(log.empty());
    ASSERT_FALSE(error.empty());
    EXPECT_NE(out.find("レポート: " + report), std::string::npos) << out;
    EXPECT_NE(out.find("ログ: " + log), std::string::npos);
    EXPECT_NE(out.find("エラーレポート: " + error), std::string::npos);
    // The frame of the report and the opened folder, and the error report,
    // are only named.
    EXPECT_NE(out.find("開くページ（--open で開きます）: " + named("_frame.htm")), std::string::npos);
    EXPECT_NE(out.find("開くページ（--open で開きます）: " + error), std::string::npos);
    std::string logText = platform::Cp932Codec::toUtf8(readFile(log));
    EXPECT_NE(logText.find(fileRow("index.htm", 16)), std::string::npos);
    EXPECT_NE(logText.find(fileRow("a.txt", 12)), std::string::npos);

    // The stored settings are the user's: a run's flags do not change them.
    EXPECT_FALSE(fs::exists(dir / "home/.config/Quillmere/Corvandelle.conf")
                 && readFile(dir / "home/.config/Quillmere/Corvandelle.conf").find("GenReport") != std::string::npos);
    EXPECT_NE(readFile(dir / "home/.config/Quillmere/Corvandelle.conf").find("Title0="), std::string::npos);

    EXPECT_EQ(runCli("配布.gp --root root --yes --report-style=3", dir), 2);
    EXPECT_EQ(runCli("配布.gp --root root --yes --logging=maybe", dir), 2);
}

} // namespace
