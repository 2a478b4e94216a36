#include "ScriptedHost.h"
#include "TestFolder.h"
#include "TestRecords.h"

#include "platform/tests/TestServers.h"

#include "guidepost/AccountStore.h"
#include "guidepost/CAMException.h"
#include "receiver/engine/ReceiveEngine.h"
#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveFinisher.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveTotals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace receive;
using namespace receive::test;

namespace {

// A pyftpdlib server on 127.0.0.1 serving a folder tree, with an account for it.
TEST(FtpReceiveTest, SingleFilesAndMultipleGetsLandInsideTheirFolders)
{
    TestFolder dir;
    writeFile(dir / "served/pub/one.txt", "one");
    writeFile(dir / "served/pub/two.dat", "two");
    writeFile(dir / "served/pub/deep/three.txt", "three");
    testservers::FtpServer server(dir / "served", "alice", "wonder");
    ASSERT_TRUE(server.ready);
    AccountStore store(dir / "ant");
    ASSERT_TRUE(store.addAccount({"ftp1", "alice", "wonder", 0, "127.0.0.1", 1, 0, 0, ""}));

    auto task = std::make_unique<TaskRecord>();
    task->name = "T";
    task->folderText = "ftp";
    auto source = loopbackSource(guidepost::ProtocolFtp, server.port);
    source->account = "ftp1";
    auto single = std::make_unique<FileListRecord>();
    single->name = "single";
    single->remoteFolder = "/pub";
    single->remoteFolderGiven = true;
    for (const char* name : {"one.txt", "missing.txt"}) {
        auto f = std::make_unique<FileRecord>();
        f->remote = name;
        single->files.push_back(std::move(f));
    }
    auto multiple = std::make_unique<FileListRecord>();
    multiple->name = "all";
    multiple->remoteFolder = "/pub";
    multiple->remoteFolderGiven = true;
    multiple->method = guidepost::MethodMget;
    multiple->localFolder = {"mirror"};
    auto pattern = std::make_unique<FileRecord>();
    pattern->remote = "*";
    multiple->files.push_back(std::move(pattern));
    source->fileLists.push_back(std::move(single));
    source->fileLists.push_back(std::move(multiple));
    task->sources.push_back(std::move(source));
    std::vector<std::unique_ptr<TaskRecord>> tasks;
    tasks.push_back(std::move(task));

    GuidePostHead head;
    head.name = "ftp";
    ScriptedHost host;
    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    ReceiveOptions options;
    options.accounts = &store;
    ReceiveFinisher finisher(totals);
    std::vector<ReceiveEvent> events;
    finisher.setLogHook([&](const ReceiveEvent& e, const FinishResult&) { events.push_back(e); });
    fs::create_directories(dir / "root");
    {
        ReceiveEngine engine(host, queue, totals, progress, options);
        EXPECT_TRUE(engine.Receive(head, tasks, dir / "root"));
        finisher.drain(queue);
    }
    // The folder row names the local and the remote folder; the failed
    // file's row its local and remote name.
    auto folderRow = std::find_if(events.begin(), events.end(), [](const ReceiveEvent& e) { return e.eventKind == FolderCreated; });
    ASSERT_NE(folderRow, events.end());
    EXPECT_EQ(folderRow->saveName, "deep");
    EXPECT_EQ(folderRow->remoteName, "deep");
    auto failedRow = std::find_if(events.begin(), events.end(), [](const ReceiveEvent& e) { return e.eventKind == FileFailed; });
    ASSERT_NE(failedRow, events.end());
    EXPECT_EQ(failedRow->saveName, "missing.txt");
    EXPECT_EQ(failedRow->remoteName, "missing.txt");
    EXPECT_EQ(readFile(dir / "root/ftp/one.txt"), "one");
    EXPECT_FALSE(fs::exists(dir / "root/ftp/missing.txt"));
    EXPECT_EQ(readFile(dir / "root/ftp/mirror/two.dat"), "two");
    EXPECT_EQ(readFile(dir / "root/ftp/mirror/deep/three.txt"), "three");
    EXPECT_EQ(totals.ftp.failed, 1);
    EXPECT_GE(totals.ftp.received, 4);

    // An account of another server fails before any connection.
    ASSERT_TRUE(store.addAccount({"ftp1", "alice", "wonder", 0, "elsewhere", 1, 0, 0, ""}));
    ReceiveEngine engine(host, queue, totals, progress, options);
    try {
        engine.Receive(head, tasks, dir / "root");
        FAIL();
    } catch (const CAMException& e) {
        EXPECT_EQ(e.code(), CAMException::AccountServerMismatch);
    }
    finisher.drain(queue);
}

// The pieces of an FTP GuidePost the list tests build.
std::unique_ptr<FileListRecord> ftpList(const std::string& name, const char* remoteFolder = nullptr)
{
    auto list = std::make_unique<FileListRecord>();
    list->name = name;
    if (remoteFolder) {
        list->remoteFolder = remoteFolder;
        list->remoteFolderGiven = true;
    }
    return list;
}

FileRecord& ftpFile(FileListRecord& list, const std::string& remote, const std::string& name = {})
{
    auto f = std::make_unique<FileRecord>();
    f->remote = remote;
    f->name = name;
    list.files.push_back(std::move(f));
    return *list.files.back();
}

struct FtpLists {
    TestFolder dir;
    std::unique_ptr<testservers::FtpServer> server;
    std::vector<std::unique_ptr<TaskRecord>> tasks;
    ScriptedHost host;
    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    std::vector<std::string> errorLines;
    std::vector<ReceiveEvent> events;

