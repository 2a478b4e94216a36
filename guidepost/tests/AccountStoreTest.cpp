#include "guidepost/AccountStore.h"
#include "guidepost/StoreFieldCodec.h"
#include "platform/Cp932Codec.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

AccountRecord sampleAccount(const std::string& name)
{
    AccountRecord a;
    a.name = name;
    a.userId = "利用者-" + name;
    a.password = "秘密 pass:" + name;
    a.askPassword = 1;
    a.server = "ftp.example.jp";
    a.protocol = 1;
    a.port = 2121;
    a.extraNumber = -7;
    a.proxyName = "社内プロキシ";
    return a;
}

ProxyRecord sampleProxy(const std::string& name)
{
    ProxyRecord p;
    p.name = name;
    p.server = "proxy.example.jp";
    p.port = 8080;
    p.userId = "代理";
    p.password = "pw-" + name;
    return p;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find('\n', pos);
        out.push_back(text.substr(pos, end - pos));
        pos = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
}

std::vector<std::string> decodeLine(const std::string& line)
{
    StoreFieldCodec codec;
    std::vector<std::string> fields;
    std::size_t pos = 0;
    std::string value;
    while (pos < line.size() && codec.decode(line, pos, value))
        fields.push_back(value);
    EXPECT_EQ(pos, line.size()) << line;
    return fields;
}

// The deciphered bytes of one field, zero padding included, read with the
// letter rule of the file format (digits follow the closing letter).
std::string rawField(const std::string& field)
{
    const char closing = field.back();
    std::string bytes;
    for (std::size_t i = 1; i + 2 < field.size(); i += 2) {
        const int high = (field[i] - closing - 1 + 52) % 26;
        const int low = (field[i + 1] - closing - 1 + 52) % 26;
        bytes += static_cast<char>(high * 25 + low);
    }
    CBlowfish bf;
    bf.SetKey(StoreFieldCodec::storeKey, sizeof StoreFieldCodec::storeKey);
    bf.Decipher(reinterpret_cast<const unsigned char*>(bytes.data()),
                reinterpret_cast<unsigned char*>(bytes.data()), bytes.size());
    return bytes;
}

class AccountStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() / ("cvaccounts-" + std::to_string(::getpid()) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        path_ = (folder_ / "Quillmere" / "Corvan" / "ant").string();
    }
    void TearDown() override
    {
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder_);
    }

    std::string fileText() const
    {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void writeFileText(const std::string& text) const
    {
        fs::create_directories(fs::path(path_).parent_path());
        std::ofstream(path_, std::ios::binary) << text;
    }

    fs::path folder_;
    std::string path_;
};

TEST(StoreFieldCodecTest, FieldsAreRandomLettersThatDecodeToTheSameValue)
{
    StoreFieldCodec codec;
    const std::string value = platform::Cp932Codec::fromUtf8("パスワード123");
    std::set<std::string> seen;
    for (int i = 0; i < 20; ++i) {
        const std::string field = codec.encode(value);
        seen.insert(field);
        ASSERT_EQ(field.size(), 2 + 2 * 16u);
        const char closing = field.back();
        EXPECT_EQ(field.front(), closing == 'A' ? 'Z' : closing - 1);
        for (std::size_t j = 1; j + 1 < field.size(); ++j) {
            EXPECT_TRUE(field[j] >= 'A' && field[j] <= 'Z');
            EXPECT_NE(field[j], closing);
        }
        std::size_t pos = 0;
        std::string back;
        ASSERT_TRUE(codec.decode(field + "tail", pos, back));
        EXPECT_EQ(back, value);
        EXPECT_EQ(pos, field.size());
    }
    EXPECT_GT(seen.size(), 1u);

    // An empty value still takes one block; a filler always takes 18 letters.
    EXPECT_EQ(codec.encode("").size(), 18u);
    EXPECT_EQ(codec.encode(codec.filler('a')).size(), 18u);

    // Malformed: no field, no closing letter, a ragged block, a digit pair
    // above 255. A field of no letters at all is an empty value.
    std::string back;
    for (const char* bad : {"", "a", "ACDE", "ACDB", "ANNNNNNNNNNNNNNNNB"}) {
        std::size_t pos = 0;
        EXPECT_FALSE(codec.decode(bad, pos, back)) << bad;
        EXPECT_EQ(pos, 0u);
    }
    std::size_t pos = 0;
    back = "x";
    EXPECT_TRUE(codec.decode("ZA", pos, back));
    EXPECT_EQ(back, "");
    EXPECT_EQ(pos, 2u);
}

