#include "platform/Folders.h"
#include "platform/TempFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
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
