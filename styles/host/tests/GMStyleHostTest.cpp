// The album program's side of the style module interface, against the built
// modules and small fixture modules copied into a style folder of the test's
// own.

#include "styles/host/GMStyleHost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdlib.h>

namespace {

namespace fs = std::filesystem;
using namespace styles;

class Folder {
public:
    Folder()
    {
        std::string pattern = (fs::temp_directory_path() / "CVgmhostXXXXXX").string();
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~Folder()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

fs::path builtModule(const char* name)
{
    return fs::path(CV_BIN_DIR) / "GMStyle" / (std::string(name) + ".so");
}

fs::path fixtureModule(const char* name)
{
    return fs::path(CV_BIN_DIR) / ".." / "tests" / "fixtures" / (std::string(name) + ".so");
}

// The album of the modules' expected pages, as the album program holds it.
GMAlbumContent sampleAlbum()
{
    using Type = GMAlbumItem::Type;
    GMAlbumContent album;
    album.title = "春の旅";
    album.subtitle = "京都";
    album.items = {
        {"sakura.jpg", "満開の桜", "哲学の道にて\r\n二日目の朝", Type::Picture, "", 400, 300, 1600, 1200, ""},
        {"tera.jpg", "お寺", "", Type::Picture, "", 0, 0, 0, 0, "voice001.wav"},
        {"kamo.avi", "鴨川", "川辺の散歩", Type::Video, "", 320, 240, 0, 0, "voice002.wav"},
        {"yoru.mpg", "夜景", "祇園の夜", Type::Video, "", 0, 0, 0, 0, ""},
    };
    return album;
}

class GMStyleHostTest : public ::testing::Test {
protected:
    Folder styleFolder;
    Folder albumFolder;

    void install(const fs::path& from, const char* as)
    {
        fs::copy_file(from, styleFolder.path() / as);
    }
    std::optional<StyleChoice> choice(const GMStyleHost& host, std::size_t n)
    {
        auto all = host.choices();
        if (n >= all.size())
            return std::nullopt;
        return all[n];
    }
};

TEST_F(GMStyleHostTest, LoadsEveryModuleItFindsAndSkipsWhatIsNone)
{
    install(builtModule("GMSSmart"), "GMSSmart.so");
    install(builtModule("GMSNorm"), "GMSNorm.so");
    install(fixtureModule("GMSIncomplete"), "GMSIncomplete.so");
    install(builtModule("GMSNorm"), "Other.so"); // not a GMS*.so
    std::ofstream(styleFolder.path() / "GMSGarbage.so") << "no library";
    fs::create_directory(styleFolder.path() / "GMSFolder.so");

    GMStyleHost host(styleFolder.path().string());
    host.load();
    ASSERT_EQ(host.modules().size(), 2u);
    const GMStyleModule& norm = *host.modules()[0];
    EXPECT_EQ(norm.name(), "標準スタイルセット");
    EXPECT_EQ(norm.description(), "シンプルなスタイルをいくつか含んだ基本セットです。");
    EXPECT_EQ(norm.creator(), "Quillmere");
    EXPECT_EQ(norm.versionMajor(), 2);
    EXPECT_EQ(norm.versionMinor(), 0);
    EXPECT_EQ(host.modules()[1]->name(), "スマートスタイルセット");

    const std::vector<StyleChoice> all = host.choices();
    ASSERT_EQ(all.size(), 10u);
    EXPECT_EQ(all[0].name, "シンプル");
    EXPECT_EQ(all[0].description, "標準的なページスタイルです。");
    EXPECT_EQ(all[4].name, "銀世界");
    EXPECT_EQ(all[5].module, 1u);
    EXPECT_EQ(all[5].style, 0);
    EXPECT_EQ(all[5].name, "ブルー・パステル");
    EXPECT_EQ(all[9].name, "ピーチ・パステル");

    host.unload();
    EXPECT_TRUE(host.modules().empty());
    EXPECT_TRUE(host.choices().empty());
}

// "GMS*" matches a name with nothing after the prefix too.
TEST_F(GMStyleHostTest, LoadsAModuleNamedOnlyByThePrefix)
{
    install(fixtureModule("GMSProbe"), "GMS.so");
    GMStyleHost host(styleFolder.path().string());
    host.load();
    ASSERT_EQ(host.modules().size(), 1u);
    EXPECT_EQ(host.modules()[0]->name(), "Probe");
}

TEST_F(GMStyleHostTest, PublishesThePageOfTheChosenStyle)
{
    install(builtModule("GMSNorm"), "GMSNorm.so");
    install(builtModule("GMSSmart"), "GMSSmart.so");
    GMStyleHost host(styleFolder.path().string());
    host.load();

    GMGenerationResult result = host.generate(choice(host, 3), sampleAlbum(), albumFolder.path().string());
    ASSERT_TRUE(result.succeeded) << result.message;
    ASSERT_EQ(result.materials.size(), 1u);
    EXPECT_EQ(result.materials[0].name, "index.htm");
    EXPECT_EQ(result.materials[0].attribute, 0);
    EXPECT_EQ(result.commonName, "");
    EXPECT_EQ(readFile(albumFolder.path() / "index.htm"),
              readFile(fs::path(CV_SOURCE_DIR) / "styles/album-norm/tests/expected/sample-style3.htm"));

    result = host.generate(choice(host, 5), sampleAlbum(), albumFolder.path().string());
    ASSERT_TRUE(result.succeeded) << result.message;
    EXPECT_EQ(readFile(albumFolder.path() / "index.htm"),
              readFile(fs::path(CV_SOURCE_DIR) / "styles/album-smart/tests/expected/sample-style0.htm"));
}

TEST_F(GMStyleHostTest, TellsWhyNothingWasPublished)
{
    GMStyleHost empty(styleFolder.path().string());
    empty.load();
    EXPECT_TRUE(empty.choices().empty());
    GMGenerationResult result = empty.generate(std::nullopt, sampleAlbum(), albumFolder.path().string());
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.message, "スタイルを選択できないためファイルを作成できません。");
    result = empty.generate(StyleChoice {3, 0, "", ""}, sampleAlbum(), albumFolder.path().string());
    EXPECT_EQ(result.message, "スタイルを選択できないためファイルを作成できません。");

    install(builtModule("GMSNorm"), "GMSNorm.so");
    install(fixtureModule("GMSNeedsName"), "GMSNeedsName.so");
    GMStyleHost host(styleFolder.path().string());
    host.load();
    ASSERT_EQ(host.modules().size(), 2u);
    ASSERT_EQ(host.modules()[0]->name(), "NeedsName"); // before GMSNorm by name
    const char* failed = "写真集データの作成時にエラーが起きました。別のスタイルを使ってみてください。";

    // The album folder is not there.
    result = host.generate(choice(host, 1), sampleAlbum(), (albumFolder.path() / "missing").string());
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.message, failed);
    EXPECT_TRUE(result.materials.empty());

