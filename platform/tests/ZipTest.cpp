#include "platform/Cp932Codec.h"
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
