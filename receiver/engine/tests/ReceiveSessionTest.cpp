// The receive session driven as its hosts drive it: questions answered (or
// left pending) from the event handler, the snapshot read from another
// thread, cancel() at every stage of a receive. Real GuidePost documents,
// a web server and a silent server on 127.0.0.1, real report pages.

#include "TestFolder.h"
#include "TestRecords.h"

#include "platform/tests/TestServers.h"

#include "receiver/engine/ReceiveSession.h"
#include "receiver/engine/ReceiveTexts.h"

#include "guidepost/CAMData.h"
#include "guidepost/CAMException.h"
#include "guidepost/TCXML.h"
#include "platform/Cp932Codec.h"
#include "platform/Settings.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

using namespace receive;
using namespace receive::test;

namespace {

struct ReceiveSessionTest : ::testing::Test {
    TestFolder dir;
    testservers::HttpServer http;
    std::atomic<bool> serving{true};
    std::string zipBody;
    std::vector<std::string> opened;
    std::string savedTmp;
    bool hadTmp = false;

    void SetUp() override
    {
        TCXML::SetSchemaFolder(CV_BIN_DIR);
        platform::Settings::setStorageFolder(dir / "settings");
        platform::Shell::setOpener([this](const std::string& target) {
            opened.push_back(target);
            return true;
        });
        // The receive's temporary files go below the test's own folder.
        if (const char* tmp = std::getenv("TMPDIR")) {
            hadTmp = true;
            savedTmp = tmp;
        }
        fs::create_directories(dir / "tmp");
        ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);

        http.server.Get("/files/small.txt", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("small", "text/plain");
        });
        // 4 MiB in 4 KiB pieces, one every 20 ms: far longer than any test.
        testservers::serveSlowly(http.server, "/files/slow.bin", 4u << 20, serving);
        http.server.Get("/files/many.zip", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(zipBody, "application/zip");
        });
        http.start();
    }
    void TearDown() override
    {
        serving = false;
        platform::Shell::setOpener({});
        TCXML::SetSchemaFolder("");
        if (hadTmp)
            ::setenv("TMPDIR", savedTmp.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

    struct Task {
        std::string name, folder;
        std::vector<std::string> files;
        int port = 0;
        bool unzip = false;
    };
    std::string writeGuidePost(const std::vector<Task>& tasks)
    {
        CAMData model;
        model.name = "配布";
        model.creator = "作者";
        for (const Task& t : tasks) {
            auto task = std::make_unique<TaskRecord>();
            task->name = t.name;
            task->folderText = t.folder;
            task->folderList = {t.folder};
            auto source = loopbackSource(guidepost::ProtocolHttp, t.port ? t.port : http.port);
            auto list = std::make_unique<FileListRecord>();
            list->name = "list";
            list->remoteFolder = "/files";
            list->remoteFolderGiven = true;
            for (const std::string& f : t.files) {
                auto file = std::make_unique<FileRecord>();
                file->remote = f;
                if (t.unzip)
                    file->uncompress = guidepost::UncompressZip;
                list->files.push_back(std::move(file));
            }
            source->fileLists.push_back(std::move(list));
            task->sources.push_back(std::move(source));
            model.tasks.push_back(std::move(task));
        }
        const std::string path = dir / "配布.gp";
        model.Save(path);
        return path;
    }

    static ReceiveSessionOptions options()
    {
        ReceiveSessionOptions o;
        o.reports.genReport = o.reports.showReport = o.reports.logging = true;
        o.reports.reportStyle = 1;
        o.transfer.stallSeconds = 3600;  // only a stop may end a silent transfer
        return o;
    }

    std::string page(const std::string& name) const
    {
        return platform::Cp932Codec::toUtf8(readFile(dir / ("root/_html___/" + name)));
    }
    // Temporary files anywhere: the system's folder and beside the received files.
    int temporaryFiles() const
    {
        int n = 0;
        for (const auto& e : fs::recursive_directory_iterator(dir / "tmp"))
            n += e.is_regular_file() || e.is_directory();
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(dir / "root", ec))
            n += e.path().filename().string().find(".CV") != std::string::npos;
        return n;
    }
};

// Answers every question from its kind, once the receive asks it; records
// every event in order.
struct Driver {
    std::mutex mutex;
    std::vector<SessionEvent> events;
    std::map<QuestionKind, std::vector<int>> script;
    // Questions of this kind are left pending (the test stops the receive).
    std::optional<QuestionKind> leavePending;
    std::atomic<std::uint64_t> pending{0};

