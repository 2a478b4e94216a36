#include "platform/Cp932Codec.h"
#include "platform/FreeSpaceGuard.h"
#include "platform/Zip.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace platform;

namespace {

struct ZipTest : ::testing::Test {
    fs::path dir;
    void SetUp() override
    {
        char tmpl[] = "/tmp/CVzipXXXXXX";
        dir = ::mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(dir); }
    static void write(const fs::path& p, const std::string& text)
    {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }
    static std::string read(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // A zip with raw entry names, as another program may write them.
    static void makeZip(const fs::path& path, const std::vector<std::pair<std::string, zip_flags_t>>& names)
    {
        int error = 0;
        zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(z, nullptr);
        for (auto& [name, flags] : names) {
            static const char body[] = "body";
            zip_source_t* src = zip_source_buffer(z, body, 4, 0);
            ASSERT_GE(zip_file_add(z, name.c_str(), src, flags), 0) << name;
        }
        ASSERT_EQ(zip_close(z), 0);
    }
};

TEST_F(ZipTest, PacksAndUnpacksAFolderTreeWithTimesAndJapaneseNames)
{
    write(dir / "src/a.txt", "alpha");
    write(dir / "src/サブ/b.bin", std::string(100000, 'x'));
    fs::create_directories(dir / "src/empty");
    fs::last_write_time(dir / "src/a.txt", fs::file_time_type::clock::now() - std::chrono::hours(48));
    const auto before = fs::last_write_time(dir / "src/a.txt");

    ASSERT_EQ(zipnize((dir / "src").string(), (dir / "out.zip").string()), 1) << lastZipError();
    fs::create_directories(dir / "dst");
    ASSERT_EQ(UnZipnizeInFolder((dir / "dst").string(), (dir / "out.zip").string()), 1) << lastZipError();
    EXPECT_EQ(read(dir / "dst/a.txt"), "alpha");
    EXPECT_EQ(read(dir / "dst/サブ/b.bin"), std::string(100000, 'x'));
    EXPECT_TRUE(fs::is_directory(dir / "dst/empty"));
    // Zip times have two-second steps.
    auto diff = fs::last_write_time(dir / "dst/a.txt") - before;
    EXPECT_LE(std::chrono::abs(std::chrono::duration_cast<std::chrono::seconds>(diff)).count(), 2);
    // No temporary file is left beside the targets.
    for (auto& e : fs::recursive_directory_iterator(dir))
        EXPECT_EQ(e.path().filename().string().find(".CV"), std::string::npos) << e.path();
}

TEST_F(ZipTest, EntriesThatClimbOutRefuseTheWholeArchive)
{
    fs::create_directories(dir / "dst");
    for (std::string bad : {"../x", "a/../../x", "/etc/x", "C:/x", "a\\..\\..\\x"}) {
        SCOPED_TRACE(bad);
        makeZip(dir / "bad.zip", {{"good.txt", ZIP_FL_ENC_UTF_8}, {bad, ZIP_FL_ENC_CP437}});
        EXPECT_EQ(UnZipnizeInFolder((dir / "dst").string(), (dir / "bad.zip").string()), 0);
        EXPECT_FALSE(lastZipError().empty());
        EXPECT_FALSE(fs::exists(dir / "dst/good.txt")) << "nothing is written from a refused archive";
        EXPECT_FALSE(fs::exists(dir / "x"));
    }
}

TEST_F(ZipTest, NamesWithoutTheUtf8FlagAreCodePage932)
{
    const std::string sjis = Cp932Codec::fromUtf8("表示/ソース.txt");  // 0x5C trail bytes in both
    makeZip(dir / "jp.zip", {{sjis, ZIP_FL_ENC_CP437}, {"日本語.txt", ZIP_FL_ENC_UTF_8}});
    fs::create_directories(dir / "dst");
    ASSERT_EQ(UnZipnizeInFolder((dir / "dst").string(), (dir / "jp.zip").string()), 1) << lastZipError();
    EXPECT_EQ(read(dir / "dst/表示/ソース.txt"), "body");
    EXPECT_EQ(read(dir / "dst/日本語.txt"), "body");
}

TEST_F(ZipTest, FailuresLeaveExistingFilesAlone)
{
    write(dir / "old.zip", "previous");
    EXPECT_EQ(zipnize((dir / "missing").string(), (dir / "old.zip").string()), 0);
    EXPECT_EQ(read(dir / "old.zip"), "previous");
    write(dir / "dst/keep.txt", "keep");
    EXPECT_EQ(UnZipnizeInFolder((dir / "dst").string(), (dir / "old.zip").string()), 0);
    EXPECT_EQ(read(dir / "dst/keep.txt"), "keep");
    // A link inside the folder must not lead an entry outside it.
    fs::create_directories(dir / "outside");
    fs::create_directory_symlink(dir / "outside", dir / "dst/link");
    makeZip(dir / "link.zip", {{"link/x.txt", ZIP_FL_ENC_UTF_8}});
    EXPECT_EQ(UnZipnizeInFolder((dir / "dst").string(), (dir / "link.zip").string()), 0);
    EXPECT_FALSE(fs::exists(dir / "outside/x.txt"));
}

} // namespace

TEST_F(ZipTest, AStopEndsPackingAndUnpackingWithoutTemporaryFiles)
{
    write(dir / "src/a.txt", "alpha");
    write(dir / "src/b.txt", "beta");
    ASSERT_EQ(zipnize((dir / "src").string(), (dir / "whole.zip").string()), 1);
    std::atomic<bool> stop{true};

    EXPECT_EQ(zipnize((dir / "src").string(), (dir / "stopped.zip").string(), &stop), 0);
    EXPECT_FALSE(fs::exists(dir / "stopped.zip"));

    fs::create_directories(dir / "into");
    EXPECT_EQ(UnZipnizeInFolder((dir / "into").string(), (dir / "whole.zip").string(), &stop), 0);
    EXPECT_TRUE(fs::is_empty(dir / "into"));
    // Beside the source, the two zips and the folder: no temporary file anywhere.
    int entries = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 3);