TEST_F(AccountStoreTest, WrittenStoreIsReadBackByAnotherProcess)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AccountStore writer(path_);
        const bool ok = writer.addAccount(sampleAccount("サーバー甲")) && writer.addAccount(sampleAccount("alpha")) &&
                        writer.addProxy(sampleProxy("社内プロキシ"));
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    AccountStore reader(path_);
    ASSERT_EQ(reader.load(), AccountStore::LoadResult::Loaded);
    EXPECT_EQ(reader.skippedLines(), 0u);
    ASSERT_EQ(reader.accounts().size(), 2u);
    ASSERT_NE(reader.findAccount("サーバー甲"), nullptr);
    EXPECT_EQ(*reader.findAccount("サーバー甲"), sampleAccount("サーバー甲"));
    EXPECT_EQ(*reader.findAccount("alpha"), sampleAccount("alpha"));
    ASSERT_NE(reader.findProxy("社内プロキシ"), nullptr);
    EXPECT_EQ(*reader.findProxy("社内プロキシ"), sampleProxy("社内プロキシ"));

    // Iteration is by name whatever the order of adding, and survives a reload.
    std::vector<std::string> names;
    for (const auto& [name, account] : reader.accounts())
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "サーバー甲"}));
    EXPECT_EQ(reader.accountAt(1)->name, "サーバー甲");
    EXPECT_EQ(reader.accountAt(2), nullptr);
    EXPECT_EQ(reader.proxyAt(0)->name, "社内プロキシ");
    EXPECT_EQ(reader.proxyAt(1), nullptr);

    // The file is the marker, then accounts, then proxies, one per LF line.
    const auto fileLines = lines(fileText());
    ASSERT_EQ(fileLines.size(), 4u);
    EXPECT_EQ(decodeLine(fileLines[0]), std::vector<std::string>{AccountStore::marker});
    EXPECT_EQ(decodeLine(fileLines[1]).size(), 10u);
    EXPECT_EQ(decodeLine(fileLines[3]).size(), 6u);
    EXPECT_EQ(fileText().find('\r'), std::string::npos);
    EXPECT_EQ(decodeLine(fileLines[1])[1], "alpha");
    EXPECT_EQ(decodeLine(fileLines[2])[1], platform::Cp932Codec::fromUtf8("サーバー甲"));
}

TEST_F(AccountStoreTest, EmptyFieldsStayPresentAndEmptyPasswordsGetAFiller)
{
    AccountRecord bare;
    bare.name = "bare";
    ProxyRecord proxy;
    proxy.name = "p";
    AccountStore store(path_);
    ASSERT_TRUE(store.addAccount(bare));
    ASSERT_TRUE(store.addProxy(proxy));
    const std::string first = fileText();

    const auto fields = decodeLine(lines(first)[1]);
    ASSERT_EQ(fields.size(), 10u);
    EXPECT_TRUE(fields[0] >= "A" && fields[0] < "Z");
    EXPECT_EQ(fields[1], "bare");
    EXPECT_EQ(fields[2], "");
    EXPECT_EQ(fields[3], "");  // the filler reads back as no password
    EXPECT_EQ(fields[4], "0");
    EXPECT_EQ(fields[5], "");
    EXPECT_EQ(fields[9], "");

    // Two writes of the same records never give the same lines: fillers and
    // closing letters are random, and the password filler differs as well.
    ASSERT_TRUE(store.write());
    const std::string second = fileText();
    EXPECT_NE(lines(first)[1], lines(second)[1]);
    StoreFieldCodec codec;
    std::set<std::string> passwordFields;
    for (int i = 0; i < 8; ++i) {
        AccountStore again(path_);
        ASSERT_EQ(again.load(), AccountStore::LoadResult::Loaded);
        ASSERT_TRUE(again.write());
        const std::string line = lines(fileText())[1];
        std::size_t pos = 0;
        std::string value;
        for (int f = 0; f < 3; ++f)
            ASSERT_TRUE(codec.decode(line, pos, value));
        const std::size_t start = pos;
        ASSERT_TRUE(codec.decode(line, pos, value));
        ASSERT_EQ(pos - start, 18u);
        // A zero byte (so it reads back empty), then 1 to 5 filler letters.
        const std::string raw = rawField(line.substr(start, pos - start));
        EXPECT_EQ(raw[0], '\0');
        const std::size_t letters = raw.find('\0', 1) - 1;
        EXPECT_TRUE(letters >= 1 && letters <= 5) << letters;
        for (std::size_t k = 1; k <= letters; ++k)
            EXPECT_TRUE(raw[k] >= 'A' && raw[k] <= 'Y');
        passwordFields.insert(raw);
        EXPECT_EQ(*again.findAccount("bare"), bare);
        EXPECT_EQ(*again.findProxy("p"), proxy);
    }
    // The filler itself differs between writes, so the enciphered block of
    // an empty password is not the same every time.
    EXPECT_GT(passwordFields.size(), 1u);
}