    void attach(ReceiveSession& session)
    {
        session.setEventHandler([this, &session](const SessionEvent& e) {
            {
                std::lock_guard lock(mutex);
                events.push_back(e);
            }
            if (e.kind != SessionEventKind::QuestionAsked)
                return;
            if (leavePending && e.question.kind == *leavePending) {
                pending = e.questionId;
                return;
            }
            int button = e.question.defaultButton;
            auto& answers = script[e.question.kind];
            if (!answers.empty()) {
                button = answers.front();
                answers.erase(answers.begin());
            }
            EXPECT_TRUE(session.answer(e.questionId, Answer{button, {}, {}}));
        });
    }
    std::vector<SessionEventKind> kinds()
    {
        std::lock_guard lock(mutex);
        std::vector<SessionEventKind> out;
        for (const auto& e : events)
            out.push_back(e.kind);
        return out;
    }
    int count(SessionEventKind kind)
    {
        auto k = kinds();
        return static_cast<int>(std::count(k.begin(), k.end(), kind));
    }
};

// Calls cancel() once the snapshot shows the condition, from a thread of
// its own, as a window's stop button would.
std::thread stopWhen(ReceiveSession& session, std::function<bool(const ReceiveSnapshot&)> condition)
{
    return std::thread([&session, condition] {
        while (!session.finished()) {
            if (condition(session.snapshot())) {
                session.cancel();
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

void expectCancelled(const ReceiveResult& r)
{
    EXPECT_EQ(r.outcome, ReceiveOutcome::Cancelled);
    EXPECT_EQ(r.code, CAMException::UserCancelled);
    EXPECT_EQ(r.caption, texts::errorCaption);
    EXPECT_EQ(r.icon, QuestionIcon::Stop);
}

} // namespace

TEST_F(ReceiveSessionTest, AReceiveThroughTheSessionGivesEventsSnapshotAndOneResult)
{
    const std::string gp = writeGuidePost({{"文書", "docs", {"small.txt"}}});
    Driver driver;
    ReceiveSession session(options());
    driver.attach(session);
    EXPECT_EQ(session.snapshot().phase, ReceivePhase::Idle);
    ASSERT_TRUE(session.start(gp, dir / "root"));
    EXPECT_FALSE(session.start(gp, dir / "root")) << "a session receives once";
    ReceiveResult r = session.result();

    EXPECT_EQ(r.outcome, ReceiveOutcome::Succeeded) << r.message;
    EXPECT_TRUE(r.message.empty());
    EXPECT_EQ(readFile(dir / "root/docs/small.txt"), "small");
    EXPECT_EQ(r.totals.http.received, 1);
    EXPECT_EQ(r.totals.bytes(), 5);
    EXPECT_EQ(r.pagePath(PageKind::Report), dir / "root/_html___/Report01.htm");
    EXPECT_EQ(r.pagePath(PageKind::Log), dir / "root/_html___/Log01.htm");
    EXPECT_EQ(r.pageToOpen, dir / "root/_html___/Report01.htm");
    EXPECT_TRUE(r.errorReportToOpen.empty());
    EXPECT_TRUE(r.recentAdded);
    EXPECT_TRUE(opened.empty()) << "the host opens the pages, not the session";

    ReceiveSnapshot s = session.snapshot();
    EXPECT_EQ(s.phase, ReceivePhase::Ended);
    EXPECT_EQ(s.tasksDone, 1);
    EXPECT_EQ(s.taskTotal, 1);
    EXPECT_EQ(s.filesDone, 1);
    EXPECT_EQ(s.fileName, "small.txt");
    EXPECT_EQ(s.totals.http.received, 1);
    EXPECT_FALSE(s.stopRequested);

    std::vector<SessionEventKind> kinds = driver.kinds();
    ASSERT_FALSE(kinds.empty());
    EXPECT_EQ(kinds.front(), SessionEventKind::QuestionAsked);  // the welcome
    EXPECT_EQ(kinds.back(), SessionEventKind::Ended);
    EXPECT_EQ(driver.count(SessionEventKind::TaskChanged), 1);
    EXPECT_EQ(driver.count(SessionEventKind::SourceChanged), 1);
    EXPECT_EQ(driver.count(SessionEventKind::FileListChanged), 1);
    EXPECT_EQ(driver.events[1].name, "文書");
    EXPECT_EQ(temporaryFiles(), 0);
}

TEST_F(ReceiveSessionTest, AStopBeforeTheStartIsKept)
{
    const std::string gp = writeGuidePost({{"文書", "docs", {"small.txt"}}});
    Driver driver;
    ReceiveSession session(options());
    driver.attach(session);
    session.cancel();
    EXPECT_TRUE(session.cancelRequested());
    ASSERT_TRUE(session.start(gp, dir / "root"));
    ReceiveResult r = session.result();
    expectCancelled(r);
    // Nothing was asked, nothing received, no page written.
    EXPECT_EQ(driver.count(SessionEventKind::QuestionAsked), 0);
    EXPECT_FALSE(fs::exists(dir / "root/docs"));
    EXPECT_TRUE(r.pages.empty());
    EXPECT_EQ(temporaryFiles(), 0);
}

TEST_F(ReceiveSessionTest, AStopDuringATransferKeepsWhatWasPlacedAndSaysSo)
{
    const std::string gp = writeGuidePost({{"文書", "docs", {"small.txt", "slow.bin", "small.txt"}}});
    Driver driver;
    ReceiveSession session(options());
    driver.attach(session);
    ASSERT_TRUE(session.start(gp, dir / "root"));
    std::thread stopper = stopWhen(session, [](const ReceiveSnapshot& s) {
        return s.fileName == "slow.bin" && s.fileReceived > 0;
    });
    ReceiveResult r = session.result();
    stopper.join();

    expectCancelled(r);
    EXPECT_EQ(readFile(dir / "root/docs/small.txt"), "small") << "a placed file stays";
    EXPECT_FALSE(fs::exists(dir / "root/docs/slow.bin"));
    EXPECT_EQ(r.totals.http.received, 1);
    EXPECT_NE(page("Error01.htm").find(texts::cancelledLine), std::string::npos);
    EXPECT_NE(page("Log01.htm").find(texts::cancelledLine), std::string::npos);
    EXPECT_EQ(r.errorReportToOpen, dir / "root/_html___/Error01.htm");
    EXPECT_EQ(temporaryFiles(), 0);
}

TEST_F(ReceiveSessionTest, AStopWhileTheServerSendsNothingEndsAsCancelled)
{
    // Headers and two bytes, then a minute of silence.
    testservers::RawServer silent("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nab", 60000, "");
    Task task{"文書", "docs", {"silent.bin"}, silent.port};
    const std::string gp = writeGuidePost({task});
    Driver driver;
    ReceiveSession session(options());
    driver.attach(session);
    ASSERT_TRUE(session.start(gp, dir / "root"));
    std::thread stopper = stopWhen(session, [](const ReceiveSnapshot& s) { return s.fileReceived >= 2; });
    ReceiveResult r = session.result();
    stopper.join();

    expectCancelled(r);
    EXPECT_FALSE(fs::exists(dir / "root/docs/silent.bin"));
    EXPECT_NE(page("Error01.htm").find(texts::cancelledLine), std::string::npos);
    EXPECT_NE(page("Log01.htm").find(texts::cancelledLine), std::string::npos);
    EXPECT_EQ(temporaryFiles(), 0);
}

TEST_F(ReceiveSessionTest, AStopAnswersThePendingQuestionWithItsCloseButton)
{
    const std::string gp = writeGuidePost({{"文書", "docs", {"small.txt"}}});
    Driver driver;
    driver.script[QuestionKind::Welcome] = {WelcomeConfirmTasks};
    driver.leavePending = QuestionKind::TaskConfirm;
    ReceiveSession session(options());
    driver.attach(session);
    ASSERT_TRUE(session.start(gp, dir / "root"));
    std::thread stopper = stopWhen(session, [](const ReceiveSnapshot& s) { return s.questionPending; });
    ReceiveResult r = session.result();
    stopper.join();

    expectCancelled(r);
    ASSERT_NE(driver.pending.load(), 0u);
    EXPECT_FALSE(session.answer(driver.pending, Answer{ConfirmReceive, {}, {}})) << "no longer pending";
    auto withdrawn = std::find_if(driver.events.begin(), driver.events.end(), [](const SessionEvent& e) {
        return e.kind == SessionEventKind::QuestionWithdrawn;
    });
    ASSERT_NE(withdrawn, driver.events.end());
    EXPECT_EQ(withdrawn->questionId, driver.pending.load());
    EXPECT_FALSE(fs::exists(dir / "root/docs/small.txt"));
    EXPECT_NE(page("Error01.htm").find(texts::cancelledLine), std::string::npos);
    EXPECT_EQ(temporaryFiles(), 0);
}

TEST_F(ReceiveSessionTest, AStopWhileTheFinisherUnpacksEndsTheUnpacking)
{
    // A thousand entries of 128 KiB: the unpacking takes a while, and the
    // stop comes once its first file stands.
    {
        const std::string zipPath = dir / "many.zip";
        int error = 0;
        zip_t* z = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(z, nullptr);
        static const std::string zeros(128 * 1024, '\0');
        for (int i = 0; i < 1000; ++i) {
            zip_source_t* src = zip_source_buffer(z, zeros.data(), zeros.size(), 0);
            char name[32];
            std::snprintf(name, sizeof name, "e%04d.bin", i);
            zip_int64_t index = zip_file_add(z, name, src, 0);
            ASSERT_GE(index, 0);
            zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 1);
        }
        ASSERT_EQ(zip_close(z), 0);
        zipBody = readFile(zipPath);
    }
    Task task{"文書", "docs", {"many.zip"}};
    task.unzip = true;
    const std::string gp = writeGuidePost({task});
    Driver driver;
    ReceiveSession session(options());
    driver.attach(session);
    ASSERT_TRUE(session.start(gp, dir / "root"));
    const std::string first = dir / "root/docs/e0000.bin";
    std::thread stopper = stopWhen(session, [&](const ReceiveSnapshot&) { return fs::exists(first); });
    ReceiveResult r = session.result();
    stopper.join();

    expectCancelled(r);
    ASSERT_TRUE(fs::exists(first)) << "the unpacking ended before the stop";
    EXPECT_FALSE(fs::exists(dir / "root/docs/e0999.bin"));
    EXPECT_TRUE(fs::exists(dir / "root/docs/many.zip")) << "the received zip file stays";
    EXPECT_NE(page("Error01.htm").find(texts::cancelledLine), std::string::npos);
    EXPECT_NE(page("Log01.htm").find(texts::cancelledLine), std::string::npos);
    EXPECT_EQ(temporaryFiles(), 0);
}

TEST_F(ReceiveSessionTest, AFolderIsNamedForTheTaskThatMadeIt)
{
    // Two tasks share a folder; the first is skipped, the second receives.
    const std::string gp = writeGuidePost({{"飛ばす", "shared", {"small.txt"}}, {"受ける", "shared", {"small.txt"}}});
    Driver driver;
    driver.script[QuestionKind::Welcome] = {WelcomeConfirmTasks};
    driver.script[QuestionKind::TaskConfirm] = {ConfirmSkip, ConfirmReceive};
    ReceiveSession session(options());
    driver.attach(session);
    ASSERT_TRUE(session.start(gp, dir / "root"));
    ReceiveResult r = session.result();
    ASSERT_EQ(r.outcome, ReceiveOutcome::Succeeded) << r.message;

    const std::string report = page("Report01.htm");
    EXPECT_NE(report.find("align=\"right\">受ける</TD>"), std::string::npos) << report;
    EXPECT_EQ(report.find("飛ばす"), std::string::npos);
    EXPECT_EQ(page("MRRFolder01.htm").find("飛ばす"), std::string::npos);
}

// A file that arrives but cannot be put in its place (a folder stands
// there) goes to the copy-failure list with a failure row; the receive goes
// on with the next file and ends as a success.
TEST_F(ReceiveSessionTest, AFileThatCannotBePlacedIsListedAndTheReceiveGoesOn)
{
    fs::create_directories(dir / "root/blocked/small.txt/inside");
    const std::string gp = writeGuidePost({{"塞がれた", "blocked", {"small.txt"}}, {"次", "next", {"small.txt"}}});
    Driver driver;
    ReceiveSession session(options());
    driver.attach(session);
    ASSERT_TRUE(session.start(gp, dir / "root"));
    ReceiveResult r = session.result();
    ASSERT_EQ(r.outcome, ReceiveOutcome::Succeeded) << r.message;
    EXPECT_EQ(readFile(dir / "root/next/small.txt"), "small");
    EXPECT_TRUE(fs::is_directory(dir / "root/blocked/small.txt/inside")) << "what stood there stays";
    ASSERT_EQ(r.placementFailures.size(), 1u);
    EXPECT_EQ(r.placementFailures[0].rfind(dir / "root/blocked/small.txt", 0), 0u) << r.placementFailures[0];
    EXPECT_EQ(r.totals.http.received, 1);
    EXPECT_EQ(r.totals.http.failed, 1);

    const std::string errors = page("Error01.htm");
    EXPECT_NE(errors.find("<TD bgcolor=#e4efec>" + dir / "root/blocked/small.txt" + "</TD>"), std::string::npos)
        << errors;
    const std::string log = page("Log01.htm");
    EXPECT_NE(log.find("<font color=\"red\">F</font></td><td bgcolor=\"#ecece4\">ファイル</td><td bgcolor=\"#ecece4\">"
                       "small.txt</td>"),
              std::string::npos)
        << log;
    EXPECT_EQ(temporaryFiles(), 0);
}

TEST_F(ReceiveSessionTest, NoHostAnswerIsWaitedForWhenTheHostGoesAway)
{
    const std::string gp = writeGuidePost({{"文書", "docs", {"small.txt"}}});
    {
        // Without a handler the welcome is closed: nothing is received.
        ReceiveSession session(options());
        ASSERT_TRUE(session.start(gp, dir / "root"));
        ReceiveResult r = session.result();
        EXPECT_EQ(r.outcome, ReceiveOutcome::NothingReceived);
        EXPECT_TRUE(r.message.empty());
        EXPECT_TRUE(r.pages.empty());
    }
    {
        // A host that never answers and goes away: the session ends.
        Driver driver;
        driver.leavePending = QuestionKind::Welcome;
        ReceiveSession session(options());
        driver.attach(session);
        ASSERT_TRUE(session.start(gp, dir / "root"));
        while (!session.snapshot().questionPending)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_FALSE(session.waitFinished(std::chrono::milliseconds(50)));
        EXPECT_FALSE(session.answer(driver.pending + 1, Answer{}));
    }
    EXPECT_FALSE(fs::exists(dir / "root/docs"));
    EXPECT_EQ(temporaryFiles(), 0);
}

TEST_F(ReceiveSessionTest, TheTransferSettingsReachTheTransfers)
{
    // Stored settings, with values out of range left at their defaults.
    {
        platform::Settings settings;
        settings.setInt("transfer", "ConnectTimeout", 2500);
        settings.setInt("transfer", "StallTime", 0);
        settings.setString("transfer", "CAFile", "/etc/ssl/extra.pem");
        settings.setBool("transfer", "PassiveFTP", false);
        settings.setBool("transfer", "SJISNames", true);
        settings.setInt("transfer", "Retries", 5);
        settings.setInt("transfer", "Connections", 3);
        settings.setInt("transfer", "RetryWait", 0);
        settings.setBool("transfer", "Resume", false);
        settings.setInt("transfer", "ResumeAreaMB", 100);
    }
    platform::Settings settings;
    platform::InternetOptions transfer = ReceiveSessionOptions::loadTransfer(settings);
    EXPECT_EQ(transfer.connectTimeoutMs, 2500);
    EXPECT_EQ(transfer.stallSeconds, platform::InternetOptions{}.stallSeconds);
    EXPECT_EQ(transfer.caFile, "/etc/ssl/extra.pem");
    EXPECT_FALSE(transfer.passiveFtp);
    EXPECT_TRUE(transfer.cp932Names);
    EXPECT_EQ(transfer.retries, 5);
    EXPECT_EQ(transfer.connections, 3);
    EXPECT_EQ(transfer.retryWaitMs, platform::InternetOptions{}.retryWaitMs);
    EXPECT_TRUE(transfer.resumeFolder.empty());
    EXPECT_EQ(transfer.resumeMaxBytes, 100LL << 20);

    // A stall limit of one second fails a silent file (it does not end the
    // receive as a stop would): the limit reached the transfer.
    testservers::RawServer silent("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nab", 60000, "");
    Task task{"文書", "docs", {"silent.bin"}, silent.port};
    const std::string gp = writeGuidePost({task});
    ReceiveSessionOptions o = options();
    o.transfer.stallSeconds = 1;
    o.transfer.stallBytesPerSecond = 100;
    // A stall is tried again once; the error list says how often it was tried.
    o.transfer.retries = 1;
    o.transfer.retryWaitMs = 50;
    Driver driver;
    ReceiveSession session(o);
    driver.attach(session);
    ASSERT_TRUE(session.start(gp, dir / "root"));
    ReceiveResult r = session.result();
    EXPECT_EQ(r.outcome, ReceiveOutcome::NothingReceived);
    EXPECT_EQ(r.totals.http.failed, 1);
    ASSERT_EQ(r.errorLines.size(), 2u);
    EXPECT_EQ(r.errorLines[0], "ファイル silent.bin は 2 回試みましたが、受信できませんでした。");
    EXPECT_EQ(r.errorLines.back(), "ファイル[ silent.bin ]を取得できませんでした。");
    EXPECT_EQ(temporaryFiles(), 0);
}
