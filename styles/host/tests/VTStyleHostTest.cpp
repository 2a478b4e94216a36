// The exhibition host against real modules: the built VTSNorm.so, a module
// that lacks an entry point, and files that are no module at all.

#include "styles/host/VTStyleHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using styles::VTStyleChoice;
using styles::StyleFolders;
using styles::VTStyleHost;

namespace {

const fs::path builtModule = fs::path(CV_BIN_DIR) / "VTStyle" / "VTSNorm.so";
const fs::path incompleteModule = fs::path(CV_BIN_DIR).parent_path() / "tests" / "fixtures" / "VTIncomplete.so";

class VTStyleHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "CVvthXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        scratch = pattern;
        styleFolder = scratch / "VTStyle";
        fs::create_directory(styleFolder);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(scratch, ec);
    }

    fs::path scratch;
    fs::path styleFolder;
};

TEST_F(VTStyleHostTest, LoadsTheModulesAndPassesByEverythingElse)
{
    fs::copy_file(builtModule, styleFolder / "VTSNorm.so");
    fs::copy_file(incompleteModule, styleFolder / "VTIncomplete.so");
    std::ofstream(styleFolder / "Broken.so") << "not a library";
    fs::copy_file(builtModule, styleFolder / "VTSNorm.so.bak"); // not a module file name
    fs::create_directory(styleFolder / "Folder.so");

    VTStyleHost host(styleFolder.string());
    host.load();
    ASSERT_EQ(host.modules().size(), 1u);
    const auto& module = *host.modules().front();
    EXPECT_EQ(module.path(), (styleFolder / "VTSNorm.so").string());
    EXPECT_EQ(module.name(), "標準スタイルセット");
    EXPECT_EQ(module.description(), "シンプルなスタイルをいくつか含んだ基本セットです。");
    EXPECT_EQ(module.creator(), "Quillmere");
    EXPECT_EQ(module.versionMajor(), 1);
    EXPECT_EQ(module.versionMinor(), 0);
    EXPECT_EQ(module.styleCount(), 2);

    std::vector<VTStyleChoice> choices = host.choices();
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[0].name, "シンプル");
    EXPECT_EQ(choices[0].description, "標準的なスタイルです。");
    EXPECT_EQ(choices[1].name, "新緑");
    EXPECT_EQ(choices[1].style, 1);

    host.unload();
    EXPECT_TRUE(host.modules().empty());
}

TEST_F(VTStyleHostTest, OffersNoStyleWithoutModulesOrFolder)
{
    VTStyleHost empty(styleFolder.string());
    empty.load();
    EXPECT_TRUE(empty.choices().empty());

    VTStyleHost missing((scratch / "nowhere").string());
    missing.load();
    EXPECT_TRUE(missing.modules().empty());

    VTStyleHost onlyIncomplete(styleFolder.string());
    fs::copy_file(incompleteModule, styleFolder / "VTIncomplete.so");
    onlyIncomplete.load();
    EXPECT_TRUE(onlyIncomplete.modules().empty());
}

TEST_F(VTStyleHostTest, HasTheChosenModuleWriteThePage)
{
    fs::copy_file(builtModule, styleFolder / "VTSNorm.so");
    VTStyleHost host(styleFolder.string());
    host.load();
    std::vector<VTStyleChoice> choices = host.choices();
    ASSERT_EQ(choices.size(), 2u);

    fs::path albumRoot = scratch / "保存先" / "Glimmora";
    fs::create_directories(albumRoot / "作者" / "題名");
    std::ofstream(albumRoot / "作者" / "題名" / "index.htm") << "album";
    fs::path page = albumRoot / "index.htm";

    ASSERT_TRUE(host.generate(choices[1], albumRoot.string(), page.string()));
    std::ifstream in(page, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("bgcolor=\"#70ad1d\""), std::string::npos); // the green style was used

    // No album root yet (nothing received): the module says so.
    fs::path none = scratch / "empty" / "Glimmora";
    EXPECT_FALSE(host.generate(choices[0], none.string(), (none / "index.htm").string()));
    // A path that code page 932 cannot carry never reaches the module.
    EXPECT_FALSE(host.generate(choices[0], (scratch / "한").string(), (scratch / "한" / "index.htm").string()));
    VTStyleChoice bogus = choices[0];
    bogus.module = 7;
    EXPECT_FALSE(host.generate(bogus, albumRoot.string(), page.string()));
    bogus = choices[0];
    bogus.style = 2;
    EXPECT_FALSE(host.generate(bogus, albumRoot.string(), page.string()));
}

TEST(VTStyleHostFolderTest, LooksBesideTheProgram)
{
    fs::path expected = fs::read_symlink("/proc/self/exe").parent_path() / "VTStyle";
    EXPECT_EQ(VTStyleHost::defaultStyleFolder(), expected.string());

    // And in the user's data folder, where updates go.
    const char* data = std::getenv("XDG_DATA_HOME");
    const std::string saved = data ? data : "";
    ::setenv("XDG_DATA_HOME", "/home/someone/.data", 1);
    const StyleFolders folders = StyleFolders::standard(VTStyleHost::styleFolderName);
    EXPECT_EQ(folders.installed, expected.string());
    EXPECT_EQ(folders.user, "/home/someone/.data/corvandelle/VTStyle");
    EXPECT_TRUE(folders.isInstalled((expected / "VTSNorm.so").string()));
    EXPECT_FALSE(folders.isInstalled("/home/someone/.data/corvandelle/VTStyle/VTSNorm.so"));
    if (data)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

} // namespace
