#include "platform/FtpSource.h"
#include "TestServers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace platform;
using testservers::readFile;
using testservers::writeFile;

namespace {

// One pyftpdlib server for the whole suite: starting Python costs time.
class FtpSourceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root = new std::filesystem::path(testservers::scratchFolder("ftp-root"));
        writeFile(*root / "readme.txt", "line one\nline two\n");
        std::string binary;
        for (int i = 0; i < 20000; ++i)
            binary += static_cast<char>(i % 256);
        writeFile(*root / "data.bin", binary);
        writeFile(*root / "noext", "a\nb\n");
        writeFile(*root / "pack.tar.gz", "x\ny\n");
        writeFile(*root / "pub" / "one.txt", "1\n");
        writeFile(*root / "pub" / "two.dat", "22");
        writeFile(*root / "pub" / "docs" / "three.txt", "333\n");
        writeFile(*root / "pub" / "docs" / "deep" / "four.bin", "4444");
        writeFile(*root / "pub" / "other.log", "log\n");
        std::string large(3u << 20, '\0');
        for (std::size_t i = 0; i < large.size(); ++i)
            large[i] = static_cast<char>((i * 31 + i / 509) & 0xff);
        writeFile(*root / "large.bin", large);
        writeFile(*root / "large.txt", std::string(1u << 20, 'a') + "\n" + std::string(2u << 20, 'b'));
        server = new testservers::FtpServer(*root, "alice", "wonder");
    }
    static void TearDownTestSuite()
    {
        delete server;
        std::filesystem::remove_all(*root);
        delete root;
    }
    void SetUp() override
    {
        ASSERT_TRUE(server->ready);
        tmp = testservers::scratchFolder("ftp-tmp");
        const char* old = std::getenv("TMPDIR");
        savedTmp = old ? old : "";
        ::setenv("TMPDIR", tmp.c_str(), 1);
        ascii.add("TXT");
        ascii.add("gz");
    }
    void TearDown() override
    {
        if (savedTmp.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", savedTmp.c_str(), 1);
        std::filesystem::remove_all(tmp);
    }
    FtpSource source(SourceLogin login = {})
    {
        return FtpSource("127.0.0.1", server->port, login, {}, options, callbacks, &ascii);
    }
    bool noTempFiles() const
    {
        for (const auto& e : std::filesystem::directory_iterator(tmp))
            if (e.path().filename().string().rfind("CV", 0) == 0)
                return false;
        return true;
    }

    static std::filesystem::path* root;
    static testservers::FtpServer* server;
    std::filesystem::path tmp;
    std::string savedTmp;
    InternetOptions options;
    TransferCallbacks callbacks;
    AsciiExtensions ascii;
};

std::filesystem::path* FtpSourceTest::root = nullptr;
testservers::FtpServer* FtpSourceTest::server = nullptr;

FtpFileRequest request(const std::string& name, int mode = 0)
{
    FtpFileRequest r;
    r.remoteName = name;
    r.mode = mode;
    return r;
}

} // namespace

TEST_F(FtpSourceTest, FetchesInTheResolvedModeWithTheBytesIntact)
{
    std::vector<long long> sizes, blocks;
    callbacks.fileBegins = [&](long long n) { sizes.push_back(n); };
    callbacks.blockReceived = [&](long long n) { blocks.push_back(n); };
    FtpSource src = source();
    ASSERT_EQ(src.open().failure, TransferFailure::None);

    FtpFileResult text = src.get(request("readme.txt"));
    ASSERT_EQ(text.status, TransferStatus::Received) << text.error.detail;
    EXPECT_EQ(text.mode, 1);
    EXPECT_EQ(readFile(text.tempPath), "line one\nline two\n");

    FtpFileResult bin = src.get(request("data.bin"));
    ASSERT_EQ(bin.status, TransferStatus::Received);
    EXPECT_EQ(bin.mode, 2);
    EXPECT_EQ(readFile(bin.tempPath), readFile(*root / "data.bin"));
    EXPECT_EQ(bin.size, 20000);
    // A single file's size is not asked (SIZE replies cannot be trusted):
    // the progress counts the bytes without a total.
    EXPECT_EQ(sizes.back(), 0);
    EXPECT_EQ(blocks.back(), 20000);

    EXPECT_EQ(src.get(request("noext")).mode, 2);
    EXPECT_EQ(src.get(request("pack.tar.gz")).mode, 1);
    EXPECT_EQ(src.get(request("readme.txt", 2)).mode, 2);
    EXPECT_EQ(src.get(request("data.bin", 1)).mode, 1);
    for (const auto& e : std::filesystem::directory_iterator(tmp))
        std::filesystem::remove(e.path());

    FtpFileRequest keep = request("readme.txt");
    keep.decide = [] { return false; };
    FtpFileResult kept = src.get(keep);
    EXPECT_EQ(kept.status, TransferStatus::Kept);
    EXPECT_EQ(kept.size, -1);

    FtpFileResult missing = src.get(request("absent.txt"));
    EXPECT_EQ(missing.status, TransferStatus::Failed);
    EXPECT_EQ(missing.error.failure, TransferFailure::TransferFailed);
    EXPECT_NE(missing.error.curlCode, 0);
    EXPECT_TRUE(noTempFiles());
}

