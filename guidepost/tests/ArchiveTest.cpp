#include "guidepost/ArchiveEntryReader.h"
#include "guidepost/CAMData.h"
#include "guidepost/CAMException.h"
#include "guidepost/GuidePostArchive.h"
#include "guidepost/TCXML.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
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
    std::ofstream out(p, std::ios::binary);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::uint32_t u32At(const std::string& s, std::size_t pos)
{
    auto b = reinterpret_cast<const unsigned char*>(s.data() + pos);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

void putU32(std::string& s, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>(v >> (8 * i)));
}

// Builds archives byte by byte, stamps included, so the reader can be fed
// shapes the writer would never produce.
struct Built {
    struct Entry {
        std::string name;  // code page 932 bytes
        std::uint8_t compressed = 0, enciphered = 0;
        std::uint32_t compressedSize = 0;
        std::string data;
        std::uint32_t claimedLength = 0xFFFFFFFF;  // stored length; all of data when left
    };
    std::vector<std::uint32_t> counts{0};
    std::string document = "doc";
    std::vector<Entry> entries;
    std::uint32_t version = 1;
    std::uint32_t nameLengthOverride = 0;

    std::string bytes() const
    {
        std::string s = "GPAR";
        putU32(s, version);
        putU32(s, 0);
        std::uint32_t chain = 12345;
        putU32(s, chain);
        auto stamp = [&] { chain += static_cast<std::uint32_t>(s.size()); putU32(s, chain); };
        stamp();
        putU32(s, static_cast<std::uint32_t>(counts.size()));
        std::uint32_t total = 0;
        for (auto c : counts) {
            putU32(s, c);
            total += c;
        }
        putU32(s, total);
        std::size_t directory = s.size();
        s.append(8 * entries.size(), '\0');
        stamp();
        putU32(s, static_cast<std::uint32_t>(document.size()));
        s += document;
        std::size_t i = 0;
        for (const auto& e : entries) {
            stamp();
            putU32(s, nameLengthOverride ? nameLengthOverride : static_cast<std::uint32_t>(e.name.size()));
            s += e.name;
            auto offset = static_cast<std::uint32_t>(s.size());
            std::uint32_t stored = e.claimedLength == 0xFFFFFFFF ? static_cast<std::uint32_t>(e.data.size()) : e.claimedLength;
            s.push_back(static_cast<char>(e.compressed));
            putU32(s, e.compressedSize);
            s.push_back(static_cast<char>(e.enciphered));
            putU32(s, stored);
            stamp();
            s += e.data;
            std::string pair;
            putU32(pair, offset);
            putU32(pair, 14 + stored);
            s.replace(directory + 8 * i++, 8, pair);
        }
        stamp();
        return s;
    }
};

class ArchiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "archive-test-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
        tmp_ = root_ / "tmp";
        work_ = root_ / "work";
        fs::create_directories(tmp_);
        fs::create_directories(work_);
        const char* old = std::getenv("TMPDIR");
        oldTmp_ = old ? old : "";
        hadTmp_ = old != nullptr;
        ::setenv("TMPDIR", tmp_.c_str(), 1);
        TCXML::SetSchemaFolder(CV_BIN_DIR);
    }
    void TearDown() override
    {
        // Every path, success or failure, must have cleaned up after itself.
        EXPECT_TRUE(fs::is_empty(tmp_)) << "temporary files left behind";
        for (const auto& e : fs::directory_iterator(work_))
            EXPECT_EQ(e.path().filename().string().rfind(".CV", 0), std::string::npos) << e.path();
        if (hadTmp_)
            ::setenv("TMPDIR", oldTmp_.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        TCXML::SetSchemaFolder("");
        fs::remove_all(root_);
    }

    fs::path file(const std::string& name, const std::string& content)
    {
        fs::path p = work_ / name;
        writeAll(p, content);
        return p;
    }

    static std::string randomBytes(std::size_t n, unsigned seed)
    {
        std::mt19937 gen(seed);
        std::string s(n, '\0');
        for (auto& c : s)
            c = static_cast<char>(gen());
        return s;
    }

    // A model the document saver accepts: each task carries one source with
    // one file list and one file.
    static TaskRecord& addTask(CAMData& model, const std::string& name)
    {
        auto task = std::make_unique<TaskRecord>();
        task->name = name;
        task->folderText = "受信";
        task->folderList = {"受信"};
        auto source = std::make_unique<SourceRecord>();
        source->name = "src";
        source->protocol = guidepost::ProtocolHttp;
        source->serverName = "example.invalid";
        auto list = std::make_unique<FileListRecord>();
        list->name = "list";
        auto f = std::make_unique<FileRecord>();
        f->name = "a.txt";
        f->remote = "a.txt";
        list->files.push_back(std::move(f));
        source->fileLists.push_back(std::move(list));
        task->sources.push_back(std::move(source));
        model.tasks.push_back(std::move(task));
        return *model.tasks.back();
    }

    static void attach(TaskRecord& task, const std::string& name, const fs::path& source)
    {
        auto a = std::make_unique<AttachRecord>();
        a->name = name;
        a->sourcePath = source.string();
        a->size = static_cast<std::int64_t>(fs::file_size(source));
        task.attachments.push_back(std::move(a));
    }

    fs::path root_, tmp_, work_;
    std::string oldTmp_;
    bool hadTmp_ = false;
};

