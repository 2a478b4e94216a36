// The one writer of whole files: temporary file beside the target, modes from
// the umask (never set by it), nothing left behind on any failure.

#include "platform/AtomicFile.h"
#include "platform/TempFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::AtomicFile;
namespace fs = std::filesystem;

namespace {

struct AtomicFileTest : ::testing::Test {
    fs::path dir;
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "CVatomicXXXXXX").string();
        dir = ::mkdtemp(pattern.data());
    }
    void TearDown() override
    {
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
    }
    std::string read(const fs::path& p) const
    {
        std::ifstream in(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    int entries() const { return static_cast<int>(std::distance(fs::directory_iterator(dir), fs::directory_iterator())); }
};

mode_t modeOf(const fs::path& p)
{
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

} // namespace

TEST_F(AtomicFileTest, ModesFollowTheUmaskOrStayTheOwners)
{
    // In a child of its own, so this process keeps its umask.
    pid_t child = ::fork();
    if (child == 0) {
        ::umask(027);
        bool ok = AtomicFile::writeWhole((dir / "page.htm").string(), "page")
            && AtomicFile::writeWhole((dir / "ant").string(), "secret", AtomicFile::Access::OwnerOnly);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(modeOf(dir / "page.htm"), 0640u);
    EXPECT_EQ(modeOf(dir / "ant"), 0600u);
    EXPECT_EQ(read(dir / "page.htm"), "page");
    EXPECT_EQ(entries(), 2);
}

TEST_F(AtomicFileTest, AFailureLeavesTheOldFileAndNoTemporaryFile)
{
    ASSERT_TRUE(AtomicFile::writeWhole((dir / "doc.gp").string(), "old"));
    {
        // Never committed: the old file stands.
        AtomicFile file((dir / "doc.gp").string());
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("new", 3));
        EXPECT_EQ(fs::path(file.temporaryPath()).parent_path(), dir);
    }
    EXPECT_EQ(read(dir / "doc.gp"), "old");
    EXPECT_EQ(entries(), 1);

    // A folder standing where the file belongs: the rename fails.
    fs::create_directory(dir / "taken");
    fs::create_directory(dir / "taken" / "x");
    EXPECT_FALSE(AtomicFile::writeWhole((dir / "taken").string(), "data"));
    EXPECT_EQ(entries(), 2);

    // A folder that does not exist, and one that cannot be written.
    EXPECT_FALSE(AtomicFile::writeWhole((dir / "none" / "f").string(), "data"));
    if (::geteuid() != 0) {
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(AtomicFile::writeWhole((dir / "doc.gp").string(), "new"));
        fs::permissions(dir, fs::perms::owner_all);
        EXPECT_EQ(read(dir / "doc.gp"), "old");
    }
    EXPECT_EQ(entries(), 2);
}

TEST_F(AtomicFileTest, MoveIntoRenamesWithinAFileSystemAndTimesAreKept)
{
    std::ofstream(dir / "received") << "body";
    EXPECT_TRUE(AtomicFile::moveInto((dir / "received").string(), (dir / "placed.bin").string()));
    EXPECT_FALSE(fs::exists(dir / "received"));
    EXPECT_EQ(read(dir / "placed.bin"), "body");
    EXPECT_EQ(modeOf(dir / "placed.bin"), AtomicFile::modeFor(AtomicFile::Access::Shared));
    EXPECT_FALSE(AtomicFile::moveInto((dir / "missing").string(), (dir / "x").string()));

    AtomicFile file((dir / "timed").string());
    ASSERT_TRUE(file.open());
    ASSERT_TRUE(file.write("t", 1));
    struct timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    ASSERT_TRUE(file.commit(times));
    struct stat st;
    ::stat((dir / "timed").c_str(), &st);
    EXPECT_EQ(st.st_mtime, 1'000'000'000);
}

TEST_F(AtomicFileTest, TemporaryFilesInFlightCanAllBeRemovedAtOnce)
{
    AtomicFile page((dir / "page.htm").string());
    ASSERT_TRUE(page.open());
    platform::TempFile temp;
    {
        platform::TempFile::ThreadFolder here(dir.string());
        ASSERT_TRUE(temp.create());
    }
    EXPECT_EQ(fs::path(temp.path()).parent_path(), dir);
    EXPECT_EQ(entries(), 2);
    platform::TempFile::removeAllNow();
    EXPECT_EQ(entries(), 0);
}

TEST_F(AtomicFileTest, AReleasedFileWaitsBesideItsTargetUntilMovedIn)
{
    ASSERT_TRUE(AtomicFile::writeWhole((dir / "a.bin").string(), "old"));
    std::string released;
    {
        AtomicFile file((dir / "a.bin").string());
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("new", 3));
        released = file.release();
    }
    // Handed on whole and uncommitted: the target is untouched until then.
    ASSERT_FALSE(released.empty());
    EXPECT_EQ(fs::path(released).parent_path(), dir);
    EXPECT_EQ(read(released), "new");
    EXPECT_EQ(modeOf(released), AtomicFile::modeFor(AtomicFile::Access::Shared));
    EXPECT_EQ(read(dir / "a.bin"), "old");
    ASSERT_TRUE(AtomicFile::moveInto(released, (dir / "a.bin").string()));
    platform::TempFile::untrack(released);
    EXPECT_EQ(read(dir / "a.bin"), "new");
    EXPECT_EQ(entries(), 1);

    // An owner-only file keeps its mode through a move into a new place.
    {
        AtomicFile secret((dir / "store").string(), AtomicFile::Access::OwnerOnly);
        ASSERT_TRUE(secret.open());
        released = secret.release();
    }
    ASSERT_TRUE(AtomicFile::moveInto(released, (dir / "store").string(), AtomicFile::Access::OwnerOnly));
    platform::TempFile::untrack(released);
    EXPECT_EQ(modeOf(dir / "store"), 0600u);
    fs::remove(dir / "store");

    // Until then it is on the list of files an abrupt end removes.
    AtomicFile waiting((dir / "b.bin").string());
    ASSERT_TRUE(waiting.open());
    released = waiting.release();
    EXPECT_EQ(entries(), 2);
    platform::TempFile::removeAllNow();
    EXPECT_FALSE(fs::exists(released));
    EXPECT_EQ(entries(), 1);

    // A file never opened hands nothing on.
    AtomicFile broken((dir / "c.bin").string());
    EXPECT_EQ(broken.release(), "");
    EXPECT_EQ(entries(), 1);
}
