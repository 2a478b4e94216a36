#include "ScriptedHost.h"
#include "TestFolder.h"

#include "receiver/engine/ReceiveEngine.h"
#include "receiver/engine/ReceiveError.h"
#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveFinisher.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveReporting.h"
#include "receiver/engine/ReceiveTexts.h"
#include "receiver/engine/ReceiveTotals.h"

#include "platform/FreeSpaceGuard.h"
#include "platform/TempFile.h"
#include "platform/Zip.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <sys/stat.h>
#include <fcntl.h>
#include <future>

using namespace receive;
using namespace receive::test;

namespace {

// A GuidePost built in code: tasks of attachment sources whose attachments
// stand as files in a folder.
struct Model {
    GuidePostHead head;
    std::vector<std::unique_ptr<TaskRecord>> tasks;

    Model()
    {
        head.name = "sample";
        head.creator = "作者";
        head.archived = true;
        head.local = true;
    }
    TaskRecord& task(const std::string& name, const std::string& folder)
    {
        auto t = std::make_unique<TaskRecord>();
        t->name = name;
        t->folderText = folder;
        tasks.push_back(std::move(t));
        return *tasks.back();
    }
    static FileListRecord& list(TaskRecord& task, FolderList localFolder = {})
    {
        if (task.sources.empty()) {
            auto s = std::make_unique<SourceRecord>();
            s->name = "添付";
            s->protocol = guidepost::ProtocolAttach;
            task.sources.push_back(std::move(s));
        }
        auto l = std::make_unique<FileListRecord>();
        l->name = "list";
        l->localFolder = std::move(localFolder);
        task.sources.back()->fileLists.push_back(std::move(l));
        return *task.sources.back()->fileLists.back();
    }
    static void attach(TaskRecord& task, const std::string& name, const std::string& path, std::int64_t time = 0)
    {
        auto a = std::make_unique<AttachRecord>();
        a->name = name;
        a->sourcePath = path;
        a->fromArchive = true;
        a->time = time;
        task.attachments.push_back(std::move(a));
    }
    static FileRecord& file(FileListRecord& list, const std::string& name, const std::string& remote = {})
    {
        auto f = std::make_unique<FileRecord>();
        f->name = name;
        f->remote = remote.empty() ? name : remote;
        list.files.push_back(std::move(f));
        return *list.files.back();
    }
};

// An extractor that hands a model attachment's source file over in pieces.
bool feedFile(const std::string& path, const ReceiveEngine::AttachmentSink& sink)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    char piece[4096];
    while (in.read(piece, sizeof piece) || in.gcount() > 0)
        if (!sink(reinterpret_cast<const unsigned char*>(piece), static_cast<std::size_t>(in.gcount())))
            return false;
    return true;
}

struct ReceiveEngineTest : ::testing::Test {
    TestFolder dir;
    std::string root;
    ScriptedHost host;
    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    Model model;

    void SetUp() override
    {
        root = dir / "root";
        fs::create_directories(root);
    }
    std::string payload(const std::string& name, const std::string& text)
    {
        std::string path = dir / ("payload/" + name);
        writeFile(path, text);
        return path;
    }
    // Runs the receive and the finishing side as the hosts do.
    bool run(ReceiveFinisher* finisher = nullptr)
    {
        ReceiveEngine engine(host, queue, totals, progress);
        engine.setAttachmentExtractor([](const AttachRecord& a, const CipherKey&, const ReceiveEngine::AttachmentSink& sink) {
            return feedFile(a.sourcePath, sink);
        });
        ReceiveFinisher own(totals);
        ReceiveFinisher& f = finisher ? *finisher : own;
        try {
            bool result = engine.Receive(model.head, model.tasks, root);
            f.drain(queue);
            errorLines = engine.errorLines();
            return result;
        } catch (...) {
            f.drain(queue);
            errorLines = engine.errorLines();
            throw;
        }
    }
    int runCode()
    {
        try {
            run();
        } catch (const CAMException& e) {
            return e.code();
        }
        return -1;
    }
    std::vector<std::string> errorLines;
};

