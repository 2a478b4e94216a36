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
    fs::create_directories(dir / "root");
    {
        ReceiveEngine engine(host, queue, totals, progress, options);
        EXPECT_TRUE(engine.Receive(head, tasks, dir / "root"));
        finisher.drain(queue);
    }
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

} // namespace
