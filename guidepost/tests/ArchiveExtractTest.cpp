// Extraction streams an entry from the archive through the decipherer and
// the decompressor into its destination: these cases feed it entries built
// by hand around real gzip data, whole, in several members, cut short or
// damaged part way.

#include "guidepost/CBlowfish.h"
#include "guidepost/GuidePostArchive.h"
#include "platform/Compression.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& p, const std::string& data)
{
    std::ofstream(p, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

void putU32(std::string& s, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>(v >> (8 * i)));
}

struct Entry {
    std::uint8_t compressed = 1, enciphered = 0;
    std::uint32_t compressedSize = 0;
    std::string data;
};

// One task, one entry per element, stamps as a reader expects them.
std::string archiveOf(const std::vector<Entry>& entries)
{
    std::string s = "GPAR";
    putU32(s, 1);
    putU32(s, 0);
    std::uint32_t chain = 777;
    putU32(s, chain);
    auto stamp = [&] {
        chain += static_cast<std::uint32_t>(s.size());
        putU32(s, chain);
    };
    stamp();
    putU32(s, 1);
    putU32(s, static_cast<std::uint32_t>(entries.size()));
    putU32(s, static_cast<std::uint32_t>(entries.size()));
    const std::size_t directory = s.size();
    s.append(8 * entries.size(), '\0');
    stamp();
    putU32(s, 3);
    s += "doc";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        stamp();
        const std::string name = "e" + std::to_string(i);
        putU32(s, static_cast<std::uint32_t>(name.size()));
        s += name;
        std::string pair;
        putU32(pair, static_cast<std::uint32_t>(s.size()));
        putU32(pair, static_cast<std::uint32_t>(14 + entries[i].data.size()));
        s.replace(directory + 8 * i, 8, pair);
        s.push_back(static_cast<char>(entries[i].compressed));
        putU32(s, entries[i].compressedSize);
        s.push_back(static_cast<char>(entries[i].enciphered));
        putU32(s, static_cast<std::uint32_t>(entries[i].data.size()));
        stamp();
        s += entries[i].data;
    }
    stamp();
    return s;
}

class ArchiveExtractTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "archive-extract-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        tmp_ = root_ / "tmp";
        work_ = root_ / "work";
        fs::create_directories(tmp_);
        fs::create_directories(work_);
        const char* old = std::getenv("TMPDIR");
        hadTmp_ = old != nullptr;
        oldTmp_ = old ? old : "";
        ::setenv("TMPDIR", tmp_.c_str(), 1);
    }
    void TearDown() override
    {
        // No temporary file anywhere, whatever the outcome.
        EXPECT_TRUE(fs::is_empty(tmp_)) << "temporary files left behind";
        for (const auto& e : fs::directory_iterator(work_))
            EXPECT_EQ(e.path().filename().string().rfind(".CV", 0), std::string::npos) << e.path();
        if (hadTmp_)
            ::setenv("TMPDIR", oldTmp_.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        fs::remove_all(root_);
    }

    // The compression component's own output for content.
    std::string gzipOf(const std::string& content)
    {
        const fs::path plain = root_ / "plain", packed = root_ / "packed";
        writeAll(plain, content);
        EXPECT_NE(compfile(packed.c_str(), plain.c_str()), 0);
        std::string bytes = readAll(packed);
        fs::remove(plain);
        fs::remove(packed);
        return bytes;
    }

    static std::string encipher(const std::string& plain)
    {
        CBlowfish cipher;
        cipher.SetKey(key, sizeof key);
        std::string padded = plain;
        padded.resize((plain.size() + 7) / 8 * 8, '\0');
        auto* p = reinterpret_cast<unsigned char*>(padded.data());
        cipher.Encipher(p, p, padded.size());
        return padded;
    }

    // Writes the archive and extracts entry i to out.
    bool extract(const std::vector<Entry>& entries, std::size_t i, const fs::path& out,
                 const unsigned char* code = nullptr, std::size_t codeLength = 0)
    {
        const fs::path archive = work_ / "a.gpa";
        writeAll(archive, archiveOf(entries));
        ArchiveIndex index;
        if (!GuidePostArchive::ReadIndex(archive, index)) {
            ADD_FAILURE() << "index refused";
            return false;
        }
        fs::remove(index.documentPath);
        return GuidePostArchive::ExtractEntry(archive, out, index.records.at(i), code, codeLength);
    }

    static std::string randomBytes(std::size_t n, unsigned seed)
    {
        std::mt19937 gen(seed);
        std::string s(n, '\0');
        for (auto& c : s)
            c = static_cast<char>(gen());
        return s;
    }

    static constexpr unsigned char key[] = {'k', 'e', 'y', '1', '2'};
    fs::path root_, tmp_, work_;
    std::string oldTmp_;
    bool hadTmp_ = false;
};