TEST_F(AccountStoreTest, RemovingTheOnlyAccountLeavesMarkerAndProxies)
{
    AccountStore store(path_);
    ASSERT_TRUE(store.addAccount(sampleAccount("only")));
    ASSERT_TRUE(store.addProxy(sampleProxy("p1")));
    ASSERT_TRUE(store.addProxy(sampleProxy("p2")));
    ASSERT_TRUE(store.removeAccount("only"));
    EXPECT_FALSE(store.removeAccount("only"));
    EXPECT_FALSE(store.removeProxy("none"));

    const auto fileLines = lines(fileText());
    ASSERT_EQ(fileLines.size(), 3u);
    EXPECT_EQ(decodeLine(fileLines[0]), std::vector<std::string>{AccountStore::marker});
    EXPECT_EQ(decodeLine(fileLines[1])[1], "p1");
    EXPECT_EQ(decodeLine(fileLines[2])[1], "p2");

    AccountStore reader(path_);
    ASSERT_EQ(reader.load(), AccountStore::LoadResult::Loaded);
    EXPECT_TRUE(reader.accounts().empty());
    EXPECT_EQ(reader.proxies().size(), 2u);

    // Adding under an existing name replaces the entry.
    AccountRecord changed = sampleAccount("p1");
    changed.port = 21;
    ASSERT_TRUE(reader.addAccount(sampleAccount("p1")));
    ASSERT_TRUE(reader.addAccount(changed));
    AccountStore again(path_);
    ASSERT_EQ(again.load(), AccountStore::LoadResult::Loaded);
    ASSERT_EQ(again.accounts().size(), 1u);
    EXPECT_EQ(again.findAccount("p1")->port, 21);
}

TEST_F(AccountStoreTest, TruncatedAndMalformedLinesAreSkipped)
{
    AccountStore store(path_);
    for (const char* name : {"a1", "a2", "a3"})
        ASSERT_TRUE(store.addAccount(sampleAccount(name)));
    ASSERT_TRUE(store.addProxy(sampleProxy("p1")));
    auto fileLines = lines(fileText());
    ASSERT_EQ(fileLines.size(), 5u);

    StoreFieldCodec codec;
    const std::string zFiller = codec.encode("Z@") + codec.encode("x");
    std::string text = fileLines[0] + "\r\n" +               // CR LF is accepted
                       fileLines[1].substr(0, fileLines[1].size() / 2) + "\n" +  // a2 cut short
                       fileLines[2] + "\n" +
                       "short\n" +
                       fileLines[2] + fileLines[2] + "\n" +  // too many fields
                       std::string(200, 'Q') + "\n" +
                       zFiller + "\n" +
                       "\n" +
                       fileLines[3] + "\n" +
                       fileLines[4].substr(0, fileLines[4].size() - 1);  // last line cut, no LF
    writeFileText(text);

    AccountStore reader(path_);
    ASSERT_EQ(reader.load(), AccountStore::LoadResult::Loaded);
    EXPECT_EQ(reader.skippedLines(), 6u);
    EXPECT_EQ(reader.accounts().size(), 2u);
    EXPECT_EQ(reader.findAccount("a1"), nullptr);
    EXPECT_EQ(*reader.findAccount("a2"), sampleAccount("a2"));
    EXPECT_EQ(*reader.findAccount("a3"), sampleAccount("a3"));
    EXPECT_TRUE(reader.proxies().empty());
}