    stop = false;
    EXPECT_EQ(UnZipnizeInFolder((dir / "into").string(), (dir / "whole.zip").string(), &stop), 1);
    EXPECT_EQ(read(dir / "into/b.txt"), "beta");
}

namespace {

// A zip of (name, contents) entries, deflated.
void makeZipOf(const fs::path& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const auto& [name, contents] : entries) {
        zip_source_t* src = zip_source_buffer(z, contents.data(), contents.size(), 0);
        ASSERT_GE(zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8), 0) << name;
    }
    ASSERT_EQ(zip_close(z), 0);
}

// Rewrites the uncompressed size the zip records for the entry name, in its
// local header and its central directory entry, as a zip bomb does (the
// data itself stays).
void recordSize(const fs::path& path, const std::string& name, std::uint32_t size)
{
    std::string bytes = ZipTest::read(path);
    auto patch = [&](const char* signature, std::size_t sizeAt, std::size_t nameAt) {
        for (std::size_t at = bytes.find(signature); at != std::string::npos; at = bytes.find(signature, at + 4)) {
            if (bytes.compare(at + nameAt, name.size(), name) != 0)
                continue;
            for (int i = 0; i < 4; ++i)
                bytes[at + sizeAt + i] = static_cast<char>((size >> (8 * i)) & 0xff);
        }
    };
    patch("PK\x03\x04", 22, 30);  // local header
    patch("PK\x01\x02", 24, 46);  // central directory
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::uint64_t freeBytes(const fs::path& folder)
{
    return fs::space(folder).available;
}

} // namespace

// An entry bearing the zip's own name replaces the zip only once it has
// arrived whole; nothing half-written, and no staging folder, is left.
TEST_F(ZipTest, AnEntryNamedLikeTheZipReplacesItWhole)
{
    fs::create_directories(dir / "dst");
    makeZipOf(dir / "dst/pack.zip", {{"pack.zip", "the entry's own data"}, {"other.txt", "other"}});
    ASSERT_EQ(UnZipnizeInFolder((dir / "dst").string(), (dir / "dst/pack.zip").string()), 1) << lastZipError();
    EXPECT_EQ(read(dir / "dst/pack.zip"), "the entry's own data");
    EXPECT_EQ(read(dir / "dst/other.txt"), "other");
    for (auto& e : fs::directory_iterator(dir / "dst"))
        EXPECT_EQ(e.path().filename().string().find(".CV"), std::string::npos) << e.path();
}

// An entry that inflates beyond the size its zip records, or would fill the
// disk, stops the unpacking before anything in the folder is touched.
TEST_F(ZipTest, BombsStopBeforeTheFolderIsTouchedAndSayWhy)
{
    fs::create_directories(dir / "dst");
    write(dir / "dst/big.bin", "what the user had");
    const std::string zeros(64u << 20, '\0');
    makeZipOf(dir / "bomb.zip", {{"first.txt", "first"}, {"big.bin", zeros}});
    ASSERT_LT(fs::file_size(dir / "bomb.zip"), 400000u) << "a small file that unpacks to 64 MiB";
    recordSize(dir / "bomb.zip", "big.bin", 10);
    EXPECT_EQ(UnZipnizeInFolder((dir / "dst").string(), (dir / "bomb.zip").string()), 0);
    EXPECT_EQ(lastZipFailure(), ZipFailure::TooLarge) << lastZipError();
    EXPECT_NE(lastZipError().find("big.bin"), std::string::npos) << lastZipError();

    // The sizes are true, but the disk is below its reserve (set here 1 GiB
    // above the free space, so that other tests freeing space meanwhile
    // change nothing).
    makeZipOf(dir / "large.zip", {{"first.txt", "first"}, {"big.bin", zeros}});
    FreeSpaceGuard::setReserve(freeBytes(dir) + (1ull << 30));
    const int unpacked = UnZipnizeInFolder((dir / "dst").string(), (dir / "large.zip").string());
    FreeSpaceGuard::setReserve(FreeSpaceGuard::defaultReserve);
    EXPECT_EQ(unpacked, 0);
    EXPECT_EQ(lastZipFailure(), ZipFailure::SpaceRanOut) << lastZipError();

    EXPECT_EQ(read(dir / "dst/big.bin"), "what the user had");
    EXPECT_FALSE(fs::exists(dir / "dst/first.txt")) << "entries move into place only once all arrived";
    std::vector<std::string> left;
    for (auto& e : fs::directory_iterator(dir / "dst"))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"big.bin"});
}