const unsigned char code[] = {'s', 'e', 'c', 'r', 'e', 't', '!'};

TEST_F(ArchiveTest, RoundTripEntryForEntryAndReSaveFromTheArchive)
{
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "行 " + std::to_string(i) + " GuidePost attachment text\n";
    const std::string random = randomBytes(70000, 7);
    CAMData model;
    model.local = true;
    TaskRecord& t1 = addTask(model, "一");
    attach(t1, "表.txt", file("src-text", text));  // 表 ends in byte 0x5C in code page 932
    attach(t1, "random.bin", file("src-random", random));
    TaskRecord& t2 = addTask(model, "二");
    attach(t2, "empty", file("src-empty", ""));

    fs::path archive = work_ / "a.gpa";
    ASSERT_TRUE(GuidePostArchive::Write(archive, model, false, nullptr, 0));
    EXPECT_TRUE(model.archived);
    EXPECT_TRUE(GuidePostArchive::IsArchive(archive));
    EXPECT_FALSE(GuidePostArchive::IsArchive(work_ / "src-text"));

    ArchiveIndex index;
    ASSERT_TRUE(GuidePostArchive::ReadIndex(archive, index));
    EXPECT_EQ(index.attachmentCounts, (std::vector<std::uint32_t>{2, 1}));
    ASSERT_EQ(index.total, 3u);
    ASSERT_EQ(index.records.size(), 3u);
    EXPECT_EQ(index.records[0].name, "表.txt");
    EXPECT_EQ(index.records[1].name, "random.bin");
    EXPECT_EQ(index.records[2].name, "empty");
    EXPECT_EQ(index.byName.size(), 3u);
    const std::string contents[] = {text, random, ""};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& r = index.records[i];
        EXPECT_TRUE(r.compressed);
        EXPECT_FALSE(r.enciphered);
        EXPECT_EQ(r.length, 14 + r.storedLength);
        fs::path out = work_ / ("out" + std::to_string(i));
        ASSERT_TRUE(GuidePostArchive::ExtractEntry(archive, out, r, nullptr, 0));
        EXPECT_EQ(readAll(out), contents[i]);
    }
    EXPECT_LT(index.records[0].storedLength, text.size() / 4);  // text compresses
    fs::remove(index.documentPath);

    fs::path folder = work_ / "unpacked";
    CAMData loaded;
    ASSERT_TRUE(GuidePostArchive::Load(archive, folder, loaded));
    EXPECT_EQ(readAll(folder / "表.txt"), text);
    EXPECT_EQ(readAll(folder / "random.bin"), random);
    EXPECT_EQ(readAll(folder / "empty"), "");
    ASSERT_EQ(loaded.tasks.size(), 2u);
    ASSERT_EQ(loaded.tasks[0]->attachments.size(), 2u);
    EXPECT_TRUE(loaded.tasks[0]->attachments[0]->fromArchive);
    EXPECT_EQ(loaded.sourceArchivePath, archive.string());

    // Re-saving copies the entries from the archive it came from, even over
    // that same archive.
    ASSERT_TRUE(GuidePostArchive::Write(archive, loaded, false, nullptr, 0));
    ArchiveIndex again;
    ASSERT_TRUE(GuidePostArchive::ReadIndex(archive, again));
    ASSERT_EQ(again.records.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        fs::path out = work_ / ("again" + std::to_string(i));
        ASSERT_TRUE(GuidePostArchive::ExtractEntry(archive, out, again.records[i], nullptr, 0));
        EXPECT_EQ(readAll(out), contents[i]);
    }
    fs::remove(again.documentPath);
}