TEST_F(AccountStoreTest, FilesThatAreNoStoreAreReportedAndChangeNothing)
{
    AccountStore store(path_);
    EXPECT_EQ(store.load(), AccountStore::LoadResult::Missing);
    ASSERT_TRUE(store.addAccount(sampleAccount("kept")));

    writeFileText("");
    EXPECT_EQ(store.load(), AccountStore::LoadResult::Empty);
    writeFileText("[settings]\nRootFolder=/home\n");
    EXPECT_EQ(store.load(), AccountStore::LoadResult::NotAStore);
    StoreFieldCodec codec;
    writeFileText(codec.encode("CorvandelleAcnt2.0") + "\n");
    EXPECT_EQ(store.load(), AccountStore::LoadResult::NotAStore);
    writeFileText(codec.encode(AccountStore::marker) + "X\n");
    EXPECT_EQ(store.load(), AccountStore::LoadResult::NotAStore);
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 131 + 7);
    writeFileText(binary);
    EXPECT_EQ(store.load(), AccountStore::LoadResult::NotAStore);
    // What was in memory survives a refused load.
    EXPECT_NE(store.findAccount("kept"), nullptr);

    fs::remove(path_);
    fs::create_directory(path_);
    EXPECT_EQ(store.load(), AccountStore::LoadResult::Unreadable);
    EXPECT_FALSE(store.write());
    fs::remove(path_);

    // The caller's repair: a new empty store.
    store.clear();
    ASSERT_TRUE(store.write());
    EXPECT_EQ(store.load(), AccountStore::LoadResult::Loaded);
    EXPECT_EQ(lines(fileText()).size(), 1u);
}

TEST_F(AccountStoreTest, FileAndNewFoldersAreOwnerOnly)
{
    AccountStore store(path_);
    ASSERT_TRUE(store.ensureFolder());
    EXPECT_FALSE(fs::exists(path_));
    ASSERT_TRUE(store.addAccount(sampleAccount("a")));
    auto mode = [](const std::string& p) {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
        return st.st_mode & 0777;
    };
    EXPECT_EQ(mode(path_), 0600u);
    EXPECT_EQ(mode((folder_ / "Quillmere").string()), 0700u);
    EXPECT_EQ(mode((folder_ / "Quillmere" / "Corvan").string()), 0700u);

    // A store left readable by others is replaced by an owner-only one, and
    // no temporary file stays behind.
    ::chmod(path_.c_str(), 0644);
    ASSERT_TRUE(store.addProxy(sampleProxy("p")));
    EXPECT_EQ(mode(path_), 0600u);
    std::vector<std::string> entries;
    for (const auto& e : fs::directory_iterator(fs::path(path_).parent_path()))
        entries.push_back(e.path().filename().string());
    EXPECT_EQ(entries, std::vector<std::string>{"ant"});
}

TEST_F(AccountStoreTest, FailedAddsChangeNothing)
{
    AccountStore store(path_);
    ASSERT_TRUE(store.addAccount(sampleAccount("a")));
    const std::string before = fileText();

    AccountRecord unnamed = sampleAccount("");
    EXPECT_FALSE(store.addAccount(unnamed));
    AccountRecord emoji = sampleAccount("b");
    emoji.password = "\xF0\x9F\x98\x80";  // no such character in code page 932
    EXPECT_FALSE(store.addAccount(emoji));
    EXPECT_EQ(store.findAccount("b"), nullptr);
    EXPECT_EQ(fileText(), before);

    // A store whose folder cannot be made: the add is undone in memory.
    AccountStore blocked((folder_ / "plain-file" / "ant").string());
    std::ofstream((folder_ / "plain-file").string()) << "x";
    EXPECT_FALSE(blocked.addAccount(sampleAccount("c")));
    EXPECT_TRUE(blocked.accounts().empty());
    ProxyRecord p = sampleProxy("q");
    EXPECT_FALSE(blocked.addProxy(p));
    EXPECT_TRUE(blocked.proxies().empty());
}

TEST(AccountStorePathTest, StoreLiesBelowTheApplicationDataFolder)
{
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_DATA_HOME", "/tmp/cv-data-home", 1);
    EXPECT_EQ(AccountStore::defaultPath(), "/tmp/cv-data-home/Quillmere/Corvan/ant");
    if (old)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

} // namespace