TEST_F(FtpSourceTest, RemoteFoldersAndAccounts)
{
    FtpSource alice = source(SourceLogin{true, "acct", "alice", "wonder", false});
    ASSERT_EQ(alice.open().failure, TransferFailure::None);
    EXPECT_TRUE(alice.changeFolder("/pub/docs/"));
    EXPECT_EQ(alice.currentFolder(), "/pub/docs");
    FtpFileResult r = alice.get(request("three.txt"));
    ASSERT_EQ(r.status, TransferStatus::Received);
    EXPECT_EQ(readFile(r.tempPath), "333\n");
    std::filesystem::remove(r.tempPath);
    EXPECT_TRUE(alice.changeFolder("pub"));
    EXPECT_FALSE(alice.changeFolder("/no/such/folder"));
    EXPECT_EQ(alice.currentFolder(), "pub");

    EXPECT_EQ(source(SourceLogin{true, "acct", "alice", "bad", false}).open().failure, TransferFailure::LoginRefused);

    // The typed password, and the mail address prompt.
    std::vector<PasswordPrompt> prompts;
    callbacks.askPassword = [&](const PasswordPrompt& p) -> std::optional<std::string> {
        prompts.push_back(p);
        return p.user == "alice" ? std::optional<std::string>("wonder") : std::optional<std::string>("me@example.org");
    };
    EXPECT_EQ(source(SourceLogin{true, "acct", "alice", "", true}).open().failure, TransferFailure::None);
    EXPECT_EQ(source(SourceLogin{true, "mail", "anonymous", "", true}).open().failure, TransferFailure::None);
    // The account named "anonymous" never asks.
    EXPECT_EQ(source(SourceLogin{true, "anonymous", "anonymous", "", true}).open().failure, TransferFailure::None);
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_FALSE(prompts[0].mailAddress);
    EXPECT_EQ(prompts[0].protocol, "FTP");
    EXPECT_TRUE(prompts[1].mailAddress);

    callbacks.askPassword = [](const PasswordPrompt&) -> std::optional<std::string> { return std::nullopt; };
    EXPECT_EQ(source(SourceLogin{true, "acct", "alice", "", true}).open().failure, TransferFailure::PasswordDeclined);

    // Nobody listens.
    FtpSource gone("127.0.0.1", testservers::freePort(), {}, {}, options, callbacks, &ascii);
    EXPECT_EQ(gone.open().failure, TransferFailure::ConnectFailed);
}

TEST_F(FtpSourceTest, MultipleGetFetchesMatchingFilesAndFoldersRecursively)
{
    FtpSource src = source();
    ASSERT_EQ(src.open().failure, TransferFailure::None);
    ASSERT_TRUE(src.changeFolder("/pub"));

    std::map<std::string, std::string> got; // local path -> content
    std::vector<std::string> folders, lines;
    std::vector<int> counts;
    FtpMultipleGet m;
    m.pattern = "*";
    m.localFolder = "dest";
    m.counted = [&](int n) { counts.push_back(n); };
    m.createFolder = [](const std::string&) { return true; };
    m.folderCreated = [&](const std::string& local, const std::string&) { folders.push_back(local); };
    m.fileDone = [&](const FtpFileResult& r) {
        ASSERT_EQ(r.status, TransferStatus::Received);
        got[r.localFolder + "/" + r.remoteName] = readFile(r.tempPath);
        std::filesystem::remove(r.tempPath);
    };
    m.folderUnreadable = [&](const std::string& folder) { lines.push_back("unreadable " + folder); };
    m.folderRefused = [&](const std::string& folder, const std::string& name) {
        lines.push_back("refused " + folder + " " + name);
    };
    EXPECT_TRUE(src.getMultiple(m));
    EXPECT_EQ(got, (std::map<std::string, std::string>{{"dest/one.txt", "1\n"},
                                                       {"dest/two.dat", "22"},
                                                       {"dest/other.log", "log\n"},
                                                       {"dest/docs/three.txt", "333\n"},
                                                       {"dest/docs/deep/four.bin", "4444"}}));
    EXPECT_EQ(folders, (std::vector<std::string>{"dest/docs", "dest/docs/deep"}));
    EXPECT_EQ(counts, (std::vector<int>{4, 2, 1}));
    EXPECT_TRUE(lines.empty());

    // A pattern; a folder that cannot be made locally stops there.
    got.clear();
    folders.clear();
    m.pattern = "*.txt";
    EXPECT_TRUE(src.getMultiple(m));
    EXPECT_EQ(got.size(), 1u);
    m.pattern = "d*";
    m.createFolder = [](const std::string&) { return false; };
    EXPECT_TRUE(src.getMultiple(m));
    EXPECT_EQ(lines, std::vector<std::string>{"refused /pub docs"});
    EXPECT_TRUE(noTempFiles());
}