    // A text that code page 932 cannot hold never reaches the module.
    GMAlbumContent album = sampleAlbum();
    album.items[1].title = "お寺 \xF0\x9F\x98\x80";
    result = host.generate(choice(host, 1), album, albumFolder.path().string());
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.message, failed);
    EXPECT_FALSE(fs::exists(albumFolder.path() / "index.htm"));

    // A material that needs a common name the module does not give.
    result = host.generate(choice(host, 0), sampleAlbum(), albumFolder.path().string());
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.message, failed);
    EXPECT_TRUE(result.materials.empty());
    EXPECT_TRUE(fs::exists(albumFolder.path() / "answers.txt"));

    // A style number the module does not have.
    result = host.generate(StyleChoice {1, 7, "", ""}, sampleAlbum(), albumFolder.path().string());
    EXPECT_FALSE(result.succeeded);
}

TEST_F(GMStyleHostTest, AnswersTheModulesQuestions)
{
    install(fixtureModule("GMSProbe"), "GMSProbe.so");
    GMStyleHost host(styleFolder.path().string());
    host.load();
    ASSERT_EQ(host.modules().size(), 1u);
    GMAlbumContent album = sampleAlbum();
    album.items.resize(3);
    album.items[2].comment = std::string(1500, 'c'); // longer than one piece
    GMGenerationResult result = host.generate(choice(host, 0), album, albumFolder.path().string());
    ASSERT_TRUE(result.succeeded) << result.message;
    ASSERT_EQ(result.materials.size(), 1u);
    EXPECT_EQ(result.materials[0].name, "answers.txt");
    EXPECT_EQ(result.commonName, "");

    const std::string answers = readFile(albumFolder.path() / "answers.txt");
    auto has = [&](const std::string& line) {
        EXPECT_NE(answers.find(line + "\n"), std::string::npos) << line;
    };
    has("version 1.5 style 0");
    has("handle own");
    // NumFunc: count, subtitle lines, sizes (0 is no answer), source sizes, type.
    has("N 1 -1 1 3");
    has("N 2 -1 1 2");
    has("N 3 0 1 400");
    has("N 4 0 1 300");
    has("N 5 0 1 1600");
    has("N 6 0 1 1200");
    has("N 7 0 1 1");
    has("N 3 1 0 -7");
    has("N 5 2 0 -7");
    has("N 7 2 1 2");
    has("N 8 0 0 -7");
    has("N 3 -1 0 -7");
    has("N 3 3 0 -7");
    // InfoFunc: page title, no album comment, item texts; `more` untouched.
    has("I 1 -1 1 5 [" + std::string("\x8f\x74\x82\xcc\x97\xb7 - \x8b\x9e\x93\x73") + "]");
    has("I 2 -1 0 5 []");
    has("I 3 0 1 5 [sakura.jpg]");
    has("I 6 0 1 5 []");
    has("I 7 1 1 5 [voice001.wav]");
    has("I 7 0 1 5 []");
    has("I 5 0 1 5 [" + std::string("\x93\x4e\x8a\x77\x82\xcc\x93\xb9\x82\xc9\x82\xc4\r\n\x93\xf1\x93\xfa\x96\xda\x82\xcc\x92\xa9") + "]");
    has("I 5 2 1 5 [" + std::string(1023, 'c') + "]");
    has("I 8 0 0 5 []");
    has("I 3 3 0 5 []");

    // Without a subtitle the title stands alone.
    album.subtitle.clear();
    ASSERT_TRUE(host.generate(choice(host, 0), album, albumFolder.path().string()).succeeded);
    const std::string second = readFile(albumFolder.path() / "answers.txt");
    EXPECT_NE(second.find("N 2 -1 1 1\n"), std::string::npos);
    EXPECT_NE(second.find("I 1 -1 1 5 [\x8f\x74\x82\xcc\x97\xb7]\n"), std::string::npos);
}

} // namespace