// Each attachment is compressed straight into the archive, its sizes filled
// in afterwards: every size around the buffers' and the cipher's edges must
// come out whole, with headers that tell the truth.
TEST_F(ArchiveTest, StreamedEntriesOfEverySizeReadBackWhole)
{
    const std::size_t sizes[] = {0,     1,     7,     8,      9,      16383,  16384,  16385,
                                 65535, 65536, 131071, 131072, 131073, 400000, 1048579};
    std::vector<std::string> contents;
    CAMData model;
    model.local = true;
    TaskRecord& task = addTask(model, "t");
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        std::string data = randomBytes(sizes[i] / 2, static_cast<unsigned>(i));
        while (data.size() < sizes[i])
            data += "本文 text " + std::to_string(data.size()) + "\n";
        data.resize(sizes[i]);
        contents.push_back(data);
        attach(task, "e" + std::to_string(i), file("src" + std::to_string(i), data));
    }
    for (bool encipher : {false, true}) {
        SCOPED_TRACE(encipher);
        fs::path archive = work_ / (encipher ? "enc.gpa" : "plain.gpa");
        ASSERT_TRUE(GuidePostArchive::Write(archive, model, encipher, code, sizeof code));
        ArchiveIndex index;
        ASSERT_TRUE(GuidePostArchive::ReadIndex(archive, index));
        fs::remove(index.documentPath);
        ASSERT_EQ(index.records.size(), contents.size());
        const std::string bytes = readAll(archive);
        for (std::size_t i = 0; i < contents.size(); ++i) {
            SCOPED_TRACE(sizes[i]);
            const auto& r = index.records[i];
            EXPECT_TRUE(r.compressed);
            EXPECT_EQ(r.enciphered, encipher);
            EXPECT_EQ(r.storedLength, encipher ? (r.compressedSize + 7) / 8 * 8 : r.compressedSize);
            if (!encipher) {
                // The stored data is one whole gzip stream of the file.
                std::string plain(contents[i].size() + 1, '\0');
                z_stream z{};
                ASSERT_EQ(inflateInit2(&z, MAX_WBITS + 16), Z_OK);
                z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()) + r.offset + 14);
                z.avail_in = r.storedLength;
                z.next_out = reinterpret_cast<Bytef*>(plain.data());
                z.avail_out = static_cast<uInt>(plain.size());
                EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
                EXPECT_EQ(z.avail_in, 0u);
                plain.resize(plain.size() - z.avail_out);
                inflateEnd(&z);
                EXPECT_TRUE(plain == contents[i]);
            }
            fs::path out = work_ / "out";
            ASSERT_TRUE(GuidePostArchive::ExtractEntry(archive, out, r, code, sizeof code));
            EXPECT_TRUE(readAll(out) == contents[i]);
        }
    }
}

TEST_F(ArchiveTest, AFullDiskOrAnUnreadableSourceLeavesNothing)
{
    CAMData model;
    model.local = true;
    TaskRecord& task = addTask(model, "t");
    attach(task, "small", file("small", "a few bytes"));
    attach(task, "big", file("big", randomBytes(3 << 20, 9)));
    fs::path archive = work_ / "full.gpa";
    writeAll(archive, "keep me");

    for (bool encipher : {false, true}) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // A file-size limit stands in for a disk that fills in mid-entry.
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit{1 << 20, 1 << 20};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::_exit(GuidePostArchive::Write(archive, model, encipher, code, sizeof code) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1) << "the write fails";
        EXPECT_EQ(readAll(archive), "keep me");
    }

    // A folder where a file should be fails when it is read.
    task.attachments[1]->sourcePath = work_.string();
    EXPECT_FALSE(GuidePostArchive::Write(archive, model, false, nullptr, 0));
    EXPECT_EQ(readAll(archive), "keep me");
    // The fixture checks that no temporary file is left in either folder.
}