TEST_F(ReceiveEngineTest, AttachmentsLandInTheirFoldersWithTheirTimes)
{
    TaskRecord& t = model.task("写真", "\\photos\\%year%\\");
    Model::attach(t, "a.txt", payload("a", "alpha"), 1'500'000'000);
    Model::attach(t, "b.txt", payload("b", "beta"));
    FileListRecord& l = Model::list(t, {"sub"});
    l.synchronize = true;
    Model::file(l, "a.txt");
    Model::file(l, "renamed.txt", "b.txt").timePresent = true;
    l.files.back()->time = 1'600'000'000;
    // The same attachment twice, with another time: each copy keeps its own.
    FileListRecord& again = Model::list(t, {"again"});
    again.synchronize = true;
    Model::file(again, "a2.txt", "a.txt").timePresent = true;
    again.files.back()->time = 1'700'000'000;

    EXPECT_TRUE(run());
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    const std::string folder = root + "/photos/" + std::to_string(local.tm_year + 1900) + "/sub";
    EXPECT_EQ(readFile(folder + "/a.txt"), "alpha");
    EXPECT_EQ(readFile(folder + "/renamed.txt"), "beta");
    EXPECT_EQ(timeOf(folder + "/a.txt"), 1'500'000'000);
    EXPECT_EQ(timeOf(folder + "/renamed.txt"), 1'600'000'000);
    EXPECT_TRUE(fs::is_directory(root + "/" + texts::reportFolder));
    EXPECT_EQ(readFile(root + "/photos/" + std::to_string(local.tm_year + 1900) + "/again/a2.txt"), "alpha");
    EXPECT_EQ(timeOf(root + "/photos/" + std::to_string(local.tm_year + 1900) + "/again/a2.txt"), 1'700'000'000);
    EXPECT_EQ(timeOf(folder + "/a.txt"), 1'500'000'000);
    EXPECT_EQ(totals.attach.received, 3);
    EXPECT_EQ(totals.attach.bytes, 14);
    EXPECT_EQ(progress.tasksDone, 1);
    EXPECT_EQ(progress.filesDone, 1);
    EXPECT_EQ(host.count(QuestionKind::Welcome), 1);
    EXPECT_EQ(host.asked[0].text, texts::welcomeDefaultComment);
    // No temporary file of the receive is left behind.
    for (auto& e : fs::recursive_directory_iterator(root))
        EXPECT_EQ(e.path().filename().string().rfind(".", 0), std::string::npos) << e.path();
}

TEST_F(ReceiveEngineTest, UpdatePoliciesOfExistingFilesAndTheOverwritePrompt)
{
    writeFile(root + "/d/keep.txt", "old keep");
    writeFile(root + "/d/force.txt", "old force");
    writeFile(root + "/d/ask.txt", "old ask");
    TaskRecord& t = model.task("T", "d");
    for (const char* n : {"keep.txt", "force.txt", "ask.txt"})
        Model::attach(t, n, payload(n, std::string("new ") + n));
    FileListRecord& l = Model::list(t);
    Model::file(l, "keep.txt").update = guidepost::UpdateIfNotExist;
    Model::file(l, "force.txt").update = guidepost::UpdateForce;
    Model::file(l, "ask.txt");
    host.script(QuestionKind::UpdateForce, {UpdateAllowItem});
    host.script(QuestionKind::Overwrite, {OverwriteNotThis});

    EXPECT_EQ(runCode(), -1);
    EXPECT_EQ(readFile(root + "/d/keep.txt"), "old keep");
    EXPECT_EQ(readFile(root + "/d/force.txt"), "new force.txt");
    EXPECT_EQ(readFile(root + "/d/ask.txt"), "old ask");
    EXPECT_EQ(host.count(QuestionKind::Overwrite), 1);
    EXPECT_EQ(totals.attach.received, 1);
}

TEST_F(ReceiveEngineTest, NothingReceivedFailsWith38AfterFinishing)
{
    writeFile(root + "/d/x.txt", "old");
    TaskRecord& t = model.task("T", "d");
    Model::attach(t, "x.txt", payload("x", "new"));
    Model::file(Model::list(t), "x.txt").update = guidepost::UpdateIfNotExist;
    ReceiveFinisher finisher(totals);
    std::vector<ReceiveEvent> seen;
    finisher.setLogHook([&](const ReceiveEvent& e, const FinishResult&) { seen.push_back(e); });
    try {
        run(&finisher);
        FAIL();
    } catch (const CAMException& e) {
        EXPECT_EQ(e.code(), CAMException::NothingReceived);
    }
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().eventKind, ReceiveFinished);
    auto kept = std::find_if(seen.begin(), seen.end(), [](auto& e) { return e.eventKind == FileReceived; });
    ASSERT_NE(kept, seen.end());
    EXPECT_LT(kept->byteCount, 0);
    EXPECT_EQ(readFile(root + "/d/x.txt"), "old");
}

TEST_F(ReceiveEngineTest, NamesAndFoldersThatClimbOutFailClearlyAndTouchNothingOutside)
{
    {
        TaskRecord& t = model.task("T", "d");
        Model::attach(t, "x", payload("x", "data"));
        Model::file(Model::list(t), "..\\..\\evil.txt", "x");
        Model::file(Model::list(t), "../evil.txt", "x");
        Model::file(Model::list(t), "ok.txt", "x");
        EXPECT_TRUE(run());
        EXPECT_EQ(readFile(root + "/d/ok.txt"), "data");
        EXPECT_EQ(totals.attach.failed, 2);
        // Each failure gives its reason, then the file's line exactly as the
        // pages have it.
        ASSERT_EQ(errorLines.size(), 4u);
        EXPECT_NE(errorLines[0].find("保存先の外"), std::string::npos) << errorLines[0];
        EXPECT_EQ(errorLines[1], "ファイル[ x ]を取得できませんでした。");
        EXPECT_EQ(errorLines[3], "ファイル[ x ]を取得できませんでした。");
    }
    model.tasks.clear();
    {
        TaskRecord& t = model.task("T", "d");
        Model::attach(t, "x", payload("x", "data"));
        Model::file(Model::list(t, {"..", "up"}), "y.txt", "x");
        EXPECT_EQ(runCode(), CAMException::BadSaveFolder);
    }
    model.tasks.clear();
    model.task("T", "a\\..\\..\\b");
    EXPECT_EQ(runCode(), CAMException::BadSaveFolder);
    // An attachment named with a path is only a name to look up; its file
    // name decides where it goes.
    model.tasks.clear();
    {
        TaskRecord& t = model.task("T", "d");
        Model::attach(t, "../../climb.txt", payload("c", "c"));
        Model::file(Model::list(t), "", "../../climb.txt");
        EXPECT_TRUE(run());
        EXPECT_EQ(readFile(root + "/d/climb.txt"), "c");
    }
    for (auto& e : fs::recursive_directory_iterator(dir.path)) {
        auto rel = e.path().lexically_relative(dir.path).string();
        EXPECT_TRUE(rel.rfind("root", 0) == 0 || rel.rfind("payload", 0) == 0) << rel;
    }
}

// The folders the receiver keeps for itself are not a task's to name, in an
// archive's GuidePost (model.head.archived) as in any other.
TEST_F(ReceiveEngineTest, NoGuidePostWritesIntoTheReportFolderOrTheCertifiedArea)
{
    writeFile(root + "/_html___/Report07.htm", "the user's report");
    for (const char* folder : {"certified\\site\\Glimmora\\Style", "_html___"}) {
        model.tasks.clear();
        TaskRecord& t = model.task("T", folder);
        Model::attach(t, "x", payload("x", "planted"));
        Model::file(Model::list(t), "Report07.htm", "x");
        EXPECT_EQ(runCode(), CAMException::ReservedFolderName) << folder;
    }
    EXPECT_FALSE(fs::exists(root + "/certified"));
    EXPECT_EQ(readFile(root + "/_html___/Report07.htm"), "the user's report");
}

// synchronize="no" on a file clears what its task set: the file keeps the
// time of its arrival, not the attachment's.
TEST_F(ReceiveEngineTest, AFileMayClearAnInheritedSynchronize)
{
    TaskRecord& t = model.task("T", "d");
    t.synchronize = true;
    Model::attach(t, "a", payload("a", "A"), 1'500'000'000);
    FileListRecord& l = Model::list(t);
    Model::file(l, "kept.txt", "a");
    Model::file(l, "own.txt", "a").synchronizeOff = true;
    EXPECT_TRUE(run());
    EXPECT_EQ(timeOf(root + "/d/kept.txt"), 1'500'000'000);
    EXPECT_GT(timeOf(root + "/d/own.txt"), 1'600'000'000);
}

// Eight folders at most are opened after a receive; the ninth is told.
TEST_F(ReceiveEngineTest, AtMostEightFoldersAreOpened)
{
    ReceiveEngine engine(host, queue, totals, progress);
    engine.setAttachmentExtractor([](const AttachRecord& a, const CipherKey&, const ReceiveEngine::AttachmentSink& sink) {
        return feedFile(a.sourcePath, sink);
    });
    for (int i = 0; i < 9; ++i) {
        TaskRecord& t = model.task("T" + std::to_string(i), "f" + std::to_string(i));
        t.open = true;
        Model::attach(t, "a", payload("a", "A"));
        Model::file(Model::list(t), "a.txt", "a");
    }
    EXPECT_TRUE(engine.Receive(model.head, model.tasks, root));
    EXPECT_EQ(engine.foldersToOpen().size(), 8u);
    EXPECT_EQ(host.count(QuestionKind::Notice), 1);
    EXPECT_EQ(host.asked.back().text, texts::maxFoldersOpen);
    ReceiveFinisher(totals).drain(queue);
}

// A server the user skips in the server confirmation is never looked up:
// its unknown account fails nothing.
TEST_F(ReceiveEngineTest, TheServerConfirmationComesBeforeTheAccount)
{
    TaskRecord& t = model.task("T", "d");
    Model::attach(t, "a", payload("a", "A"));
    Model::file(Model::list(t), "a.txt", "a");
    auto web = std::make_unique<SourceRecord>();
    web->name = "web";
    web->protocol = guidepost::ProtocolHttp;
    web->serverName = "127.0.0.1";
    web->account = "nobody-has-this-account";
    web->fileLists.push_back(std::make_unique<FileListRecord>());
    t.sources.push_back(std::move(web));
    host.script(QuestionKind::Welcome, {WelcomeConfirmServers});
    host.script(QuestionKind::ServerConfirm, {ConfirmReceive, ConfirmSkip});
    EXPECT_TRUE(run());
    EXPECT_EQ(host.count(QuestionKind::ServerConfirm), 2);
    EXPECT_EQ(readFile(root + "/d/a.txt"), "A");

    // Going on with it, the account is looked up and missing.
    host.script(QuestionKind::Welcome, {WelcomeConfirmServers});
    host.script(QuestionKind::ServerConfirm, {ConfirmReceive, ConfirmReceive});
    EXPECT_EQ(runCode(), CAMException::BadAccountName);
}

TEST_F(ReceiveEngineTest, TaskConfirmationSkipAndStop)
{
    for (const char* name : {"one", "two", "three"}) {
        TaskRecord& t = model.task(name, name);
        Model::attach(t, "f", payload(name, name));
        Model::file(Model::list(t), "f.txt", "f");
    }
    host.script(QuestionKind::Welcome, {WelcomeConfirmTasks});
    host.script(QuestionKind::TaskConfirm, {ConfirmSkip, ConfirmReceive, ConfirmStopAll});
    EXPECT_EQ(runCode(), CAMException::UserCancelled);
    EXPECT_FALSE(fs::exists(root + "/one/f.txt"));
    EXPECT_EQ(readFile(root + "/two/f.txt"), "two") << "placed files stay";
    EXPECT_FALSE(fs::exists(root + "/three"));
    EXPECT_EQ(errorLines.back(), texts::cancelledLine);

    host.asked.clear();
    progress.cancel = false;
    host.script(QuestionKind::Welcome, {WelcomeDoNotReceive});
    EXPECT_FALSE(run());
}

TEST_F(ReceiveEngineTest, ZipTaskPacksTheReceivedFilesAndUnpacksMarkedZips)
{
    // A zip attachment to unpack after receiving.
    fs::create_directories(dir / "z/inner");
    writeFile(dir / "z/inner/n.txt", "nested");
    fs::create_directories(dir / "payload");
    ASSERT_EQ(platform::zipnize(dir / "z", dir / "payload/pack.zip"), 1);

    TaskRecord& t = model.task("Z", "zipped");
    t.destinationType = guidepost::DestinationZip;
    t.zipFileName = "Data.ZIP";
    Model::attach(t, "a", payload("a", "A"));
    Model::file(Model::list(t, {"sub"}), "a.txt", "a");
    TaskRecord& u = model.task("U", "unz");
    Model::attach(u, "pack.zip", dir / "payload/pack.zip");
    Model::file(Model::list(u), "pack.zip").uncompress = guidepost::UncompressZip;

    // A zip task whose files are all up to date makes no zip file.
    writeFile(root + "/kept/__zip___/k.txt", "old");
    TaskRecord& k = model.task("K", "kept");
    k.destinationType = guidepost::DestinationZip;
    k.zipFileName = "Data";
    Model::attach(k, "k", payload("k", "new"));
    Model::file(Model::list(k), "k.txt", "k").update = guidepost::UpdateIfNotExist;

    EXPECT_TRUE(run());
    EXPECT_FALSE(fs::exists(root + "/kept/data.zip"));
    EXPECT_EQ(readFile(root + "/kept/__zip___/k.txt"), "old");
    EXPECT_TRUE(fs::exists(root + "/zipped/data.zip"));
    EXPECT_FALSE(fs::exists(root + "/zipped/__zip___")) << "work folder removed after packing";
    EXPECT_EQ(totals.zip.received, 1);
    fs::create_directories(dir / "check");
    ASSERT_EQ(platform::UnZipnizeInFolder(dir / "check", root + "/zipped/data.zip"), 1);
    EXPECT_EQ(readFile(dir / "check/sub/a.txt"), "A");
    EXPECT_EQ(readFile(root + "/unz/inner/n.txt"), "nested");
    EXPECT_FALSE(fs::exists(root + "/unz/pack.zip")) << "the zip is deleted once unpacked";
}

TEST_F(ReceiveEngineTest, ReadOnlySaveRootAndUnreachableServersFailClearly)
{
    model.task("T", "d");
    model.tasks.back()->sources.push_back(std::make_unique<SourceRecord>());
    model.tasks.back()->sources.back()->serverName = "127.0.0.1";
    model.tasks.back()->sources.back()->protocol = guidepost::ProtocolFtp;
    EXPECT_EQ(runCode(), CAMException::FtpConnectFailed);
    ASSERT_FALSE(errorLines.empty());
    EXPECT_NE(errorLines.back().find("FTP"), std::string::npos);

    model.tasks.clear();
    TaskRecord& t = model.task("T", "e");
    Model::attach(t, "x", payload("x", "data"));
    Model::file(Model::list(t), "x.txt", "x");
    fs::create_directories(root + "/" + texts::reportFolder);
    fs::permissions(root, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read
                              | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    if (::geteuid() != 0) {
        EXPECT_EQ(runCode(), CAMException::CreateFolderFailed);
        return;
    }
    // Root writes anywhere: the receive runs as an ordinary user in a child,
    // with a temporary folder that user may write whatever TMPDIR says.
    fs::permissions(dir.path, fs::perms::others_exec | fs::perms::group_exec, fs::perm_options::add);
    fs::permissions(dir.path / "payload", fs::perms::others_exec | fs::perms::others_read, fs::perm_options::add);
    fs::create_directories(dir.path / "tmp-nobody");
    fs::permissions(dir.path / "tmp-nobody", fs::perms::all | fs::perms::sticky_bit);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("TMPDIR", (dir.path / "tmp-nobody").c_str(), 1);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(99);
        ::_exit(runCode());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), CAMException::CreateFolderFailed);
    EXPECT_FALSE(fs::exists(root + "/e"));
}

TEST_F(ReceiveEngineTest, EncipheredGuidePostAsksForTheCodeAndKeepsSixteenBytes)
{
    model.head.encrypt = true;
    TaskRecord& t = model.task("T", "d");
    Model::attach(t, "x", payload("x", "data"));
    Model::file(Model::list(t), "x.txt", "x");
    host.script(QuestionKind::CipherCode, std::vector<Answer>{{AnswerOk, "", {}}, {AnswerOk, "0123456789abcdefXYZ", {}}});
    ReceiveEngine engine(host, queue, totals, progress);
    CipherKey seen;
    engine.setAttachmentExtractor([&](const AttachRecord& a, const CipherKey& key, const ReceiveEngine::AttachmentSink& sink) {
        seen = key;
        return feedFile(a.sourcePath, sink);
    });
    EXPECT_TRUE(engine.Receive(model.head, model.tasks, root));
    EXPECT_EQ(host.count(QuestionKind::CipherCode), 2) << "an empty code asks again";
    EXPECT_TRUE(seen.enciphered);
    EXPECT_EQ(seen.length, 16u);
    EXPECT_EQ(std::string(seen.bytes.begin(), seen.bytes.end()), "0123456789abcdef");

    host.script(QuestionKind::CipherCode, {AnswerCancel});
    ReceiveEngine refused(host, queue, totals, progress);
    try {
        refused.Receive(model.head, model.tasks, root);
        FAIL();
    } catch (const CAMException& e) {
        EXPECT_EQ(e.code(), CAMException::CipherCodeNeeded);
    }
}

TEST(ReceiveEventQueueTest, EventsCrossFromTheWorkerToTheHostInOrder)
{
    ReceiveEventQueue queue;
    constexpr int count = 5000;
    std::thread worker([&] {
        for (int i = 0; i < count; ++i) {
            ReceiveEvent e;
            e.eventKind = FileReceived;
            e.byteCount = i;
            queue.append(std::move(e));
        }
    });
    int next = 0;
    while (next < count) {
        if (auto e = queue.take())
            EXPECT_EQ(e->byteCount, next++);
        else
            std::this_thread::yield();
    }
    worker.join();
    EXPECT_TRUE(queue.empty());
}

TEST(ReceiveFinisherTest, AFullDiskMidFileNeverLosesTheExistingFile)
{
    TestFolder dir;
    writeFile(dir / "dest.bin", "the old contents");
    writeFile(dir / "new.bin", std::string(1 << 20, 'n'));
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A file-size limit stands in for a disk that fills in mid-file.
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit{64 * 1024, 64 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string error;
        bool ok = ReceiveFinisher::placeFile(dir / "new.bin", dir / "dest.bin", error);
        ::_exit(ok ? 0 : (error.empty() ? 2 : 1));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the placement fails with a reason";
    EXPECT_EQ(readFile(dir / "dest.bin"), "the old contents");
    int files = 0;
    for (auto& e : fs::directory_iterator(dir.path))
        (void)e, ++files;
    EXPECT_EQ(files, 2) << "no half-written file is left";

    std::string error;
    setTime(dir / "new.bin", 1'234'567'890);
    EXPECT_TRUE(ReceiveFinisher::placeFile(dir / "new.bin", dir / "dest.bin", error)) << error;
    EXPECT_EQ(readFile(dir / "dest.bin").size(), 1u << 20);
    EXPECT_EQ(timeOf(dir / "dest.bin"), 1'234'567'890);
}

TEST(ReceiveFinisherTest, AFailedPlacementIsCountedAsAFailureAndListed)
{
    TestFolder dir;
    ReceiveTotals totals;
    totals.attach.received = 1;
    totals.attach.bytes = 3;
    ReceiveFinisher finisher(totals);
    ReceiveEvent e;
    e.eventKind = FileReceived;
    e.protocolCode = ProtocolAttach;
    e.tempPath = dir / "missing-temp";
    e.destPath = dir / "nowhere/x.txt";
    e.byteCount = 3;
    EXPECT_FALSE(finisher.handle(e).ok);
    EXPECT_EQ(totals.attach.received, 0);
    EXPECT_EQ(totals.attach.failed, 1);
    ASSERT_EQ(finisher.failures().size(), 1u);
}

// A received attachment to be unpacked where it is placed.
ReceiveEvent zipArrived(const std::string& temp, const std::string& dest)
{
    ReceiveEvent e;
    e.eventKind = FileReceived;
    e.protocolCode = ProtocolAttach;
    e.tempPath = temp;
    e.destPath = dest;
    e.saveName = e.remoteName = fs::path(dest).filename().string();
    e.transferMode = ModeNone;
    std::error_code ec;
    e.byteCount = static_cast<std::int64_t>(fs::file_size(temp, ec));
    e.unzipAfter = 1;
    return e;
}

// A zip whose entry bears the zip's own name: the entry takes its place,
// whole, and is not deleted afterwards as the zip would be.
TEST(ReceiveFinisherTest, AnEntryNamedLikeItsZipIsKept)
{
    TestFolder dir;
    writeFile(dir / "pack/pack.zip", "the entry inside");
    writeFile(dir / "pack/note.txt", "note");
    ASSERT_EQ(platform::zipnize(dir / "pack", dir / "received.zip"), 1);
    fs::create_directories(dir / "dest");
    ReceiveTotals totals;
    totals.attach.received = 1;
    ReceiveFinisher finisher(totals);
    EXPECT_TRUE(finisher.handle(zipArrived(dir / "received.zip", dir / "dest/pack.zip")).ok)
        << platform::lastZipError();
    EXPECT_EQ(readFile(dir / "dest/pack.zip"), "the entry inside");
    EXPECT_EQ(readFile(dir / "dest/note.txt"), "note");

    // An ordinary zip goes once unpacked.
    fs::remove(dir / "pack/pack.zip");
    ASSERT_EQ(platform::zipnize(dir / "pack", dir / "plain.zip"), 1);
    EXPECT_TRUE(finisher.handle(zipArrived(dir / "plain.zip", dir / "dest/plain.zip")).ok);
    EXPECT_FALSE(fs::exists(dir / "dest/plain.zip"));

    // One unpacked on a disk already below its reserve (set here 1 GiB above
    // the free space, so that other tests freeing space meanwhile change
    // nothing): the zip stays, and the failure says that space ran out.
    {
        const std::string zeros(64u << 20, '\0');
        int error = 0;
        zip_t* z = zip_open((dir / "big.zip").c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(z, nullptr);
        ASSERT_GE(zip_file_add(z, "big.bin", zip_source_buffer(z, zeros.data(), zeros.size(), 0), 0), 0);
        ASSERT_EQ(zip_close(z), 0);
    }
    platform::FreeSpaceGuard::setReserve(fs::space(dir.path).available + (1ull << 30));
    FinishResult full = finisher.handle(zipArrived(dir / "big.zip", dir / "dest/big.zip"));
    platform::FreeSpaceGuard::setReserve(platform::FreeSpaceGuard::defaultReserve);
    EXPECT_FALSE(full.ok);
    EXPECT_NE(full.error.find("ディスクの空き容量が足りなくなった"), std::string::npos) << full.error;
    EXPECT_TRUE(fs::exists(dir / "dest/big.zip"));
    EXPECT_FALSE(fs::exists(dir / "dest/big.bin"));
}

// A zip that arrives but cannot be unpacked stands in its place: its row
// says it arrived (S) and then that its unpacking failed (F).
TEST(ReceiveFinisherTest, AFailedUnpackingWritesTheArrivalAndTheFailure)
{
    TestFolder dir;
    writeFile(dir / "temp.zip", "this is no zip file");
    ReceiveTotals totals;
    totals.attach.received = 1;
    ReceiveFinisher finisher(totals);
    ReceiveEvent e = zipArrived(dir / "temp.zip", dir / "pack.zip");
    FinishResult result = finisher.handle(e);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.placed);
    EXPECT_EQ(readFile(dir / "pack.zip"), "this is no zip file");
    const std::string rows = reports::ReceiveLog::rowText(ReceiveReporting::rowOf(e, result));
    const std::size_t arrived = rows.find("<font color=\"green\">S</font>");
    const std::size_t failed = rows.find("<font color=\"red\">F</font>");
    ASSERT_NE(arrived, std::string::npos) << rows;
    ASSERT_NE(failed, std::string::npos) << rows;
    EXPECT_LT(arrived, failed);

    // A file that could not be placed at all is the failure row alone.
    ReceiveEvent lost = e;
    lost.tempPath = dir / "gone";
    FinishResult notPlaced = finisher.handle(lost);
    EXPECT_FALSE(notPlaced.placed);
    const std::string row = reports::ReceiveLog::rowText(ReceiveReporting::rowOf(lost, notPlaced));
    EXPECT_EQ(row.find(">S</font>"), std::string::npos) << row;
    EXPECT_NE(row.find(">F</font>"), std::string::npos);
}

} // namespace

namespace {

TEST(ReceiveEngineCancelTest, StoppingMidFileEndsTheReceiveAndLeavesNoTemporaryFile)
{
    TestFolder dir;
    const std::string root = dir / "root";
    fs::create_directories(root);
    Model model;
    TaskRecord& t = model.task("T", "d");
    Model::attach(t, "big", dir / "big");
    FileListRecord& l = Model::list(t);
    Model::file(l, "one.bin", "big");
    Model::file(l, "two.bin", "big");

    ScriptedHost host;
    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    // A first block of the attachment, then the stop (as the progress
    // dialog's 中止 button gives it), then more.
    // A temporary folder of its own, so other programs' files do not count.
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string savedTmp = oldTmp ? oldTmp : "";
    fs::create_directories(dir / "tmp");
    ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
    {
        ReceiveEngine engine(host, queue, totals, progress);
        engine.setAttachmentExtractor([&](const AttachRecord&, const CipherKey&, const ReceiveEngine::AttachmentSink& sink) {
            const std::string block(4096, 'b');
            const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
            if (!sink(bytes, block.size()))
                return false;
            EXPECT_EQ(progress.fileReceived, 4096);
            progress.cancel = true;
            return sink(bytes, block.size()) && sink(bytes, block.size());
        });
        try {
            engine.Receive(model.head, model.tasks, root);
            FAIL();
        } catch (const CAMException& e) {
            EXPECT_EQ(e.code(), CAMException::UserCancelled);
        }
        ASSERT_FALSE(engine.errorLines().empty());
        EXPECT_EQ(engine.errorLines().back(), texts::cancelledLine);
    }
    ReceiveFinisher finisher(totals);
    finisher.drain(queue);
    EXPECT_FALSE(fs::exists(root + "/d/one.bin"));
    EXPECT_FALSE(fs::exists(root + "/d/two.bin"));
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
    EXPECT_TRUE(fs::is_empty(root + "/d")) << "nothing is left beside the targets";
    if (oldTmp)
        ::setenv("TMPDIR", savedTmp.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

} // namespace