TEST_F(ArchiveExtractTest, EntriesOfEverySizeAndShapeComeOutWhole)
{
    // Sizes around the fixed buffers, output far larger than its input, and
    // two gzip members that read as one file.
    const std::string sizes[] = {std::string(), std::string(1, 'x'), randomBytes(16383, 1), randomBytes(16385, 2),
                                 randomBytes(300000, 3), std::string(3 << 20, 'a')};
    const std::string first = randomBytes(20000, 4), second = std::string(70000, 'b');
    std::vector<Entry> entries;
    for (const std::string& content : sizes) {
        std::string packed = gzipOf(content);
        entries.push_back({1, 0, static_cast<std::uint32_t>(packed.size()), packed});
    }
    const std::string members = gzipOf(first) + gzipOf(second);
    entries.push_back({1, 0, static_cast<std::uint32_t>(members.size()), members});
    entries.push_back({0, 0, 0, "stored as it is"});
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        const fs::path out = work_ / ("out" + std::to_string(i));
        ASSERT_TRUE(extract(entries, i, out)) << i;
        EXPECT_EQ(readAll(out), sizes[i]) << i;
    }
    ASSERT_TRUE(extract(entries, std::size(sizes), work_ / "members"));
    EXPECT_EQ(readAll(work_ / "members"), first + second);
    ASSERT_TRUE(extract(entries, std::size(sizes) + 1, work_ / "stored"));
    EXPECT_EQ(readAll(work_ / "stored"), "stored as it is");

    // Enciphered: deciphered and cut back to the compressed size on the way.
    const std::string content = randomBytes(50000, 5) + std::string(100000, 'c');
    const std::string packed = gzipOf(content);
    std::vector<Entry> secret = {{1, 1, static_cast<std::uint32_t>(packed.size()), encipher(packed)},
                                 {0, 1, 11, encipher("plain bytes")}};
    ASSERT_TRUE(extract(secret, 0, work_ / "secret", key, sizeof key));
    EXPECT_EQ(readAll(work_ / "secret"), content);
    ASSERT_TRUE(extract(secret, 1, work_ / "raw", key, sizeof key));
    EXPECT_EQ(readAll(work_ / "raw"), "plain bytes");
}

TEST_F(ArchiveExtractTest, DamagedEntriesFailAndLeaveNoDestination)
{
    const std::string content = randomBytes(200000, 6) + std::string(200000, 'd');
    const std::string packed = gzipOf(content);
    auto asEntry = [](const std::string& data) { return Entry{1, 0, static_cast<std::uint32_t>(data.size()), data}; };
    std::string flipped = packed;
    flipped[packed.size() / 2] = static_cast<char>(flipped[packed.size() / 2] ^ 0x55);
    std::string badCheck = packed;
    badCheck[packed.size() - 6] = static_cast<char>(badCheck[packed.size() - 6] ^ 1);  // the CRC
    const std::vector<Entry> damaged = {
        asEntry(packed.substr(0, packed.size() / 2)),  // cut short after much output was written
        asEntry(packed.substr(0, packed.size() - 1)),  // only the length at the end missing
        asEntry(flipped),
        asEntry(badCheck),
        asEntry(packed + "trailing junk"),
        asEntry(std::string()),
        asEntry("not gzip at all"),
    };
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        const fs::path fresh = work_ / ("fresh" + std::to_string(i));
        EXPECT_FALSE(extract(damaged, i, fresh)) << i;
        EXPECT_FALSE(fs::exists(fresh)) << i;
        // A file already at the destination stays as it was.
        const fs::path existing = work_ / "existing";
        writeAll(existing, "keep me");
        EXPECT_FALSE(extract(damaged, i, existing)) << i;
        EXPECT_EQ(readAll(existing), "keep me") << i;
    }

    // Cipher text that is not whole blocks was cut short; a wrong key gives
    // no gzip stream; a compressed size beyond the data is refused.
    const std::string cipherText = encipher(packed);
    const std::vector<Entry> secret = {
        {1, 1, static_cast<std::uint32_t>(packed.size()), cipherText},
        {1, 1, static_cast<std::uint32_t>(packed.size() - 3), cipherText.substr(0, cipherText.size() - 3)},
        {0, 1, 0, encipher("x")},
    };
    const fs::path out = work_ / "secret";
    const unsigned char wrong[] = {'w', 'r', 'o', 'n', 'g'};
    EXPECT_FALSE(extract(secret, 0, out, wrong, sizeof wrong));
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(extract(secret, 1, out, key, sizeof key));
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(extract(secret, 2, out, key, sizeof key));
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(extract(secret, 0, out, key, sizeof key));
    EXPECT_EQ(readAll(out), content);

    // A destination that cannot be created fails before anything is read.
    EXPECT_FALSE(extract(secret, 0, work_ / "no such folder" / "x", key, sizeof key));
}

TEST_F(ArchiveExtractTest, AnEmptyFileAtTheDestinationIsFilledInPlaceAndEmptiedOnFailure)
{
    const std::string content = randomBytes(40000, 7);
    const std::string packed = gzipOf(content);
    const std::vector<Entry> entries = {{1, 0, static_cast<std::uint32_t>(packed.size()), packed},
                                        {1, 0, 100, packed.substr(0, 100)}};
    const fs::path placeholder = work_ / "placeholder";
    writeAll(placeholder, "");
    const auto mode = fs::status(placeholder).permissions();
    ASSERT_TRUE(extract(entries, 0, placeholder));
    EXPECT_EQ(readAll(placeholder), content);
    EXPECT_EQ(fs::status(placeholder).permissions(), mode);

    // Cut short after output was written: the file is empty again, not gone.
    writeAll(placeholder, "");
    EXPECT_FALSE(extract(entries, 1, placeholder));
    ASSERT_TRUE(fs::exists(placeholder));
    EXPECT_EQ(fs::file_size(placeholder), 0u);

    // A link to an empty file is replaced, never written through.
    const fs::path elsewhere = work_ / "elsewhere", link = work_ / "link";
    writeAll(elsewhere, "");
    fs::create_symlink(elsewhere, link);
    ASSERT_TRUE(extract(entries, 0, link));
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(readAll(link), content);
    EXPECT_EQ(fs::file_size(elsewhere), 0u);
    // So is an empty file with a second name.
    const fs::path second = work_ / "second";
    writeAll(elsewhere, "");
    fs::create_hard_link(elsewhere, second);
    ASSERT_TRUE(extract(entries, 0, second));
    EXPECT_EQ(readAll(second), content);
    EXPECT_EQ(fs::file_size(elsewhere), 0u);
}

} // namespace