// A receive takes the entries out through one open reader, in the order
// its files come, and stops one whenever it must.
TEST_F(ArchiveTest, OneReaderTakesEntriesInAnyOrderAndStopsOnRequest)
{
    const std::string first = randomBytes(200000, 5), second = "second";
    CAMData model;
    model.local = true;
    TaskRecord& task = addTask(model, "t");
    attach(task, "first", file("first", first));
    attach(task, "second", file("second", second));
    fs::path archive = work_ / "r.gpa";
    for (bool encipher : {false, true}) {
        SCOPED_TRACE(encipher);
        ASSERT_TRUE(GuidePostArchive::Write(archive, model, encipher, code, sizeof code));
        ArchiveIndex index;
        ASSERT_TRUE(GuidePostArchive::ReadIndex(archive, index));
        fs::remove(index.documentPath);
        ArchiveEntryReader reader;
        ASSERT_TRUE(reader.Open(archive));
        auto take = [&](const ArchiveIndexRecord& r, std::string& out, std::size_t limit = SIZE_MAX) {
            out.clear();
            return reader.Extract(r, code, sizeof code, [&](const unsigned char* p, std::size_t n) {
                out.append(reinterpret_cast<const char*>(p), n);
                return out.size() < limit;
            });
        };
        std::string out;
        EXPECT_EQ(take(index.records[1], out), ArchiveEntryReader::Result::Extracted);
        EXPECT_EQ(out, second);
        EXPECT_EQ(take(index.records[0], out, 1000), ArchiveEntryReader::Result::Stopped);
        EXPECT_EQ(take(index.records[0], out), ArchiveEntryReader::Result::Extracted);
        EXPECT_TRUE(out == first);
        EXPECT_EQ(take(index.records[1], out), ArchiveEntryReader::Result::Extracted);
        EXPECT_EQ(out, second);
        // A record that points elsewhere than an entry is damage, not a crash.
        ArchiveIndexRecord wrong = index.records[1];
        wrong.offset -= 3;
        EXPECT_EQ(take(wrong, out), ArchiveEntryReader::Result::Damaged);
        wrong.offset = 0xFFFFFFF0u;
        EXPECT_EQ(take(wrong, out), ArchiveEntryReader::Result::Damaged);
        if (encipher) {
            const unsigned char other[] = {'o', 't', 'h', 'e', 'r'};
            EXPECT_EQ(reader.Extract(index.records[0], other, sizeof other,
                                     [](const unsigned char*, std::size_t) { return true; }),
                      ArchiveEntryReader::Result::Damaged);
        }
    }
    ArchiveEntryReader closed;
    EXPECT_FALSE(closed.Open((work_ / "missing.gpa").string()));
    EXPECT_EQ(closed.Extract(ArchiveIndexRecord{}, nullptr, 0, [](const unsigned char*, std::size_t) { return true; }),
              ArchiveEntryReader::Result::Damaged);
}

TEST_F(ArchiveTest, NoAttachmentsGivesHeaderDocumentAndFinalStampOnly)
{
    CAMData model;
    model.local = true;
    addTask(model, "a");
    addTask(model, "b");
    fs::path archive = work_ / "empty.gpa";
    ASSERT_TRUE(GuidePostArchive::Write(archive, model, false, nullptr, 0));
    std::string s = readAll(archive);
    ASSERT_GE(s.size(), 40u);
    EXPECT_EQ(s.substr(0, 4), "GPAR");
    EXPECT_EQ(u32At(s, 4), 1u);
    EXPECT_EQ(u32At(s, 8), 0u);
    std::uint32_t seed = u32At(s, 12);
    EXPECT_EQ(u32At(s, 16), seed + 16);
    EXPECT_EQ(u32At(s, 20), 2u);  // N
    EXPECT_EQ(u32At(s, 24), 0u);
    EXPECT_EQ(u32At(s, 28), 0u);
    EXPECT_EQ(u32At(s, 32), 0u);  // M
    EXPECT_EQ(u32At(s, 36), seed + 16 + 36);
    std::uint32_t length = u32At(s, 40);
    ASSERT_EQ(s.size(), 44u + length + 4);
    EXPECT_EQ(u32At(s, 44 + length), seed + 16 + 36 + 44 + length);

    ArchiveIndex index;
    ASSERT_TRUE(GuidePostArchive::ReadIndex(archive, index));
    EXPECT_EQ(index.total, 0u);
    EXPECT_EQ(readAll(index.documentPath), s.substr(44, length));
    fs::remove(index.documentPath);
}

