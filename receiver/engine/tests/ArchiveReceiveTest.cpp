// Built once the document and archive code are in the library.

#include "ScriptedHost.h"
#include "TestFolder.h"
#include "TestRecords.h"

#include "receiver/engine/ReceiveEventQueue.h"
#include "receiver/engine/ReceiveFinisher.h"
#include "receiver/engine/ReceiveProgress.h"
#include "receiver/engine/ReceiveTotals.h"
#include "receiver/engine/ReceiveWorker.h"

#include "guidepost/CAMData.h"
#include "guidepost/CAMException.h"
#include "guidepost/GuidePostArchive.h"
#include "guidepost/TCXML.h"
#include "platform/FreeSpaceGuard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sys/wait.h>

using namespace receive;
using namespace receive::test;

namespace {

// The schemas stand beside the programs, not beside the tests.
struct SchemaFolder : ::testing::Environment {
    void SetUp() override { TCXML::SetSchemaFolder(CV_BIN_DIR); }
    void TearDown() override { TCXML::SetSchemaFolder(""); }
};
const auto* const schemaFolder = ::testing::AddGlobalTestEnvironment(new SchemaFolder);

void buildModel(CAMData& model, const TestFolder& dir)
{
    model.name = "配布";
    model.creator = "作者";
    model.comment = "写真です";
    model.local = true;
    auto task = std::make_unique<TaskRecord>();
    task->name = "写真";
    task->folderText = "受信\\写真";
    task->folderList = {"受信", "写真"};
    for (const char* name : {"一.txt", "two.bin"}) {
        attachFile(*task, dir, name, std::string("contents of ") + name);
    }
    auto source = std::make_unique<SourceRecord>();
    source->name = "添付";
    source->protocol = guidepost::ProtocolAttach;
    auto list = std::make_unique<FileListRecord>();
    list->name = "list";
    list->localFolder = {"sub"};
    list->synchronize = true;
    for (const char* name : {"一.txt", "two.bin"}) {
        auto f = std::make_unique<FileRecord>();
        f->name = name;
        f->remote = name;
        f->timePresent = true;
        f->time = 1'400'000'000;
        list->files.push_back(std::move(f));
    }
    source->fileLists.push_back(std::move(list));
    task->sources.push_back(std::move(source));
    model.tasks.push_back(std::move(task));
}

TEST(ArchiveReceiveTest, AnEncipheredArchiveIsReceivedIntoItsFoldersWithItsTimes)
{
    TestFolder dir;
    CAMData model;
    buildModel(model, dir);
    const std::string archive = dir / "配布.gpa";
    const unsigned char code[] = "secret";
    ASSERT_TRUE(GuidePostArchive::Write(archive, model, true, code, 6));

    ScriptedHost host;
    host.script(QuestionKind::CipherCode, std::vector<Answer>{{AnswerOk, "secret", {}}});
    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    ReceiveWorker worker(host, queue, totals, progress);
    WorkerOutcome outcome = worker.run("file://" + archive, dir / "root");
    ReceiveFinisher finisher(totals);
    finisher.drain(queue);
    ASSERT_EQ(outcome.status, WorkerOutcome::Received) << outcome.message;
    const std::string folder = dir / "root/受信/写真/sub";
    EXPECT_EQ(readFile(folder + "/一.txt"), "contents of 一.txt");
    EXPECT_EQ(readFile(folder + "/two.bin"), "contents of two.bin");
    EXPECT_EQ(timeOf(folder + "/two.bin"), 1'400'000'000);
    EXPECT_EQ(totals.attach.received, 2);
    EXPECT_TRUE(finisher.failures().empty());

    // A wrong code fails the archive, and the save root holds no file.
    ScriptedHost wrong;
    wrong.script(QuestionKind::CipherCode, std::vector<Answer>{{AnswerOk, "other", {}}});
    ReceiveWorker again(wrong, queue, totals, progress);
    WorkerOutcome failed = again.run(archive, dir / "root2");
    EXPECT_EQ(failed.status, WorkerOutcome::Failed);
    EXPECT_FALSE(fs::exists(dir / "root2/受信/写真/sub/two.bin"));
}

// An attachment may not inflate beyond the size its GuidePost declares, nor
// fill the disk: the file fails with a line that says why, the file it
// would replace stays, and nothing is left beside it.
TEST(ArchiveReceiveTest, AttachmentsStopAtTheirDeclaredSizeAndBeforeTheDiskIsFull)
{
    TestFolder dir;
    const std::string zeros(64u << 20, '\0');
    CAMData model;
    buildModel(model, dir);
    writeFile(dir / "src/two.bin", zeros);
    model.tasks[0]->attachments[1]->size = 10;  // declares 10 bytes
    ASSERT_TRUE(GuidePostArchive::Write(dir / "bomb.gpa", model, false, nullptr, 0));
    ASSERT_LT(fs::file_size(dir / "bomb.gpa"), 400000u);
    const std::string folder = dir / "root/受信/写真/sub";
    writeFile(folder + "/two.bin", "what the user had");

    ScriptedHost host;
    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    auto receive = [&](const std::string& archive, std::vector<std::string>& lines) {
        ReceiveWorker worker(host, queue, totals, progress);
        WorkerOutcome outcome = worker.run(archive, dir / "root");
        ReceiveFinisher(totals).drain(queue);
        lines = worker.errorLines();
        return outcome;
    };
    auto said = [](const std::vector<std::string>& lines, const std::string& text) {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    std::vector<std::string> lines;
    WorkerOutcome declared = receive(dir / "bomb.gpa", lines);
    EXPECT_EQ(declared.status, WorkerOutcome::Received) << declared.message;
    EXPECT_TRUE(said(lines, "[two.bin]: 宣言されたサイズ（10 バイト）を超えて展開されます。")) << lines.size();
    EXPECT_TRUE(said(lines, "ファイル[ two.bin ]を取得できませんでした。"));

    // Its true size given, on a disk already below its reserve (set here 1 GiB
    // above the free space, so that other tests freeing space meanwhile
    // change nothing): the line says that space ran out.
    model.tasks[0]->attachments[1]->size = static_cast<std::int64_t>(zeros.size());
    ASSERT_TRUE(GuidePostArchive::Write(dir / "large.gpa", model, false, nullptr, 0));
    platform::FreeSpaceGuard::setReserve(fs::space(dir.path).available + (1ull << 30));
    WorkerOutcome full = receive(dir / "large.gpa", lines);
    platform::FreeSpaceGuard::setReserve(platform::FreeSpaceGuard::defaultReserve);
    // Nothing fits, not even the small file: the receive ends, without an
    // error of its own, having received nothing.
    EXPECT_EQ(full.status, WorkerOutcome::NothingReceived) << full.message;
    EXPECT_TRUE(said(lines, "ディスクの空き容量が足りなくなったため、[ " + folder + " ]への[ two.bin ]の取り出しをやめました"));

    EXPECT_EQ(readFile(folder + "/two.bin"), "what the user had");
    EXPECT_EQ(readFile(folder + "/一.txt"), "contents of 一.txt");
    for (const auto& e : fs::directory_iterator(folder))
        EXPECT_EQ(e.path().filename().string().find(".CV"), std::string::npos) << e.path();
}

// Every file is taken out of the archive when it is placed, straight into a
// temporary file beside its target, through one handle on the archive: no
// copy in the temporary folder, nothing left beside the targets, a damaged
// entry fails only its own file and never touches the file it would replace.
TEST(ArchiveReceiveTest, EachFileIsTakenOutBesideItsTargetAndRenamedIntoPlace)
{
    TestFolder dir;
    CAMData model;
    model.name = "配布";
    model.local = true;
    auto task = std::make_unique<TaskRecord>();
    task->name = "T";
    task->folderText = "d";
    task->folderList = {"d"};
    std::string big;
    while (big.size() < 300000)
        big += "行 " + std::to_string(big.size()) + "\n";
    attachFile(*task, dir, "small.txt", "small");
    attachFile(*task, dir, "big.txt", big);
    attachFile(*task, dir, "broken.txt", std::string(50000, 'x'));
    auto source = std::make_unique<SourceRecord>();
    source->name = "添付";
    source->protocol = guidepost::ProtocolAttach;
    auto list = std::make_unique<FileListRecord>();
    list->name = "list";
    for (auto [name, remote] : {std::pair{"small.txt", "small.txt"}, {"again.txt", "small.txt"},
                                {"big.txt", "big.txt"}, {"broken.txt", "broken.txt"}}) {
        auto f = std::make_unique<FileRecord>();
        f->name = name;
        f->remote = remote;
        list->files.push_back(std::move(f));
    }
    source->fileLists.push_back(std::move(list));
    task->sources.push_back(std::move(source));
    model.tasks.push_back(std::move(task));
    const std::string archive = dir / "a.gpa";
    ASSERT_TRUE(GuidePostArchive::Write(archive, model, false, nullptr, 0));
    // One byte of the third entry's compressed data changed.
    ArchiveIndex index;
    ASSERT_TRUE(GuidePostArchive::ReadIndex(archive, index));
    ::unlink(index.documentPath.c_str());
    std::string bytes = readFile(archive);
    const auto& broken = index.records.at(2);
    bytes[broken.offset + 14 + broken.storedLength / 2] ^= 0x55;
    writeFile(archive, bytes);
    // The file the damaged entry would replace.
    writeFile(dir / "root/d/broken.txt", "old contents");

    const char* oldTmp = std::getenv("TMPDIR");
    const std::string savedTmp = oldTmp ? oldTmp : "";
    fs::create_directories(dir / "tmp");
    ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
    ScriptedHost host;
    host.script(QuestionKind::Overwrite, {OverwriteThis});
    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    ReceiveWorker worker(host, queue, totals, progress);
    WorkerOutcome outcome = worker.run(archive, dir / "root");
    ReceiveFinisher finisher(totals);
    finisher.drain(queue);
    if (oldTmp)
        ::setenv("TMPDIR", savedTmp.c_str(), 1);
    else
        ::unsetenv("TMPDIR");

    ASSERT_EQ(outcome.status, WorkerOutcome::Received) << outcome.message;
    EXPECT_EQ(readFile(dir / "root/d/small.txt"), "small");
    EXPECT_EQ(readFile(dir / "root/d/again.txt"), "small");
    EXPECT_TRUE(readFile(dir / "root/d/big.txt") == big);
    EXPECT_EQ(readFile(dir / "root/d/broken.txt"), "old contents");
    EXPECT_EQ(totals.attach.received, 3);
    EXPECT_EQ(totals.attach.failed, 1);
    // The reason on its own line, then the file's line in its fixed form.
    ASSERT_EQ(worker.errorLines().size(), 2u);
    EXPECT_FALSE(worker.errorLines()[0].empty());
    EXPECT_EQ(worker.errorLines()[1], "ファイル[ broken.txt ]を取得できませんでした。");
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir / "root/d")) {
        EXPECT_NE(e.path().filename().string().front(), '.') << "left beside the targets: " << e.path();
        ++files;
    }
    EXPECT_EQ(files, 4);
    EXPECT_TRUE(fs::is_empty(dir / "tmp")) << "no copy goes through the temporary folder";
}

TEST(ArchiveReceiveTest, BadSourcesAndSaveRootsEndWithTheirMessages)
{
    TestFolder dir;
    ScriptedHost host;
    ReceiveEventQueue queue;
    ReceiveTotals totals;
    ReceiveProgress progress;
    ReceiveWorker worker(host, queue, totals, progress);
    WorkerOutcome empty = worker.run("", dir / "root");
    EXPECT_EQ(empty.status, WorkerOutcome::Failed);
    EXPECT_EQ(empty.code, CAMException::FileCreateFailed);
    ASSERT_FALSE(host.asked.empty());
    EXPECT_EQ(host.asked.back().text, "ファイル、URLの指定が正しくありません");

    writeFile(dir / "fake.gpa", "GPAR this is no archive");
    WorkerOutcome fake = worker.run(dir / "fake.gpa", dir / "root");
    EXPECT_EQ(fake.status, WorkerOutcome::Failed);
    EXPECT_EQ(fake.message, "このガイドポストファイルを処理することができません");

    CAMData model;
    buildModel(model, dir);
    ASSERT_TRUE(GuidePostArchive::Write(dir / "plain.gpa", model, false, nullptr, 0));
    // A save root the user chose is made one level deep only, and the
    // message names the folder that is missing.
    WorkerOutcome noRoot = worker.run(dir / "plain.gpa", dir / "missing/root");
    EXPECT_EQ(noRoot.status, WorkerOutcome::Failed);
    EXPECT_EQ(noRoot.message, "保存フォルダ[ " + dir / "missing/root" + " ]を作成できません。その上のフォルダ[ "
                                  + dir / "missing" + " ]がありません。");
    EXPECT_FALSE(fs::exists(dir / "missing"));

    // A source that is not there, or is a folder, is said to be so, with
    // its path, and no save root is made for it.
    WorkerOutcome absent = worker.run(dir / "absent.gp", dir / "root");
    EXPECT_EQ(absent.status, WorkerOutcome::Failed);
    EXPECT_EQ(absent.message, "ガイドポストのファイル[ " + dir / "absent.gp" + " ]がありません。");
    WorkerOutcome folder = worker.run(dir.path.string(), dir / "root");
    EXPECT_EQ(folder.status, WorkerOutcome::Failed);
    EXPECT_EQ(folder.message.rfind("[ " + dir.path.string() + " ]はフォルダです。", 0), 0u) << folder.message;
    EXPECT_FALSE(fs::exists(dir / "root"));

    // A relative save root is made absolute once, before anything uses it.
    const fs::path before = fs::current_path();
    fs::current_path(dir.path);
    std::vector<std::string> begun;
    worker.setHooks([&](const CAMData&, const std::string& root) { begun.push_back(root); },
                    [](const CAMData&, const ReceiveEngine&) {});
    WorkerOutcome relative = worker.run("plain.gpa", "rel");
    fs::current_path(before);
    ReceiveFinisher(totals).drain(queue);
    EXPECT_EQ(relative.status, WorkerOutcome::Received) << relative.message;
    EXPECT_EQ(begun, std::vector<std::string>{dir / "rel"});
    EXPECT_TRUE(fs::exists(dir / "rel/受信/写真/sub/two.bin"));
}

} // namespace