TEST_F(FtpSourceTest, CancelStopsTheTransfer)
{
    int blocks = 0;
    callbacks.blockReceived = [&](long long) { ++blocks; };
    callbacks.cancelled = [&] { return blocks >= 1; };
    FtpSource src = source();
    ASSERT_EQ(src.open().failure, TransferFailure::None);
    FtpFileResult r = src.get(request("data.bin"));
    EXPECT_EQ(r.status, TransferStatus::Cancelled);
    EXPECT_EQ(r.error.failure, TransferFailure::Cancelled);
    EXPECT_EQ(blocks, 1);
    EXPECT_TRUE(noTempFiles());
}

// A server whose SIZE replies are smaller than the file, or negative: the
// whole file is read, up to the end of the data connection.
TEST(FtpSizeTest, TheDataConnectionNotTheSizeReplyEndsAFile)
{
    const auto root = testservers::scratchFolder("ftp-size");
    const std::string bytes = "abcdefghijklmnopqrstuvwxyz0123456789";
    writeFile(root / "long.bin", bytes);
    writeFile(root / "pub" / "two.bin", bytes + bytes);
    AsciiExtensions ascii;
    for (const char* reply : {"3", "-5"}) {
        testservers::FtpServer server(root, "alice", "wonder", reply);
        ASSERT_TRUE(server.ready);
        long long announced = -1;
        TransferCallbacks callbacks;
        callbacks.fileBegins = [&](long long size) { announced = size; };
        FtpSource src("127.0.0.1", server.port, {}, {}, {}, callbacks, &ascii);
        ASSERT_EQ(src.open().failure, TransferFailure::None);
        FtpFileResult r = src.get(request("long.bin"));
        ASSERT_EQ(r.status, TransferStatus::Received) << reply << " " << r.error.detail;
        EXPECT_EQ(readFile(r.tempPath), bytes) << reply;
        EXPECT_EQ(r.size, static_cast<long long>(bytes.size()));
        std::filesystem::remove(r.tempPath);

        FtpMultipleGet m;
        m.pattern = "*.bin";
        m.localFolder = "dest";
        std::string got;
        m.fileDone = [&](const FtpFileResult& done) {
            got = done.status == TransferStatus::Received ? readFile(done.tempPath) : "failed";
            std::filesystem::remove(done.tempPath);
        };
        ASSERT_TRUE(src.changeFolder("/pub"));
        EXPECT_TRUE(src.getMultiple(m));
        EXPECT_EQ(got, bytes + bytes) << reply;
        EXPECT_EQ(announced, 72) << "a multiple get's progress takes the size from the listing";
    }
    std::filesystem::remove_all(root);
}

TEST(FtpListing, ParsesMlsdAndUnixLines)
{
    auto mlsd = FtpSource::parseListing("type=cdir;modify=1; .\r\ntype=file;size=12;modify=2; a file.txt\r\n"
                                        "Type=dir;modify=3; sub\r\ntype=OS.unix=symlink; link\r\n"
                                        "type=file;size=1; ..\r\n",
                                        true);
    ASSERT_EQ(mlsd.size(), 2u);
    EXPECT_EQ(mlsd[0].name, "a file.txt");
    EXPECT_EQ(mlsd[0].size, 12);
    EXPECT_FALSE(mlsd[0].folder);
    EXPECT_TRUE(mlsd[1].folder);

    auto list = FtpSource::parseListing("total 8\n-rw-r--r-- 1 u g 42 Jan  1 00:00 two words.bin\n"
                                        "drwxr-xr-x 2 u g 4096 Feb 2 2020 dir\nlrwxrwxrwx 1 u g 4 Jan 1 00:00 l -> x\n",
                                        false);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "two words.bin");
    EXPECT_EQ(list[0].size, 42);
    EXPECT_TRUE(list[1].folder);
}