TEST_F(ArchiveTest, FailedWritesLeaveNothingAndKeepAnExistingFile)
{
    CAMData model;
    addTask(model, "a");
    fs::path archive = work_ / "remote.gpa";
    model.local = false;
    EXPECT_FALSE(GuidePostArchive::Write(archive, model, false, nullptr, 0));
    EXPECT_FALSE(fs::exists(archive));

    model.local = true;
    writeAll(archive, "keep me");
    attach(*model.tasks[0], "gone", file("gone", "x"));
    fs::remove(work_ / "gone");
    EXPECT_FALSE(GuidePostArchive::Write(archive, model, false, nullptr, 0));
    EXPECT_EQ(readAll(archive), "keep me");

    model.tasks[0]->attachments[0]->sourcePath.clear();
    EXPECT_FALSE(GuidePostArchive::Write(archive, model, false, nullptr, 0));
    EXPECT_EQ(GuidePostArchive::LastError(), CAMException::SaveFailed);

    CAMData noTasks;
    noTasks.local = true;
    EXPECT_FALSE(GuidePostArchive::Write(archive, noTasks, false, nullptr, 0));
    EXPECT_EQ(readAll(archive), "keep me");

    // Enciphering without a code, and names no reader would extract.
    CAMData other;
    other.local = true;
    attach(addTask(other, "a"), "ok", file("ok", "data"));
    EXPECT_FALSE(GuidePostArchive::Write(work_ / "x.gpa", other, true, nullptr, 0));
    for (const char* bad : {"../up", "a/b", "a\\b", "..", ".", "", "C:x", "\xF0\x9F\x98\x80"}) {
        other.tasks[0]->attachments[0]->name = bad;
        EXPECT_FALSE(GuidePostArchive::Write(work_ / "x.gpa", other, false, nullptr, 0)) << bad;
    }
    EXPECT_FALSE(fs::exists(work_ / "x.gpa"));

    // Nothing is written that a reader would refuse.
    CAMData big;
    big.local = true;
    for (int i = 0; i < 65; ++i)
        addTask(big, "t");
    EXPECT_FALSE(GuidePostArchive::Write(work_ / "x.gpa", big, false, nullptr, 0));
    big.tasks.resize(1);
    fs::path one = file("one", "1");
    for (int i = 0; i < 513; ++i)
        attach(*big.tasks[0], "n", one);
    EXPECT_FALSE(GuidePostArchive::Write(work_ / "x.gpa", big, false, nullptr, 0));
    EXPECT_FALSE(fs::exists(work_ / "x.gpa"));
}

TEST_F(ArchiveTest, DamageAnywhereIsRefused)
{
    CAMData model;
    model.local = true;
    TaskRecord& t = addTask(model, "a");
    attach(t, "one", file("one", "first attachment"));
    attach(t, "two", file("two", "second"));
    fs::path archive = work_ / "small.gpa";
    ASSERT_TRUE(GuidePostArchive::Write(archive, model, false, nullptr, 0));
    const std::string good = readAll(archive);

    ArchiveIndex index;
    ASSERT_TRUE(GuidePostArchive::ReadIndex(archive, index));
    fs::remove(index.documentPath);
    std::vector<std::size_t> stamps = {16, 20 + 4 + 4 + 4 + 16, good.size() - 4};
    for (const auto& r : index.records) {
        stamps.push_back(r.offset - r.name.size() - 8);
        stamps.push_back(r.offset + 10);
    }
    fs::path damaged = work_ / "damaged.gpa";
    ArchiveIndex out;
    for (std::size_t stamp : stamps) {
        for (std::size_t b = 0; b < 4; ++b) {
            std::string s = good;
            s[stamp + b] = static_cast<char>(s[stamp + b] ^ 0x01);
            writeAll(damaged, s);
            EXPECT_FALSE(GuidePostArchive::ReadIndex(damaged, out)) << "stamp byte " << stamp + b;
            EXPECT_EQ(GuidePostArchive::LastError(), CAMException::BadArchive);
        }
    }
    for (std::size_t pos = 0; pos < good.size() - 4; ++pos) {
        std::string s = good;
        s.insert(pos, 1, '\x5a');
        writeAll(damaged, s);
        EXPECT_FALSE(GuidePostArchive::ReadIndex(damaged, out)) << "inserted at " << pos;
    }
    for (std::size_t length = 0; length < good.size(); ++length) {
        writeAll(damaged, good.substr(0, length));
        EXPECT_FALSE(GuidePostArchive::ReadIndex(damaged, out)) << "cut at " << length;
    }
    EXPECT_TRUE(out.records.empty());
    EXPECT_FALSE(GuidePostArchive::ReadIndex(work_ / "missing.gpa", out));
}

