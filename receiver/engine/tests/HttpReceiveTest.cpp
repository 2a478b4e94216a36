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

#include <algorithm>
#include <atomic>
#include <thread>

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

// Files of a list over six connections against a server that answers each
// request after 20 ms: the questions, the events and the error lines are
// those of a one-connection receive, a missing file in the middle fails
// alone, and the server did see requests at the same time.
TEST_F(HttpReceiveTest, ManyConnectionsKeepEverythingInDocumentOrder)
{
    testservers::HttpServer slow;
    std::atomic<int> running{0}, most{0};
    slow.server.Get(R"(/files/(.+))", [&](const httplib::Request& req, httplib::Response& res) {
        const int now = ++running;
        for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        --running;
        if (req.matches[1] == "f061.txt") {
            res.status = 404;
            return;
        }
        res.set_content("served " + std::string(req.matches[1]), "application/octet-stream");
    });
    slow.start();
    struct Seen {
        std::vector<std::string> questions, events, errors;
        int most = 0;
    };
    auto receiveWith = [&](int connections) {
        tasks.clear();
        host.asked.clear();
        most = 0;
        fs::remove_all(dir / "root");
        writeFile(dir / "root/web/f050.txt", "old");
        auto task = std::make_unique<TaskRecord>();
        task->name = "T";
        task->folderText = "web";
        auto source = loopbackSource(guidepost::ProtocolHttp, slow.port);
        auto l = std::make_unique<FileListRecord>();
        l->name = "list";
        l->remoteFolder = "/files";
        l->remoteFolderGiven = true;
        for (int i = 1; i <= 120; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "f%03d.txt", i);
            file(*l, name);
        }
        source->fileLists.push_back(std::move(l));
        task->sources.push_back(std::move(source));
        tasks.push_back(std::move(task));

        ReceiveOptions options;
        options.transfer.connections = connections;
        ReceiveEngine engine(host, queue, totals, progress, options);
        EXPECT_NO_THROW(engine.Receive(head, tasks, dir / "root"));
        Seen seen;
        for (const Question& q : host.asked)
            seen.questions.push_back(std::to_string(static_cast<int>(q.kind)) + " " + q.text);
        while (std::optional<ReceiveEvent> e = queue.take(std::chrono::milliseconds(0))) {
            std::string row = std::to_string(e->eventKind) + " " + e->saveName + " " + std::to_string(e->byteCount);
            if (!e->tempPath.empty()) {
                row += " " + readFile(e->tempPath);
                fs::remove(e->tempPath);
            }
            seen.events.push_back(row);
        }
        seen.errors = engine.errorLines();
        seen.most = most;
        return seen;
    };
    const Seen one = receiveWith(1);
    const Seen six = receiveWith(6);
    EXPECT_EQ(one.most, 1);
    EXPECT_GE(six.most, 2);
    ASSERT_EQ(one.questions.size(), 2u);  // the welcome, the overwrite question of f050.txt
    EXPECT_NE(one.questions[1].find("f050.txt"), std::string::npos) << one.questions[1];
    EXPECT_EQ(six.questions, one.questions);
    EXPECT_EQ(six.events, one.events);
    EXPECT_EQ(six.errors, one.errors);
    ASSERT_GE(one.events.size(), 121u);
    const std::size_t first = one.events.size() - 121;  // after the task's and the source's rows
    EXPECT_EQ(one.events[first], "7 f001.txt 15 served f001.txt");
    EXPECT_EQ(one.events[first + 60], "8 f061.txt 0");
    EXPECT_EQ(one.events[first + 119], "7 f120.txt 15 served f120.txt");
    EXPECT_EQ(one.events.back(), "9  0");  // the end
    ASSERT_FALSE(one.errors.empty());
    EXPECT_NE(one.errors.back().find("f061.txt"), std::string::npos);
}


// Files that trickle in over four connections: the progress bytes are the sum
// over the files running at once, so they pass any one file's size, while one
// connection never shows more than the file it fetches; the counted bytes and
// the files are the same either way.
TEST_F(HttpReceiveTest, ProgressCountsTheBytesOfEveryRunningFile)
{
    static constexpr std::size_t fileSize = 32 * 1024, block = 2048;
    testservers::HttpServer slow;
    slow.server.Get(R"(/files/(.+))", [&](const httplib::Request& req, httplib::Response& res) {
        const char fill = req.matches[1].str().back();
        res.set_content_provider(fileSize, "application/octet-stream",
                                 [fill](std::size_t, std::size_t length, httplib::DataSink& sink) {
                                     std::this_thread::sleep_for(std::chrono::milliseconds(5));
                                     const std::string part(std::min(block, length), fill);
                                     return sink.write(part.data(), part.size());
                                 });
    });
    slow.start();
    auto receiveWith = [&](int connections) {
        tasks.clear();
        totals.zero();
        fs::remove_all(dir / "root");
        fs::create_directories(dir / "root");
        auto task = std::make_unique<TaskRecord>();
        task->name = "T";
        task->folderText = "web";
        auto source = loopbackSource(guidepost::ProtocolHttp, slow.port);
        auto l = std::make_unique<FileListRecord>();
        l->name = "list";
        l->remoteFolder = "/files";
        l->remoteFolderGiven = true;
        for (int i = 1; i <= 8; ++i)
            file(*l, "f" + std::to_string(i));
        source->fileLists.push_back(std::move(l));
        task->sources.push_back(std::move(source));
        tasks.push_back(std::move(task));

        ReceiveOptions options;
        options.transfer.connections = connections;
        ReceiveEngine engine(host, queue, totals, progress, options);
        ReceiveFinisher finisher(totals);
        std::atomic<bool> done{false};
        std::int64_t most = 0;
        std::thread watcher([&] {
            while (!done) {
                most = std::max<std::int64_t>(most, progress.fileReceived);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        EXPECT_NO_THROW(engine.Receive(head, tasks, dir / "root"));
        done = true;
        watcher.join();
        finisher.drain(queue);
        for (int i = 1; i <= 8; ++i)
            EXPECT_EQ(readFile(dir / ("root/web/f" + std::to_string(i))),
                      std::string(fileSize, static_cast<char>('0' + i)));
        return std::pair<std::int64_t, std::int64_t>{most, totals.http.bytes};
    };
    const auto [mostOne, bytesOne] = receiveWith(1);
    const auto [mostFour, bytesFour] = receiveWith(4);
    EXPECT_GT(mostOne, 0);
    EXPECT_LE(mostOne, static_cast<std::int64_t>(fileSize));
    EXPECT_GT(mostFour, static_cast<std::int64_t>(fileSize));
    EXPECT_EQ(bytesOne, 8 * static_cast<std::int64_t>(fileSize));
    EXPECT_EQ(bytesFour, bytesOne);
}

} // namespace
