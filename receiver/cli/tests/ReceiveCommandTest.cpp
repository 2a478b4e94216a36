// corvan-cli receive as a user runs it: a child process with a home and a
// temporary folder of its own, stopped by signals, opening its pages
// through a recording opener on PATH.

#include "platform/tests/TestServers.h"

#include "guidepost/CAMData.h"
#include "platform/Cp932Codec.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ReceiveCommand : public ::testing::Test {
protected:
    fs::path dir;
    testservers::HttpServer http;
    std::atomic<bool> serving{true};

    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "CVcliXXXXXX").string();
        dir = ::mkdtemp(pattern.data());
        fs::create_directories(dir / "home/.config");
        fs::create_directories(dir / "tmp");
        fs::create_directories(dir / "bin");
        http.server.Get("/files/small.txt", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("small", "text/plain");
        });
        testservers::serveSlowly(http.server, "/files/slow.bin", 4u << 20, serving);
        http.start();
    }
    void TearDown() override
    {
        serving = false;
        fs::remove_all(dir);
    }

    std::string writeGuidePost(const std::vector<std::string>& files, int port = 0)
    {
        CAMData model;
        model.name = "配布";
        model.creator = "作者";
        auto task = std::make_unique<TaskRecord>();
        task->name = "文書";
        task->folderText = "docs";
        task->folderList = {"docs"};
        auto source = std::make_unique<SourceRecord>();
        source->name = "server";
        source->protocol = guidepost::ProtocolHttp;
        source->serverName = "127.0.0.1";
        source->port = static_cast<std::uint16_t>(port ? port : http.port);
        auto list = std::make_unique<FileListRecord>();
        list->name = "list";
        list->remoteFolder = "/files";
        list->remoteFolderGiven = true;
        for (const std::string& f : files) {
            auto file = std::make_unique<FileRecord>();
            file->remote = f;
            list->files.push_back(std::move(file));
        }
        source->fileLists.push_back(std::move(list));
        task->sources.push_back(std::move(source));
        model.tasks.push_back(std::move(task));
        const std::string path = (dir / "配布.gp").string();
        model.Save(path);
        return path;
    }

    // Starts corvan-cli with its own HOME, TMPDIR and PATH (the test's bin
    // folder first); stdout and stderr go to files.
    pid_t start(const std::vector<std::string>& args)
    {
        pid_t child = ::fork();
        if (child == 0) {
            ::setenv("HOME", (dir / "home").c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (dir / "home/.config").c_str(), 1);
            ::setenv("XDG_STATE_HOME", (dir / "home/.local/state").c_str(), 1);
            ::setenv("TMPDIR", (dir / "tmp").c_str(), 1);
            std::string path = (dir / "bin").string() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
            ::setenv("PATH", path.c_str(), 1);
            int in = ::open("/dev/null", O_RDONLY);
            int out = ::open((dir / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = ::open((dir / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(in, 0);
            ::dup2(out, 1);
            ::dup2(err, 2);
            ::chdir(dir.c_str());
            std::string program = std::string(CV_BIN_DIR) + "/corvan-cli";
            std::vector<char*> argv{program.data()};
            std::vector<std::string> copies = args;
            for (std::string& a : copies)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        return child;
    }
    int finish(pid_t child)
    {
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    int run(const std::vector<std::string>& args) { return finish(start(args)); }

    // Waits until the child's transfer has written into its temporary folder.
    bool transferBegun(pid_t child)
    {
        for (int i = 0; i < 5000; ++i) {
            std::error_code ec;
            for (const auto& e : fs::recursive_directory_iterator(dir / "tmp", ec))
                if (e.is_regular_file(ec) && e.file_size(ec) > 0)
                    return true;
            int status = 0;
            if (::waitpid(child, &status, WNOHANG) == child)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }
    bool tmpEmpty() const { return fs::is_empty(dir / "tmp"); }
    std::string page(const std::string& name) const
    {
        return platform::Cp932Codec::toUtf8(slurp(dir / ("root/_html___/" + name)));
    }
    void recordingOpener(int status)
    {
        std::ofstream script(dir / "bin/xdg-open");
        script << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << (dir / "opened.txt").string() << "'\nexit " << status
               << "\n";
        script.close();
        fs::permissions(dir / "bin/xdg-open", fs::perms::owner_all);
    }
};

const char* const cancelLine = "ユーザによりファイル受信は中止されました。";

} // namespace

TEST_F(ReceiveCommand, CtrlCStopsTheReceiveAndLeavesNoTemporaryFile)
{
    const std::string gp = writeGuidePost({"small.txt", "slow.bin"});
    pid_t child = start({"receive", gp, "--root", "root", "--yes", "--gen-report=yes", "--logging=yes"});
    ASSERT_TRUE(transferBegun(child)) << slurp(dir / "err.txt");
    ::kill(child, SIGINT);
    EXPECT_EQ(finish(child), 130) << slurp(dir / "err.txt");

    EXPECT_TRUE(tmpEmpty());
    EXPECT_EQ(slurp(dir / "root/docs/small.txt"), "small");
    EXPECT_FALSE(fs::exists(dir / "root/docs/slow.bin"));
    EXPECT_NE(page("Error01.htm").find(cancelLine), std::string::npos);
    EXPECT_NE(page("Log01.htm").find(cancelLine), std::string::npos);
    EXPECT_NE(slurp(dir / "out.txt").find("レポート: " + (dir / "root/_html___/Report01.htm").string()),
              std::string::npos);
    EXPECT_NE(slurp(dir / "err.txt").find("ユーザが中止しました"), std::string::npos);
}

TEST_F(ReceiveCommand, SigtermStopsItAndASecondSignalEndsAtOnce)
{
    const std::string gp = writeGuidePost({"slow.bin"});
    pid_t child = start({"receive", gp, "--root", "root", "--yes"});
    ASSERT_TRUE(transferBegun(child));
    ::kill(child, SIGTERM);
    EXPECT_EQ(finish(child), 130);
    EXPECT_TRUE(tmpEmpty());

    child = start({"receive", gp, "--root", "root2", "--yes"});
    ASSERT_TRUE(transferBegun(child));
    ::kill(child, SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(child, SIGINT);
    EXPECT_EQ(finish(child), 130);
    EXPECT_TRUE(tmpEmpty());
    EXPECT_FALSE(fs::exists(dir / "root2/docs/slow.bin"));
}

TEST_F(ReceiveCommand, AKilledReceivesDebrisGoesWithTheNextReceive)
{
    const std::string gp = writeGuidePost({"small.txt", "slow.bin"});
    pid_t child = start({"receive", gp, "--root", "root", "--yes"});
    ASSERT_TRUE(transferBegun(child)) << slurp(dir / "err.txt");
    ::kill(child, SIGKILL);
    EXPECT_EQ(finish(child), 128 + SIGKILL);
    EXPECT_FALSE(tmpEmpty());

    ASSERT_EQ(run({"receive", writeGuidePost({"small.txt"}), "--root", "root2", "--yes"}), 0)
        << slurp(dir / "err.txt");
    EXPECT_TRUE(tmpEmpty());
    EXPECT_EQ(slurp(dir / "root2/docs/small.txt"), "small");
}

// SIGKILL half-way through a file from nginx: the next receive asks for the
// rest with a Range request, the file equals the source, and neither the
// resume record nor a temporary file is left.
TEST_F(ReceiveCommand, AKilledTransferResumesWhereItsRecordLeftOff)
{
    testservers::NginxServer nginx(dir / "nginx", "3m");
    ASSERT_TRUE(nginx.ready);
    std::string body(6u << 20, '\0');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>((i * 13 + i / 4093) & 0xff);
    fs::create_directories(nginx.www() / "files");
    std::ofstream(nginx.www() / "files/big.bin", std::ios::binary) << body;
    const std::string gp = writeGuidePost({"big.bin"}, nginx.port);
    const fs::path area = dir / "home/.local/state/corvandelle/partial";

    pid_t child = start({"receive", gp, "--root", "root", "--yes"});
    // The record promises its first 4 MiB once they are on disk.
    bool promised = false;
    for (int i = 0; i < 2500 && !promised; ++i) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(area, ec))
            if (e.path().extension() == ".rec" && slurp(e.path()).find("\nbytes=4194304\n") != std::string::npos)
                promised = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    ASSERT_TRUE(promised) << slurp(dir / "err.txt");
    ::kill(child, SIGKILL);
    EXPECT_EQ(finish(child), 128 + SIGKILL);
    EXPECT_FALSE(fs::exists(dir / "root/docs/big.bin"));

    ASSERT_EQ(run({"receive", gp, "--root", "root", "--yes"}), 0) << slurp(dir / "err.txt");
    EXPECT_TRUE(slurp(dir / "root/docs/big.bin") == body);
    const std::vector<std::string> log = nginx.accessLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1], "/files/big.bin 206 " + std::to_string(body.size() - (4u << 20)));
    EXPECT_TRUE(fs::is_empty(area));
    EXPECT_TRUE(tmpEmpty());

    // --no-resume: a cut file keeps nothing for later.
    fs::remove(dir / "root/docs/big.bin");
    child = start({"receive", gp, "--root", "root", "--yes", "--no-resume"});
    ASSERT_TRUE(transferBegun(child)) << slurp(dir / "err.txt");
    ::kill(child, SIGINT);
    EXPECT_EQ(finish(child), 130);
    EXPECT_TRUE(fs::is_empty(area));
    EXPECT_TRUE(tmpEmpty());
}

TEST_F(ReceiveCommand, OpenShowsThePagesThroughTheDesktopOpener)
{
    const std::string gp = writeGuidePost({"small.txt"});
    recordingOpener(0);
    ASSERT_EQ(run({"receive", gp, "--root", "root", "--yes", "--gen-report=yes", "--open"}), 0)
        << slurp(dir / "err.txt");
    EXPECT_EQ(slurp(dir / "opened.txt"), (dir / "root/_html___/Report01.htm").string() + "\n");
    EXPECT_EQ(slurp(dir / "out.txt").find("--open で開きます"), std::string::npos);

    // An opener that fails: a warning, and still every page and the recent list.
    fs::remove(dir / "opened.txt");
    recordingOpener(4);
    ASSERT_EQ(run({"receive", gp, "--root", "root", "--yes", "--gen-report=yes", "--open"}), 0)
        << slurp(dir / "err.txt");
    EXPECT_EQ(slurp(dir / "opened.txt"), (dir / "root/_html___/Report02.htm").string() + "\n");
    EXPECT_NE(slurp(dir / "err.txt").find("注意: "), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "root/_html___/MRR02.htm"));
    std::string settings = slurp(dir / "home/.config/Quillmere/Corvandelle.conf");
    EXPECT_NE(settings.find("Report02.htm"), std::string::npos) << settings;
    EXPECT_TRUE(tmpEmpty());

    // Without --open nothing is started.
    fs::remove(dir / "opened.txt");
    ASSERT_EQ(run({"receive", gp, "--root", "root", "--yes", "--gen-report=yes"}), 0);
    EXPECT_FALSE(fs::exists(dir / "opened.txt"));
    EXPECT_NE(slurp(dir / "out.txt").find("開くページ（--open で開きます）: "), std::string::npos);
}

TEST_F(ReceiveCommand, VersionHelpAndUsageErrors)
{
    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_EQ(slurp(dir / "out.txt"), "corvan-cli 1.0.5\n");
    EXPECT_EQ(run({"receive", "--help"}), 0);
    const std::string help = slurp(dir / "out.txt");
    // The option table writes the help: every option is there.
    for (const char* option : {"--root DIR", "--yes", "--cipher-code CODE", "--open", "--gen-report=yes|no",
                               "--connect-timeout=MS", "--stall-time=SEC", "--ca-file=FILE", "--passive-ftp=yes|no",
                               "--retries=N", "--no-resume", "--connections=N"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_EQ(run({"receive"}), 2);
    EXPECT_EQ(run({"receive", "x.gp", "--stall-time=0"}), 2);
    EXPECT_EQ(run({"receive", "x.gp", "--retries=-1"}), 2);
    EXPECT_EQ(run({"receive", "x.gp", "--connections=0"}), 2);
    EXPECT_EQ(run({"receive", "x.gp", "--no-resume=yes"}), 2);
    EXPECT_EQ(run({"receive", "x.gp", "--open=yes"}), 2);
    EXPECT_EQ(run({"receive", "x.gp", "--root"}), 2);
    EXPECT_EQ(run({"receive", "x.gp", "--frobnicate"}), 2);
    EXPECT_TRUE(tmpEmpty());
}
