#include "platform/Folders.h"
#include "platform/OwnedTempFolder.h"
#include "platform/TempFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

TEST(TempFile, CreatesCvFilesInTmpdirAndRemovesThem)
{
    auto dir = std::filesystem::temp_directory_path() / ("cvtmp-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const char* old = std::getenv("TMPDIR");
    std::string saved = old ? old : "";
    ::setenv("TMPDIR", dir.c_str(), 1);

    std::string kept;
    {
        platform::TempFile a, b;
        ASSERT_TRUE(a.create());
        ASSERT_TRUE(b.create());
        EXPECT_NE(a.path(), b.path());
        EXPECT_EQ(std::filesystem::path(a.path()).parent_path(), dir);
        EXPECT_EQ(std::filesystem::path(a.path()).filename().string().substr(0, 2), "CV");
        EXPECT_TRUE(std::filesystem::exists(a.path()));
        kept = b.release();
    }
    EXPECT_TRUE(std::filesystem::exists(kept));
    std::filesystem::remove(kept);
    EXPECT_TRUE(std::filesystem::is_empty(dir));

    ::setenv("TMPDIR", (dir / "missing").c_str(), 1);
    platform::TempFile c;
    EXPECT_FALSE(c.create());

    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    std::filesystem::remove_all(dir);
}

TEST(Folders, FollowTheUsersEnvironment)
{
    auto home = std::filesystem::temp_directory_path() / ("cvhome-" + std::to_string(::getpid()));
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    EXPECT_EQ(platform::Folders::applicationData(), (home / "data").string());
    EXPECT_FALSE(platform::Folders::personalDocuments().empty());
    EXPECT_TRUE(std::filesystem::exists(platform::Folders::programFolder()));
    EXPECT_EQ(platform::Folders::besideProgram("EXT1.DAT"), platform::Folders::programFolder() + "/EXT1.DAT");
    ::unsetenv("XDG_DATA_HOME");

    // Without /proc the program's folder is unknown, never the current one.
    platform::Folders::setProgramLink("/nonexistent/self/exe");
    EXPECT_EQ(platform::Folders::programFolder(), "");
    EXPECT_EQ(platform::Folders::besideProgram("EXT1.DAT"), "");
    platform::Folders::setProgramLink("/proc/self/exe");
}

TEST(TempFile, CreateOpenGivesAWritableFileRemovedWithTheObject)
{
    std::string path;
    {
        platform::TempFile t;
        int fd = t.createOpen();
        ASSERT_GE(fd, 0);
        path = t.path();
        EXPECT_EQ(::write(fd, "abc", 3), 3);
        ::close(fd);
        EXPECT_EQ(std::filesystem::file_size(path), 3u);
        EXPECT_EQ(std::filesystem::path(path).filename().string().substr(0, 2), "CV");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

// Folders of owners that are gone go; a living owner's, another prefix, a
// link, and a young folder without a mark stay.
TEST(OwnedTempFolder, RemovesOnlyFoldersWhoseOwnerIsGone)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("cvowned-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", dir.c_str(), 1);

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    auto ownerProcess = [&] {
        pid_t child = ::fork();
        if (child == 0) {
            platform::OwnedTempFolder folder;
            folder.create("CVt");
            std::ofstream(folder.path() + "/data") << "partial";
            char c = 1;
            [[maybe_unused]] ssize_t n = ::write(ready[1], &c, 1);
            ::pause();
            ::_exit(0);
        }
        char c = 0;
        EXPECT_EQ(::read(ready[0], &c, 1), 1);
        return child;
    };
    pid_t killed = ownerProcess();
    pid_t living = ownerProcess();
    ::kill(killed, SIGKILL);
    ::waitpid(killed, nullptr, 0);

    platform::OwnedTempFolder mine;
    ASSERT_TRUE(mine.create("CVt"));
    fs::create_directory(dir / "CVtunmark");  // no mark yet, just made
    fs::create_directory(dir / "CVtoldnom");
    fs::last_write_time(dir / "CVtoldnom", fs::file_time_type::clock::now() - std::chrono::hours(2));
    fs::create_directory(dir / "CVuaaaaaa");
    fs::create_directory(dir / "target");
    fs::create_directory_symlink(dir / "target", dir / "CVtlink00");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 8);

    EXPECT_EQ(platform::OwnedTempFolder::removeAbandoned("CVt"), 2);  // the killed one, the old unmarked one
    EXPECT_TRUE(fs::exists(mine.path() + "/.owner"));
    EXPECT_TRUE(fs::exists(dir / "CVtunmark"));
    EXPECT_FALSE(fs::exists(dir / "CVtoldnom"));
    EXPECT_TRUE(fs::exists(dir / "CVuaaaaaa"));
    EXPECT_TRUE(fs::is_symlink(dir / "CVtlink00"));
    int withData = 0;
    for (const auto& e : fs::directory_iterator(dir))
        withData += fs::exists(e.path() / "data");
    EXPECT_EQ(withData, 1);  // the living owner's

    ::kill(living, SIGKILL);
    ::waitpid(living, nullptr, 0);
    EXPECT_EQ(platform::OwnedTempFolder::removeAbandoned("CVt"), 1);
    const std::string minePath = mine.path();
    mine.remove();
    EXPECT_FALSE(fs::exists(minePath));
    ::close(ready[0]);
    ::close(ready[1]);

    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    fs::remove_all(dir);
}
