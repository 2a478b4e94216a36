#include "ScriptedHost.h"
#include "TestFolder.h"
#include "TestRecords.h"

#include "platform/tests/TestServers.h"

#include "guidepost/CAMException.h"
#include "receiver/engine/ReceiveEngine.h"
#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveFinisher.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveTexts.h"
#include "receiver/engine/ReceiveTotals.h"

#include <gtest/gtest.h>

using namespace receive;
using namespace receive::test;

namespace {

// A web server on 127.0.0.1 whose files all carry one Last-Modified time.
struct HttpReceiveTest : ::testing::Test {
    TestFolder dir;
    testservers::HttpServer http;
    std::vector<std::unique_ptr<TaskRecord>> tasks;
    GuidePostHead head;
    ScriptedHost host;
    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    std::vector<std::string> errorLines;
    static constexpr std::int64_t serverTime = 1'600'000'000;  // Sun, 13 Sep 2020 12:26:40 GMT

    void SetUp() override
    {
        http.server.Get(R"(/files/(.+))", [](const httplib::Request& req, httplib::Response& res) {
            if (req.matches[1] == "missing.txt") {
                res.status = 404;
                return;
            }
            res.set_header("Last-Modified", "Sun, 13 Sep 2020 12:26:40 GMT");
            res.set_content("served " + std::string(req.matches[1]), "application/octet-stream");
        });
        http.start();
        head.name = "web";
        fs::create_directories(dir / "root");
    }
    FileListRecord& list(int update = 0)
    {
        auto task = std::make_unique<TaskRecord>();
        task->name = "T";
        task->folderText = "web";
        auto source = loopbackSource(guidepost::ProtocolHttp, http.port);
        auto l = std::make_unique<FileListRecord>();
        l->name = "list";
        l->remoteFolder = "/files";
        l->remoteFolderGiven = true;
        l->update = update;
        source->fileLists.push_back(std::move(l));
        task->sources.push_back(std::move(source));
        tasks.push_back(std::move(task));
        return *tasks.back()->sources.back()->fileLists.back();
    }
    static void file(FileListRecord& l, const std::string& remote, const std::string& name = {})
    {
        auto f = std::make_unique<FileRecord>();
        f->remote = remote;
        f->name = name;
        l.files.push_back(std::move(f));
    }
    int run()
    {
        ReceiveEngine engine(host, queue, totals, progress);
        ReceiveFinisher finisher(totals);
        int code = -1;
        try {
            engine.Receive(head, tasks, dir / "root");
        } catch (const CAMException& e) {
            code = e.code();
        }
        finisher.drain(queue);
        errorLines = engine.errorLines();
        return code;
    }
};

TEST_F(HttpReceiveTest, FilesArriveFailuresAreListedAndTheReceiveGoesOn)
{
    FileListRecord& l = list();
    l.synchronize = true;
    file(l, "a.txt");
    file(l, "missing.txt");
    file(l, "b.txt", "local-b.txt");
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(readFile(dir / "root/web/a.txt"), "served a.txt");
    EXPECT_EQ(readFile(dir / "root/web/local-b.txt"), "served b.txt");
    EXPECT_EQ(timeOf(dir / "root/web/a.txt"), serverTime) << "synchronized to Last-Modified";
    EXPECT_FALSE(fs::exists(dir / "root/web/missing.txt"));
    EXPECT_EQ(totals.http.received, 2);
    EXPECT_EQ(totals.http.failed, 1);
    bool listed = false;
    for (const auto& line : errorLines)
        listed = listed || line.find("missing.txt") != std::string::npos;
    EXPECT_TRUE(listed);
    bool statusPosted = false;
    for (const auto& [message, value] : host.posted)
        statusPosted = statusPosted || message == ReceiveNotice::ConnectionStatus;
    EXPECT_TRUE(statusPosted);
}

TEST_F(HttpReceiveTest, Up2DateComparesTheServerTimeAndTheOverwritePromptDecidesTheRest)
{
    writeFile(dir / "root/web/same.txt", "old same");
    setTime(dir / "root/web/same.txt", serverTime);
    writeFile(dir / "root/web/older.txt", "old older");
    setTime(dir / "root/web/older.txt", serverTime - 10);
    FileListRecord& l = list(guidepost::UpdateUp2Date);
    file(l, "same.txt");
    file(l, "older.txt");
    EXPECT_EQ(run(), -1);
    EXPECT_EQ(host.count(QuestionKind::UpdateUp2Date), 1);
    EXPECT_EQ(readFile(dir / "root/web/same.txt"), "old same") << "equal times: not received";
    EXPECT_EQ(readFile(dir / "root/web/older.txt"), "served older.txt");

    tasks.clear();
    host.script(QuestionKind::Overwrite, {OverwriteStopAll});
    FileListRecord& ask = list();
    file(ask, "same.txt");
    file(ask, "a.txt");
    EXPECT_EQ(run(), CAMException::UserCancelled);
    EXPECT_EQ(readFile(dir / "root/web/same.txt"), "old same");
    EXPECT_FALSE(fs::exists(dir / "root/web/a.txt"));
    EXPECT_EQ(errorLines.back(), texts::cancelledLine);
}

} // namespace