TEST_F(ArchiveTest, LimitsAndLengthsBeyondTheFileAreRefused)
{
    fs::path p = work_ / "built.gpa";
    ArchiveIndex index;
    auto readBuilt = [&](const Built& b) {
        writeAll(p, b.bytes());
        bool ok = GuidePostArchive::ReadIndex(p, index);
        if (ok)
            fs::remove(index.documentPath);
        return ok;
    };
    Built b;
    ASSERT_TRUE(readBuilt(b));  // the builder itself makes good archives

    b.counts.assign(64, 0);
    EXPECT_TRUE(readBuilt(b));
    b.counts.assign(65, 0);
    EXPECT_FALSE(readBuilt(b));
    b.counts.clear();
    EXPECT_FALSE(readBuilt(b));

    Built many;
    many.counts = {512};
    many.entries.resize(512, {"x", 0, 0, 0, "", 0xFFFFFFFF});
    EXPECT_TRUE(readBuilt(many));
    many.counts = {513};
    many.entries.resize(513, {"x", 0, 0, 0, "", 0xFFFFFFFF});
    EXPECT_FALSE(readBuilt(many));
    many.counts = {512, 1};  // 513 in all, spread over two tasks, is allowed
    EXPECT_TRUE(readBuilt(many));

    Built name;
    name.counts = {1};
    name.entries = {{std::string(16383, 'n'), 0, 0, 0, "d", 0xFFFFFFFF}};
    EXPECT_TRUE(readBuilt(name));
    name.entries[0].name = std::string(16384, 'n');
    EXPECT_FALSE(readBuilt(name));
    name.entries[0].name = "n";
    name.nameLengthOverride = 0x3FFF;  // claims more than the file holds
    EXPECT_FALSE(readBuilt(name));
    name.nameLengthOverride = 0;
    name.entries[0].name = "\x81";  // a lead byte alone is not code page 932
    EXPECT_FALSE(readBuilt(name));

    Built claims;
    claims.counts = {1};
    claims.entries = {{"e", 1, 0, 4, "data", 0x7FFFFFF0}};
    EXPECT_FALSE(readBuilt(claims));
    claims.entries[0].claimedLength = 0xFFFFFFFE;
    EXPECT_FALSE(readBuilt(claims));
    claims.entries[0] = {"e", 2, 0, 4, "data", 0xFFFFFFFF};  // a flag that is neither 0 nor 1
    EXPECT_FALSE(readBuilt(claims));

    std::string huge = Built{}.bytes();
    huge.replace(20 + 4 + 4, 4, std::string("\xff\xff\xff\x0f", 4));  // M far beyond the file
    writeAll(p, huge);
    EXPECT_FALSE(GuidePostArchive::ReadIndex(p, index));
    std::string longDoc = Built{}.bytes();
    longDoc.replace(20 + 4 + 4 + 4 + 4, 4, std::string("\xff\xff\xff\x7f", 4));  // L
    writeAll(p, longDoc);
    EXPECT_FALSE(GuidePostArchive::ReadIndex(p, index));

    Built version;
    version.version = 2;
    EXPECT_FALSE(readBuilt(version));
}

TEST_F(ArchiveTest, SameNameTwiceKeepsTheLastInTheMap)
{
    CAMData model;
    model.local = true;
    attach(addTask(model, "a"), "same", file("first", "first"));
    attach(addTask(model, "b"), "same", file("second", "second"));
    fs::path archive = work_ / "dup.gpa";
    ASSERT_TRUE(GuidePostArchive::Write(archive, model, false, nullptr, 0));
    ArchiveIndex index;
    ASSERT_TRUE(GuidePostArchive::ReadIndex(archive, index));
    fs::remove(index.documentPath);
    ASSERT_EQ(index.records.size(), 2u);
    ASSERT_EQ(index.byName.size(), 1u);
    EXPECT_EQ(index.byName["same"].offset, index.records[1].offset);
    fs::path out = work_ / "out";
    ASSERT_TRUE(GuidePostArchive::ExtractEntry(archive, out, index.byName["same"], nullptr, 0));
    EXPECT_EQ(readAll(out), "second");
}

