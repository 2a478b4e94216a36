#include "platform/Compression.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace {

class CompressionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() /
                  ("cvcompression-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    static void writeFile(const std::string& p, const std::string& data)
    {
        std::ofstream(p, std::ios::binary) << data;
    }
    static std::string readFile(const std::string& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::string randomText(std::size_t n, unsigned seed)
    {
        std::mt19937 gen(seed);
        std::string s(n, '\0');
        for (auto& c : s)
            c = static_cast<char>(gen());
        return s;
    }
    static std::string repetitiveText(std::size_t n)
    {
        std::string s;
        while (s.size() < n)
            s += "GuidePost ガイドポスト " + std::to_string(s.size() % 977) + "\n";
        s.resize(n);
        return s;
    }
    static bool haveGzip() { return std::system("gzip --version >/dev/null 2>&1") == 0; }

    std::filesystem::path folder_;
};

TEST_F(CompressionTest, FilesRoundTripThroughAGzipStream)
{
    const std::string cases[] = {"", "x", repetitiveText(16384), repetitiveText(16385),
                                 repetitiveText(3 * 1024 * 1024 + 5), randomText(300000, 1)};
    for (const auto& data : cases) {
        SCOPED_TRACE(data.size());
        writeFile(path("plain"), data);
        ASSERT_EQ(compfile(path("packed").c_str(), path("plain").c_str()), 1);
        const std::string packed = readFile(path("packed"));
        ASSERT_GE(packed.size(), 18u);
        EXPECT_EQ(packed.substr(0, 2), "\x1f\x8b");  // gzip magic
        ASSERT_EQ(uncompfile(path("back").c_str(), path("packed").c_str()), 1);
        EXPECT_TRUE(readFile(path("back")) == data);
    }
}

TEST_F(CompressionTest, InteroperatesWithTheGzipTool)
{
    if (!haveGzip())
        GTEST_SKIP() << "gzip not installed";
    const std::string data = repetitiveText(200000);
    writeFile(path("plain"), data);
    ASSERT_EQ(compfile(path("ours.gz").c_str(), path("plain").c_str()), 1);
    ASSERT_EQ(std::system(("gzip -dc " + path("ours.gz") + " > " + path("theirs-out")).c_str()), 0);
    EXPECT_TRUE(readFile(path("theirs-out")) == data);

    // gzip writes a file name into its header, and two members concatenated
    // read as one file, as gunzip reads them.
    ASSERT_EQ(std::system(("gzip -c " + path("plain") + " > " + path("two.gz") + " && gzip -c " + path("plain") +
                           " >> " + path("two.gz"))
                              .c_str()),
              0);
    ASSERT_EQ(uncompfile(path("back").c_str(), path("two.gz").c_str()), 1);
    EXPECT_TRUE(readFile(path("back")) == data + data);
}

TEST_F(CompressionTest, DamagedOrForeignInputFailsAndLeavesNoDestination)
{
    writeFile(path("plain"), repetitiveText(500000) + randomText(100000, 2));
    ASSERT_EQ(compfile(path("packed").c_str(), path("plain").c_str()), 1);
    const std::string packed = readFile(path("packed"));

    writeFile(path("truncated"), packed.substr(0, packed.size() / 2));
    writeFile(path("no-trailer"), packed.substr(0, packed.size() - 4));
    std::string corrupt = packed;
    corrupt[corrupt.size() / 2] ^= 0x55;
    writeFile(path("corrupt"), corrupt);
    writeFile(path("garbage-after"), packed + "not gzip");
    writeFile(path("foreign"), "this is not a gzip stream at all");
    writeFile(path("empty"), "");

    for (const char* name : {"truncated", "no-trailer", "corrupt", "garbage-after", "foreign", "empty"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(uncompfile(path("out").c_str(), path(name).c_str()), 0);
        EXPECT_FALSE(std::filesystem::exists(path("out")));
    }
}

TEST_F(CompressionTest, UnusablePathsFail)
{
    writeFile(path("plain"), "data");
    writeFile(path("existing"), "keep me");
    EXPECT_EQ(compfile(path("existing").c_str(), path("missing").c_str()), 0);
    EXPECT_EQ(readFile(path("existing")), "keep me");  // nothing was opened for writing
    EXPECT_EQ(compfile(path("no-folder/packed").c_str(), path("plain").c_str()), 0);
    EXPECT_EQ(compfile(path("plain").c_str(), path("plain").c_str()), 0);
    EXPECT_EQ(readFile(path("plain")), "data");
    EXPECT_EQ(compfile(nullptr, path("plain").c_str()), 0);
    EXPECT_EQ(uncompfile(path("out").c_str(), nullptr), 0);
    EXPECT_EQ(uncompfile(path("out").c_str(), folder_.c_str()), 0);  // a folder is no file
    EXPECT_FALSE(std::filesystem::exists(path("out")));
}

TEST_F(CompressionTest, TheInflaterTakesAnyPiecesAndStopsWhenTheSinkRefuses)
{
    const std::string data = repetitiveText(200000) + randomText(50000, 3);
    writeFile(path("plain"), data);
    ASSERT_EQ(compfile(path("packed").c_str(), path("plain").c_str()), 1);
    const std::string packed = readFile(path("packed")) + readFile(path("packed"));
    const auto* bytes = reinterpret_cast<const unsigned char*>(packed.data());

    for (std::size_t piece : {std::size_t(1), std::size_t(7), std::size_t(16384), std::size_t(100000), packed.size()}) {
        SCOPED_TRACE(piece);
        std::string out;
        platform::GzipInflater inflater([&out](const unsigned char* p, std::size_t n) {
            out.append(reinterpret_cast<const char*>(p), n);
            return true;
        });
        for (std::size_t at = 0; at < packed.size(); at += piece)
            ASSERT_TRUE(inflater.feed(bytes + at, std::min(piece, packed.size() - at)));
        EXPECT_TRUE(inflater.finish());
        EXPECT_TRUE(out == data + data);
    }

    // Cut short: every piece is taken, but the stream never ends.
    platform::GzipInflater cut([](const unsigned char*, std::size_t) { return true; });
    EXPECT_TRUE(cut.feed(bytes, packed.size() / 4));
    EXPECT_FALSE(cut.finish());

    std::size_t calls = 0;
    platform::GzipInflater refused([&calls](const unsigned char*, std::size_t) { return ++calls < 2; });
    EXPECT_FALSE(refused.feed(bytes, packed.size()));
    EXPECT_FALSE(refused.feed(bytes, 1));  // stays stopped
    EXPECT_FALSE(refused.finish());
    EXPECT_EQ(calls, 2u);
}

// The whole of data through one deflater fed in pieces of piece bytes.
std::string deflated(platform::GzipDeflater& deflater, std::string& out, const std::string& data, std::size_t piece)
{
    out.clear();
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    for (std::size_t at = 0; at < data.size(); at += piece)
        EXPECT_TRUE(deflater.feed(bytes + at, std::min(piece, data.size() - at)));
    EXPECT_TRUE(deflater.finish());
    EXPECT_EQ(deflater.produced(), out.size());
    return out;
}

// Inflates exactly one gzip member that must end where the bytes end.
bool oneMember(const std::string& packed, std::string& plain)
{
    z_stream z{};
    if (inflateInit2(&z, MAX_WBITS + 16) != Z_OK)
        return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    plain.clear();
    int rc = Z_OK;
    unsigned char buffer[65536];
    while (rc == Z_OK) {
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        plain.append(reinterpret_cast<char*>(buffer), sizeof buffer - z.avail_out);
    }
    const bool whole = rc == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return whole;
}

TEST_F(CompressionTest, TheDeflaterMakesOneOrdinaryStreamWhateverThePieces)
{
    const std::size_t block = 128 * 1024;
    std::string out;
    platform::GzipDeflater deflater([&out](const unsigned char* p, std::size_t n) {
        out.append(reinterpret_cast<const char*>(p), n);
        return true;
    });
    for (std::size_t size : {std::size_t(0), std::size_t(1), block - 1, block, block + 1, 5 * block,
                             7 * block + 12345}) {
        SCOPED_TRACE(size);
        const std::string data = repetitiveText(size / 2) + randomText(size - size / 2, static_cast<unsigned>(size));
        const std::string whole = deflated(deflater, out, data, data.size() + 1);
        std::string plain;
        ASSERT_TRUE(oneMember(whole, plain));
        EXPECT_TRUE(plain == data);
        // The blocks are cut by position, not by how the data arrives.
        for (std::size_t piece : {std::size_t(4096), std::size_t(16384), block + 3})
            EXPECT_TRUE(deflated(deflater, out, data, piece) == whole) << piece;
        // Primed with the 32 KiB before it, no block loses what it shares
        // with the one before: the stream is about the size of zlib's own.
        uLongf bound = compressBound(static_cast<uLong>(data.size()));
        std::string single(bound, '\0');
        ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(single.data()), &bound,
                            reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                            Z_DEFAULT_COMPRESSION),
                  Z_OK);
        EXPECT_LE(whole.size(), bound + 16 + 6 * (size / block + 1));
    }

    // Text that repeats across block boundaries compresses as well as in one piece.
    const std::string text = repetitiveText(3 * 1024 * 1024);
    std::string plain;
    ASSERT_TRUE(oneMember(deflated(deflater, out, text, 65536), plain));
    EXPECT_TRUE(plain == text);
    EXPECT_LT(out.size(), text.size() / 20);
}

TEST_F(CompressionTest, TheDeflaterStopsWhenTheSinkRefuses)
{
    const std::string data = repetitiveText(600000) + randomText(600000, 4);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    for (std::size_t allowed : {std::size_t(0), std::size_t(1), std::size_t(3)}) {
        SCOPED_TRACE(allowed);
        std::size_t calls = 0;
        platform::GzipDeflater deflater([&](const unsigned char*, std::size_t) { return calls++ < allowed; });
        bool ok = true;
        for (std::size_t at = 0; at < data.size() && ok; at += 16384)
            ok = deflater.feed(bytes + at, std::min<std::size_t>(16384, data.size() - at));
        ok = ok && deflater.finish();
        EXPECT_FALSE(ok);
        EXPECT_FALSE(deflater.feed(bytes, 1));  // stays stopped
        EXPECT_FALSE(deflater.finish());
        EXPECT_EQ(calls, allowed + 1);
    }
}

} // namespace