    FtpLists()
    {
        // CR LF lines and bytes no text has: ASCII mode would change them.
        writeFile(dir / "served/top.txt", "top\r\n");
        writeFile(dir / "served/pub/crlf.txt", std::string("a\r\nb\r\n\0\xff", 8));
        writeFile(dir / "served/pub/one.bin", "one");
        writeFile(dir / "served/pub/two.bin", "two");
        writeFile(dir / "served/pub/docs/three.txt", "three\r\n");
        server = std::make_unique<testservers::FtpServer>(dir / "served", "alice", "wonder");
        fs::create_directories(dir / "root");
    }
    SourceRecord& source()
    {
        auto task = std::make_unique<TaskRecord>();
        task->name = "T";
        task->folderText = "ftp";
        auto source = loopbackSource(guidepost::ProtocolFtp, server->port);
        source->account = "anonymous";
        task->sources.push_back(std::move(source));
        tasks.push_back(std::move(task));
        return *tasks.back()->sources.back();
    }
    bool run()
    {
        GuidePostHead head;
        head.name = "ftp lists";
        ReceiveEngine engine(host, queue, totals, progress);
        ReceiveFinisher finisher(totals);
        finisher.setLogHook([this](const ReceiveEvent& e, const FinishResult&) { events.push_back(e); });
        bool ok = engine.Receive(head, tasks, dir / "root");
        finisher.drain(queue);
        errorLines = engine.errorLines();
        return ok;
    }
    std::string local(const std::string& name) const { return readFile(dir / ("root/ftp/" + name)); }
};

// The list's mode holds for its files and a file's own mode overrides it;
// a file's own method makes it a multiple get.
TEST(FtpReceiveTest, ListModesAndTheFilesOwnModeAndMethod)
{
    FtpLists ftp;
    ASSERT_TRUE(ftp.server->ready);
    SourceRecord& source = ftp.source();
    auto binary = ftpList("binary", "/pub");
    binary->mode = guidepost::ModeBinary;
    binary->localFolder = {"binary"};
    ftpFile(*binary, "crlf.txt");
    FileRecord& text = ftpFile(*binary, "crlf.txt", "ascii.txt");
    text.mode = guidepost::ModeAscii;
    text.modeGiven = true;
    auto ascii = ftpList("ascii", "/pub");
    ascii->mode = guidepost::ModeAscii;
    ascii->localFolder = {"ascii"};
    FileRecord& own = ftpFile(*ascii, "crlf.txt");
    own.mode = guidepost::ModeBinary;
    own.modeGiven = true;
    FileRecord& pattern = ftpFile(*ascii, "*.bin");
    pattern.method = guidepost::MethodMget;
    pattern.methodGiven = true;
    source.fileLists.push_back(std::move(binary));
    source.fileLists.push_back(std::move(ascii));
    ASSERT_TRUE(ftp.run());

    const std::string served = readFile(ftp.dir / "served/pub/crlf.txt");
    EXPECT_EQ(ftp.local("binary/crlf.txt"), served) << "the list is binary";
    EXPECT_NE(ftp.local("binary/ascii.txt"), served) << "the file's own ASCII mode";
    EXPECT_EQ(ftp.local("ascii/crlf.txt"), served) << "the file's own binary mode";
    EXPECT_EQ(ftp.local("ascii/one.bin"), "one") << "the file's own mget";
    EXPECT_EQ(ftp.local("ascii/two.bin"), "two");
    std::map<std::string, std::uint32_t> modes;
    for (const ReceiveEvent& e : ftp.events)
        if (e.eventKind == FileReceived)
            modes[fs::path(e.destPath).parent_path().filename().string() + "/" + e.saveName] = e.transferMode;
    EXPECT_EQ(modes, (std::map<std::string, std::uint32_t>{{"binary/crlf.txt", ModeBinary},
                                                           {"binary/ascii.txt", ModeAscii},
                                                           {"ascii/crlf.txt", ModeBinary},
                                                           {"ascii/one.bin", ModeAscii},
                                                           {"ascii/two.bin", ModeAscii}}));
}

// A remote folder the server refuses skips its list with a line, before the
// list's local folder is made or its policy asked; a list without a remote
// folder, and a relative one, start from the folder the log-in gave.
TEST(FtpReceiveTest, RemoteFoldersOfEachListStartFromTheLoginFolder)
{
    FtpLists ftp;
    ASSERT_TRUE(ftp.server->ready);
    SourceRecord& source = ftp.source();
    auto refused = ftpList("refused", "/nowhere/");
    refused->localFolder = {"never"};
    refused->update = guidepost::UpdateForce;
    ftpFile(*refused, "x.txt");
    auto pub = ftpList("pub", "/pub");
    ftpFile(*pub, "one.bin");
    auto top = ftpList("top");
    ftpFile(*top, "top.txt");
    auto relative = ftpList("relative", "pub/docs");
    ftpFile(*relative, "three.txt");
    // The relative one right after /pub: not below the folder the list
    // before it entered.
    source.fileLists.push_back(std::move(refused));
    source.fileLists.push_back(std::move(pub));
    source.fileLists.push_back(std::move(relative));
    source.fileLists.push_back(std::move(top));
    ASSERT_TRUE(ftp.run());

    EXPECT_EQ(ftp.errorLines,
              std::vector<std::string>{"リモート（取得先）のディレクトリ[ /nowhere/ ]にアクセスできませんでした。"});
    EXPECT_FALSE(fs::exists(ftp.dir / "root/ftp/never"));
    EXPECT_EQ(ftp.host.count(QuestionKind::UpdateForce), 0);
    EXPECT_EQ(ftp.local("one.bin"), "one");
    EXPECT_TRUE(fs::exists(ftp.dir / "root/ftp/top.txt"));
    EXPECT_TRUE(fs::exists(ftp.dir / "root/ftp/three.txt"));
    EXPECT_EQ(ftp.totals.ftp.received, 3);
    EXPECT_EQ(ftp.totals.ftp.failed, 0);
}

// At FTP list and file level only "force" and "ifnotexist" count; in a
// multiple get the file's own update decides for what it matches.
TEST(FtpReceiveTest, UpdateRulesOfFtpListsAndFiles)
{
    FtpLists ftp;
    ASSERT_TRUE(ftp.server->ready);
    writeFile(ftp.dir / "root/ftp/one.bin", "old one");
    writeFile(ftp.dir / "root/ftp/crlf.txt", "old text");
    SourceRecord& source = ftp.source();
    auto list = ftpList("list", "/pub");
    list->update = guidepost::UpdateUp2Date;
    list->method = guidepost::MethodMget;
    ftpFile(*list, "*.bin").update = guidepost::UpdateIfNotExist;
    ftpFile(*list, "crlf.txt");
    source.fileLists.push_back(std::move(list));
    ftp.host.script(QuestionKind::Overwrite, {OverwriteNotThis});
    ASSERT_TRUE(ftp.run());

    EXPECT_EQ(ftp.host.count(QuestionKind::UpdateUp2Date), 0) << "up2date is not read on an FTP list";
    EXPECT_EQ(ftp.host.count(QuestionKind::Overwrite), 1) << "only crlf.txt, which has no update of its own";
    EXPECT_EQ(ftp.local("one.bin"), "old one") << "ifnotexist keeps it";
    EXPECT_EQ(ftp.local("two.bin"), "two");
    EXPECT_EQ(ftp.local("crlf.txt"), "old text");
}

// A zip task packs what its ftp lists received and leaves no work folder,
// however deep the lists' local folders are.
TEST(FtpReceiveTest, AZipTaskLeavesOnlyItsZipFile)
{
    TestFolder dir;
    writeFile(dir / "served/pub/one.txt", "one");
    testservers::FtpServer server(dir / "served", "alice", "wonder");
    ASSERT_TRUE(server.ready);

    auto task = std::make_unique<TaskRecord>();
    task->name = "Z";
    task->folderText = "z";
    task->destinationType = guidepost::DestinationZip;
    task->zipFileName = "pack.zip";
    auto source = loopbackSource(guidepost::ProtocolFtp, server.port);
    source->account = "anonymous";
    auto list = std::make_unique<FileListRecord>();
    list->remoteFolder = "/pub";
    list->remoteFolderGiven = true;
    list->localFolder = {"sub", "deeper"};
    auto f = std::make_unique<FileRecord>();
    f->remote = "one.txt";
    list->files.push_back(std::move(f));
    source->fileLists.push_back(std::move(list));
    task->sources.push_back(std::move(source));
    std::vector<std::unique_ptr<TaskRecord>> tasks;
    tasks.push_back(std::move(task));

    GuidePostHead head;
    head.name = "ftp zip";
    ScriptedHost host;
    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    ReceiveOptions options;
    ReceiveFinisher finisher(totals);
    fs::create_directories(dir / "root");
    {
        ReceiveEngine engine(host, queue, totals, progress, options);
        EXPECT_TRUE(engine.Receive(head, tasks, dir / "root"));
        finisher.drain(queue);
    }
    EXPECT_EQ(totals.zip.received, 1);
    EXPECT_TRUE(fs::exists(dir / "root/z/pack.zip"));
    EXPECT_FALSE(fs::exists(dir / "root/z/__zip___"));
}

// Files of two lists over four logged-in sessions: the questions, the log
// rows, the error lines and the files are those of a one-session receive,
// a missing file in the middle fails alone, and the server did see several
// sessions at once. A server that allows one session per address gets the
// same receive over that one.
TEST(FtpReceiveTest, ManySessionsKeepEverythingInDocumentOrder)
{
    TestFolder dir;
    std::vector<std::pair<std::string, std::string>> served;
    for (int i = 1; i <= 30; ++i) {
        const std::string name = (i % 2 ? "pub/f" : "other/g") + std::to_string(i) + ".bin";
        served.emplace_back(name, std::string(1000 + i * 37, static_cast<char>('a' + i % 26)));
        if (i != 17)
            writeFile(dir / ("served/" + name), served.back().second);
    }
    testservers::FtpServer server(dir / "served", "alice", "wonder");
    ASSERT_TRUE(server.ready);
    AccountStore store(dir / "ant");
    ASSERT_TRUE(store.addAccount({"ftp1", "alice", "wonder", 0, "127.0.0.1", 1, 0, 0, ""}));

    struct Seen {
        std::vector<std::string> questions, rows, errors;
        int mostSessions = 0;
    };
    testservers::FtpServer single(dir / "served", "alice", "wonder", {}, 1);
    ASSERT_TRUE(single.ready);
    auto receiveWith = [&](int connections, testservers::FtpServer& server) {
        auto task = std::make_unique<TaskRecord>();
        task->name = "T";
        task->folderText = "ftp";
        auto source = loopbackSource(guidepost::ProtocolFtp, server.port);
        source->account = "ftp1";
        auto pub = ftpList("pub", "/pub");
        auto other = ftpList("other", "/other");
        other->localFolder = {"other"};
        for (int i = 1; i <= 30; ++i)
            ftpFile(i % 2 ? *pub : *other, served[i - 1].first.substr(served[i - 1].first.find('/') + 1));
        source->fileLists.push_back(std::move(pub));
        source->fileLists.push_back(std::move(other));
        task->sources.push_back(std::move(source));
        std::vector<std::unique_ptr<TaskRecord>> tasks;
        tasks.push_back(std::move(task));

        fs::remove_all(dir / "root");
        writeFile(dir / "root/ftp/f9.bin", "old");  // asked about, in its turn
        GuidePostHead head;
        head.name = "ftp";
        ScriptedHost host;
        ReceiveEventQueue queue;
        ReceiveTotals totals;
        ReceiveProgress progress;
        ReceiveOptions options;
        options.accounts = &store;
        options.transfer.connections = connections;
        ReceiveFinisher finisher(totals);
        Seen seen;
        finisher.setLogHook([&](const ReceiveEvent& e, const FinishResult&) {
            seen.rows.push_back(std::to_string(e.eventKind) + " " + e.saveName + " " + e.remoteName + " "
                                + std::to_string(e.byteCount) + " " + std::to_string(e.transferMode));
        });
        ReceiveEngine engine(host, queue, totals, progress, options);
        EXPECT_NO_THROW(engine.Receive(head, tasks, dir / "root"));
        finisher.drain(queue);
        for (const Question& q : host.asked)
            seen.questions.push_back(std::to_string(static_cast<int>(q.kind)) + " " + q.text);
        seen.errors = engine.errorLines();
        seen.mostSessions = server.mostSessions();
        for (int i = 1; i <= 30; ++i) {
            const fs::path local = dir / ((i % 2 ? "root/ftp/" : "root/ftp/other/")
                                          + served[i - 1].first.substr(served[i - 1].first.find('/') + 1));
            if (i == 17) {
                EXPECT_FALSE(fs::exists(local));
            } else if (i != 9 || fs::file_size(local) != 3) {
                EXPECT_EQ(readFile(local), served[i - 1].second) << local;
            }
        }
        EXPECT_EQ(totals.ftp.failed, 1);
        return seen;
    };
    const Seen one = receiveWith(1, server);
    EXPECT_EQ(one.mostSessions, 1);
    const Seen four = receiveWith(4, server);
    EXPECT_GE(four.mostSessions, 3);
    const Seen limited = receiveWith(4, single);
    EXPECT_EQ(limited.mostSessions, 1);
    EXPECT_EQ(limited.rows, one.rows);
    EXPECT_EQ(limited.errors, one.errors);
    ASSERT_GE(one.questions.size(), 2u);  // the welcome, the overwrite question of f9.bin
    EXPECT_NE(one.questions.back().find("f9.bin"), std::string::npos) << one.questions.back();
    EXPECT_EQ(four.questions, one.questions);
    EXPECT_EQ(four.rows, one.rows);
    EXPECT_EQ(four.errors, one.errors);
    ASSERT_FALSE(one.errors.empty());
    EXPECT_NE(one.errors.back().find("f17.bin"), std::string::npos) << one.errors.back();
}

} // namespace