namespace {

// corvan-cli receive, run as a user runs it.
int runCli(const std::string& arguments, const TestFolder& dir)
{
    fs::create_directories(dir / "tmp");
    std::string command = "cd '" + dir.path.string() + "' && HOME='" + (dir / "home") + "' XDG_CONFIG_HOME='"
        + (dir / "home/.config") + "' TMPDIR='" + (dir / "tmp") + "' '" + CV_BIN_DIR + "/corvan-cli' receive "
        + arguments
        + " </dev/null >'" + (dir / "out.txt") + "' 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ReceiveCommandTest, ExitStatusTellsReceivedNothingReceivedFailureAndUsage)
{
    TestFolder dir;
    if (!fs::exists(std::string(CV_BIN_DIR) + "/corvan-cli"))
        GTEST_SKIP() << "corvan-cli is not built";
    CAMData model;
    buildModel(model, dir);
    const std::string archive = dir / "a.gpa";
    ASSERT_TRUE(GuidePostArchive::Write(archive, model, false, nullptr, 0));

    EXPECT_EQ(runCli("a.gpa --root root --yes", dir), 0) << readFile(dir / "out.txt");
    EXPECT_EQ(readFile(dir / "root/受信/写真/sub/two.bin"), "contents of two.bin");
    // A first run on a fresh account: no documents folder yet, and the
    // default save root is made with it.
    ASSERT_FALSE(fs::exists(dir / "home/Documents"));
    EXPECT_EQ(runCli("a.gpa --yes", dir), 0) << readFile(dir / "out.txt");
    EXPECT_EQ(readFile(dir / "home/Documents/Corvan/受信/写真/sub/two.bin"), "contents of two.bin");
    // A save root the user chose is made one level deep only.
    EXPECT_EQ(runCli("a.gpa --root deep/er --yes", dir), 1);
    EXPECT_NE(readFile(dir / "out.txt").find("その上のフォルダ[ " + dir / "deep" + " ]がありません。"), std::string::npos)
        << readFile(dir / "out.txt");
    // Without a terminal a question is an error, and nothing is touched.
    EXPECT_EQ(runCli("a.gpa --root other", dir), 1);
    EXPECT_NE(readFile(dir / "out.txt").find("--yes"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "other/受信"));
    EXPECT_EQ(runCli("missing.gpa --root root --yes", dir), 1);
    EXPECT_EQ(runCli("--root root", dir), 2);
    EXPECT_EQ(runCli("a.gpa --bogus", dir), 2);

    // Everything kept: nothing was received.
    for (auto& list : model.tasks[0]->sources[0]->fileLists)
        for (auto& file : list->files)
            file->update = guidepost::UpdateIfNotExist;
    ASSERT_TRUE(GuidePostArchive::Write(archive, model, false, nullptr, 0));
    EXPECT_EQ(runCli("a.gpa --root root --yes", dir), 3) << readFile(dir / "out.txt");
    EXPECT_NE(readFile(dir / "out.txt").find("受信したファイルは一つもありませんでした"), std::string::npos);
}

} // namespace