TEST(FtpAsciiExtensions, ShippedListAndAutoRule)
{
    AsciiExtensions shipped;
    ASSERT_TRUE(shipped.load(std::string(CV_BIN_DIR) + "/EXT1.DAT"));
    EXPECT_TRUE(shipped.isAscii("index.HTM"));
    EXPECT_TRUE(shipped.isAscii("notes.txt"));
    EXPECT_FALSE(shipped.isAscii("photo.jpg"));
    EXPECT_FALSE(shipped.isAscii("README"));

    auto dir = testservers::scratchFolder("ext");
    testservers::writeFile(dir / "EXT1.DAT", "txt\r\nGz\n.bad\nb.c\n\n  \n");
    AsciiExtensions own;
    ASSERT_TRUE(own.load((dir / "EXT1.DAT").string()));
    EXPECT_EQ(own.size(), 2u);
    EXPECT_EQ(own.resolve(0, "a.tar.gz"), 1);
    EXPECT_EQ(own.resolve(0, "a.TXT"), 1);
    EXPECT_EQ(own.resolve(0, "txt"), 2);
    EXPECT_EQ(own.resolve(2, "a.txt"), 2);
    EXPECT_EQ(own.resolve(1, "a.bin"), 1);
    EXPECT_FALSE(own.load((dir / "absent").string()));
    EXPECT_TRUE(own.empty());
    std::filesystem::remove_all(dir);
}

TEST_F(FtpSourceTest, ThroughAnAuthenticatingProxy)
{
    testservers::TinyProxy proxy("puser", "ppass");
    ASSERT_TRUE(proxy.ready);
    FtpSource src("127.0.0.1", server->port, {}, ProxySettings{"127.0.0.1", proxy.port, "puser", "ppass"}, options,
                  callbacks, &ascii);
    ASSERT_EQ(src.open().failure, TransferFailure::None);
    FtpFileResult r = src.get(request("data.bin"));
    ASSERT_EQ(r.status, TransferStatus::Received) << r.error.detail;
    EXPECT_EQ(readFile(r.tempPath), readFile(*root / "data.bin"));
    std::filesystem::remove(r.tempPath);

    FtpSource refused("127.0.0.1", server->port, {}, ProxySettings{"127.0.0.1", proxy.port, "puser", "bad"}, options,
                      callbacks, &ascii);
    EXPECT_NE(refused.open().failure, TransferFailure::None);
}

// A binary transfer stopped part-way keeps its data; the next fetch of the
// same file into the same target goes on with REST and the file is whole.
// An ASCII transfer never keeps any and starts again from its first byte.
TEST_F(FtpSourceTest, BinaryTransfersResumeWithRestAndAsciiStartsOver)
{
    options.resumeFolder = (tmp / "partial").string();
    for (const char* name : {"large.bin", "large.txt"}) {
        SCOPED_TRACE(name);
        const bool binary = std::string(name) == "large.bin";
        std::atomic<bool> stop{false};
        callbacks.cancelled = [&] { return stop.load(); };
        callbacks.blockReceived = [&](long long bytes) {
            if (bytes >= (1 << 20))
                stop = true;
        };
        FtpSource first = source();
        ASSERT_EQ(first.open().failure, TransferFailure::None);
        FtpFileRequest request;
        request.remoteName = name;
        request.mode = binary ? 2 : 1;
        request.resumeTarget = "/home/x/" + std::string(name);
        FtpFileResult cut = first.get(request);
        ASSERT_EQ(cut.status, TransferStatus::Cancelled);
        EXPECT_EQ(std::filesystem::exists(options.resumeFolder) && !std::filesystem::is_empty(options.resumeFolder),
                  binary);

        stop = false;
        callbacks.blockReceived = nullptr;
        FtpSource second = source();
        ASSERT_EQ(second.open().failure, TransferFailure::None);
        FtpFileResult whole = second.get(request);
        ASSERT_EQ(whole.status, TransferStatus::Received) << whole.error.detail;
        if (binary) {
            EXPECT_GE(whole.resumedFrom, 1 << 20);
        } else {
            EXPECT_EQ(whole.resumedFrom, 0);
        }
        const std::string got = readFile(whole.tempPath), want = readFile(*root / name);
        EXPECT_EQ(got.size(), want.size());
        EXPECT_TRUE(got == want) << "first difference at "
                                 << std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin();
        std::filesystem::remove(whole.tempPath);
        EXPECT_TRUE(!std::filesystem::exists(options.resumeFolder) || std::filesystem::is_empty(options.resumeFolder));
    }
    EXPECT_TRUE(noTempFiles());
}