TEST_F(ArchiveTest, EncipheredEntriesNeedTheirCode)
{
    const std::string content = randomBytes(100001, 3) + std::string(50000, 'a');
    CAMData model;
    model.local = true;
    attach(addTask(model, "a"), "secret.bin", file("secret", content));
    fs::path archive = work_ / "enc.gpa";
    ASSERT_TRUE(GuidePostArchive::Write(archive, model, true, code, sizeof code));
    EXPECT_TRUE(model.encrypt);
    ArchiveIndex index;
    ASSERT_TRUE(GuidePostArchive::ReadIndex(archive, index));
    fs::remove(index.documentPath);
    const auto& r = index.records.at(0);
    EXPECT_TRUE(r.enciphered);
    EXPECT_EQ(r.storedLength % 8, 0u);
    EXPECT_LE(r.compressedSize, r.storedLength);

    fs::path out = work_ / "plain";
    ASSERT_TRUE(GuidePostArchive::ExtractEntry(archive, out, r, code, sizeof code));
    EXPECT_EQ(readAll(out), content);
    fs::remove(out);

    const unsigned char wrong[] = {'w', 'r', 'o', 'n', 'g'};
    EXPECT_FALSE(GuidePostArchive::ExtractEntry(archive, out, r, wrong, sizeof wrong));
    EXPECT_FALSE(fs::exists(out));
    // Without a code the data reaches the decompressor still enciphered.
    EXPECT_FALSE(GuidePostArchive::ExtractEntry(archive, out, r, nullptr, 0));
    EXPECT_FALSE(fs::exists(out));
    CAMData loaded;
    EXPECT_FALSE(GuidePostArchive::Load(archive, work_ / "folder", loaded));
    EXPECT_FALSE(fs::exists(work_ / "folder" / "secret.bin"));

    // An enciphered entry that was never compressed cannot be read without its code.
    Built b;
    b.counts = {1};
    b.entries = {{"raw", 0, 1, 8, std::string(8, 'z'), 0xFFFFFFFF}};
    writeAll(work_ / "raw.gpa", b.bytes());
    ASSERT_TRUE(GuidePostArchive::ReadIndex(work_ / "raw.gpa", index));
    fs::remove(index.documentPath);
    EXPECT_FALSE(GuidePostArchive::ExtractEntry(work_ / "raw.gpa", out, index.records[0], nullptr, 0));
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(ArchiveTest, ExtractionRefusesBadDataAndNamesThatClimbOut)
{
    Built b;
    b.counts = {1};
    b.entries = {{"junk", 1, 0, 9, "not gzip!", 0xFFFFFFFF}};
    fs::path archive = work_ / "junk.gpa";
    writeAll(archive, b.bytes());
    ArchiveIndex index;
    ASSERT_TRUE(GuidePostArchive::ReadIndex(archive, index));
    fs::remove(index.documentPath);
    fs::path out = work_ / "junk";
    writeAll(out, "existing");
    EXPECT_FALSE(GuidePostArchive::ExtractEntry(archive, out, index.records[0], nullptr, 0));
    EXPECT_EQ(readAll(out), "existing");
    ArchiveIndexRecord shifted = index.records[0];
    shifted.length += 1;
    EXPECT_FALSE(GuidePostArchive::ExtractEntry(archive, work_ / "shifted", shifted, nullptr, 0));

    fs::path folder = work_ / "inside" / "deeper";
    fs::create_directories(folder);
    for (std::string bad : {"../escape", "..", ".", "", "sub/x", "sub\\x", "/abs", "C:drive"}) {
        Built named;
        named.counts = {1};
        named.entries = {{bad, 0, 0, 0, "payload", 0xFFFFFFFF}};
        writeAll(archive, named.bytes());
        CAMData model;
        EXPECT_FALSE(GuidePostArchive::Load(archive, folder, model)) << bad;
        EXPECT_TRUE(fs::is_empty(folder)) << bad;
    }
    EXPECT_FALSE(fs::exists(work_ / "inside" / "escape"));
    EXPECT_TRUE(GuidePostArchive::IsSafeEntryName("表.txt"));
    EXPECT_TRUE(GuidePostArchive::IsSafeEntryName("..."));
    EXPECT_TRUE(GuidePostArchive::IsSafeEntryName(".hidden"));
}

} // namespace
