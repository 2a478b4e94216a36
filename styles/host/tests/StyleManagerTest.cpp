// Style module management against the built modules: updates from a
// certified delivery folder with pinned file times, deletes that succeed and
// deletes that fail, for both programs.

#include "platform/Folders.h"
#include "styles/host/GMStyleHost.h"
#include "styles/host/StyleManager.h"
#include "styles/host/StyleTexts.h"
#include "styles/host/VTStyleHost.h"
#include "styles/tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace styles;
using Outcome = StyleUpdateReport::Outcome;

const fs::path bin = CV_BIN_DIR;
const fs::path vtsNorm = bin / "VTStyle" / "VTSNorm.so";
const fs::path gmsNorm = bin / "GMStyle" / "GMSNorm.so";
const fs::path gmsSmart = bin / "GMStyle" / "GMSSmart.so";

// Fixed file times, so that "newer" never depends on when the test runs.
fs::file_time_type pinned(int day)
{
    using namespace std::chrono;
    return file_clock::from_sys(sys_seconds(sys_days(year(2020) / January / day)));
}

void copyPinned(const fs::path& from, const fs::path& to, int day)
{
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::last_write_time(to, pinned(day));
}

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Every listed module still answers: none of them was freed.
void expectAllCallable(StyleModuleHost& host)
{
    for (std::size_t i = 0; i < host.moduleCount(); ++i)
        EXPECT_FALSE(host.moduleStyles(i).empty()) << host.moduleSummary(i).path;
}

class StyleManagerTest : public ::testing::Test {
protected:
    stylestest::ScratchFolder scratch {"CVstylemgr"};
    fs::path saveRoot = scratch.path() / "保存先";
    fs::path modules = scratch.path() / "VTStyle";

    fs::path delivery(const StyleProgram& program) const
    {
        return StyleManager::deliveryFolder(saveRoot.string(), program);
    }
};

TEST_F(StyleManagerTest, DeliveryFolderIsTheReceiversCertifiedFolder)
{
    const std::string site = "certified/www.quillmere.example=corvandelle=certificate";
    EXPECT_EQ(StyleManager::deliveryFolder("/home/u/Corvan", StyleProgram::exhibition()),
              "/home/u/Corvan/" + site + "/Vitrinel/Style");
    EXPECT_EQ(StyleManager::deliveryFolder("/home/u/Corvan", StyleProgram::album()),
              "/home/u/Corvan/" + site + "/Glimmora/Style");
    // A save root of 250 bytes leaves 9 for the certified folder, as the
    // receiver cuts it.
    const std::string longRoot = "/" + std::string(249, 'r');
    EXPECT_EQ(StyleManager::deliveryFolder(longRoot, StyleProgram::exhibition()),
              longRoot + "/certified/Vitrinel/Style");
    EXPECT_EQ(StyleManager::deliveryFolder("", StyleProgram::exhibition()), "");
}

TEST_F(StyleManagerTest, UpdateCopiesNewAndNewerModulesOnly)
{
    copyPinned(vtsNorm, modules / "VTSNorm.so", 10);
    copyPinned(vtsNorm, modules / "VTSKeep.so", 10);
    VTStyleHost host(modules.string());
    host.load();
    ASSERT_EQ(host.moduleCount(), 2u);

    const fs::path from = delivery(StyleProgram::exhibition());
    copyPinned(vtsNorm, from / "VTSNorm.so", 20); // newer: updated
    copyPinned(vtsNorm, from / "VTSNew.so", 5);   // not installed: new, however old
    copyPinned(vtsNorm, from / "VTSKeep.so", 10); // as old: kept
    std::ofstream(from / "readme.txt") << "not a module";

    StyleManager manager(host, StyleProgram::exhibition(), saveRoot.string());
    StyleUpdateReport report = manager.update();
    EXPECT_EQ(report.outcome, Outcome::Installed);
    EXPECT_EQ(report.added, 1);
    EXPECT_EQ(report.updated, 1);
    EXPECT_EQ(report.errors, 0);
    EXPECT_EQ(report.message, "以下のスタイルを新規導入・更新しました。\r\n\r\n新　規： 1 個\r\n更　新： 1 個\r\nエラー： 0 個");

    // Copies keep the delivered time, so the next update finds nothing newer.
    EXPECT_EQ(fs::last_write_time(modules / "VTSNorm.so"), pinned(20));
    EXPECT_EQ(fs::last_write_time(modules / "VTSNew.so"), pinned(5));
    EXPECT_EQ(fs::last_write_time(modules / "VTSKeep.so"), pinned(10));
    EXPECT_FALSE(fs::exists(modules / "readme.txt"));
    EXPECT_EQ(contents(modules / "VTSNew.so"), contents(vtsNorm));
    EXPECT_EQ(std::distance(fs::directory_iterator(modules), fs::directory_iterator()), 3); // no temporary left

    ASSERT_EQ(host.moduleCount(), 3u); // loaded again
    expectAllCallable(host);

    report = manager.update();
    EXPECT_EQ(report.outcome, Outcome::NothingNewer);
    EXPECT_EQ(report.message, texts::nothingNewer);
    EXPECT_EQ(host.moduleCount(), 3u);
}

TEST_F(StyleManagerTest, OlderDeliveryLeavesTheInstalledCopy)
{
    copyPinned(vtsNorm, modules / "VTSNorm.so", 15);
    const fs::path older = delivery(StyleProgram::exhibition()) / "VTSNorm.so";
    fs::create_directories(older.parent_path());
    std::ofstream(older) << "older";
    fs::last_write_time(older, pinned(14));

    VTStyleHost host(modules.string());
    host.load();
    StyleManager manager(host, StyleProgram::exhibition(), saveRoot.string());
    StyleUpdateReport report = manager.update();
    EXPECT_EQ(report.outcome, Outcome::NothingNewer);
    EXPECT_EQ(report.message, "更新するスタイルモジュールはありませんでした");
    EXPECT_EQ(contents(modules / "VTSNorm.so"), contents(vtsNorm));
    EXPECT_EQ(fs::last_write_time(modules / "VTSNorm.so"), pinned(15));
    ASSERT_EQ(host.moduleCount(), 1u);
    expectAllCallable(host);
}

TEST_F(StyleManagerTest, UpdateStopsWithoutModuleFolderOrDelivery)
{
    VTStyleHost missing((scratch.path() / "nowhere").string());
    StyleManager noFolder(missing, StyleProgram::exhibition(), saveRoot.string());
    copyPinned(vtsNorm, delivery(StyleProgram::exhibition()) / "VTSNorm.so", 20);
    StyleUpdateReport report = noFolder.update();
    EXPECT_EQ(report.outcome, Outcome::CannotUpdate);
    EXPECT_EQ(report.message, "スタイルを更新できません。インストールし直してください");

    // The album program takes only GMS*.so; the exhibition delivery is not its.
    fs::path albumModules = scratch.path() / "GMStyle";
    copyPinned(gmsNorm, albumModules / "GMSNorm.so", 10);
    GMStyleHost albumHost(albumModules.string());
    albumHost.load();
    StyleManager album(albumHost, StyleProgram::album(), saveRoot.string());
    copyPinned(gmsSmart, delivery(StyleProgram::album()) / "Smart.so", 20);
    copyPinned(gmsSmart, delivery(StyleProgram::album()) / "GMSSmart.so.old", 20);
    report = album.update();
    EXPECT_EQ(report.outcome, Outcome::NothingDelivered);
    EXPECT_EQ(report.message, "更新するスタイルモジュールがありませんでした");
    EXPECT_EQ(albumHost.moduleCount(), 1u); // never freed

    copyPinned(gmsSmart, delivery(StyleProgram::album()) / "GMSSmart.so", 20);
    report = album.update();
    EXPECT_EQ(report.added, 1);
    EXPECT_TRUE(fs::exists(albumModules / "GMSSmart.so"));
    EXPECT_FALSE(fs::exists(albumModules / "Smart.so"));
    ASSERT_EQ(albumHost.moduleCount(), 2u);
    expectAllCallable(albumHost);
}

TEST_F(StyleManagerTest, ACopyThatFailsCountsAsAnError)
{
    fs::create_directories(modules);
    // A folder where the module would go: the copy cannot take its place.
    fs::create_directories(modules / "VTSBlocked.so" / "inside");
    fs::last_write_time(modules / "VTSBlocked.so", pinned(1));
    const fs::path from = delivery(StyleProgram::exhibition());
    copyPinned(vtsNorm, from / "VTSBlocked.so", 20);

    VTStyleHost host(modules.string());
    host.load();
    StyleManager manager(host, StyleProgram::exhibition(), saveRoot.string());
    StyleUpdateReport report = manager.update();
    EXPECT_EQ(report.outcome, Outcome::Failed);
    EXPECT_EQ(report.errors, 1);
    EXPECT_EQ(report.message, "スタイルモジュールの更新時にエラーが発生しました。");

    copyPinned(vtsNorm, from / "VTSNorm.so", 20);
    report = manager.update();
    EXPECT_EQ(report.outcome, Outcome::Installed);
    EXPECT_EQ(report.message, "以下のスタイルを新規導入・更新しました。\r\n\r\n新　規： 1 個\r\n更　新： 0 個\r\nエラー： 1 個");
    // Only the blocking folder and the one module: nothing half-copied.
    EXPECT_EQ(std::distance(fs::directory_iterator(modules), fs::directory_iterator()), 2);
    EXPECT_EQ(host.moduleCount(), 1u);
}

TEST_F(StyleManagerTest, DeleteFreesTheModuleAndRemovesItsFile)
{
    copyPinned(vtsNorm, modules / "VTSA.so", 10);
    copyPinned(vtsNorm, modules / "VTSB.so", 10);
    VTStyleHost host(modules.string());
    host.load();
    ASSERT_EQ(host.moduleCount(), 2u);
    StyleManager manager(host, StyleProgram::exhibition(), saveRoot.string());
    EXPECT_EQ(manager.deleteQuestion(0),
              "標準スタイルセット を削除してもよろしいですか？ファイルも削除しますので注意してください。");

    StyleDeleteReport report = manager.remove(0);
    EXPECT_TRUE(report.deleted);
    EXPECT_TRUE(report.message.empty());
    EXPECT_FALSE(fs::exists(modules / "VTSA.so"));
    ASSERT_EQ(host.moduleCount(), 1u);
    EXPECT_EQ(host.moduleSummary(0).path, (modules / "VTSB.so").string());
    expectAllCallable(host);
}

TEST_F(StyleManagerTest, DeleteThatCannotRemoveTheFileReportsIt)
{
    copyPinned(vtsNorm, modules / "VTSNorm.so", 10);
    copyPinned(vtsNorm, modules / "VTSGone.so", 10);
    VTStyleHost host(modules.string());
    host.load();
    ASSERT_EQ(host.moduleCount(), 2u);
    // The module's file has become a folder with something in it: the library
    // is freed, but the name cannot be removed.
    fs::remove(modules / "VTSGone.so");
    fs::create_directories(modules / "VTSGone.so" / "inside");

    StyleManager manager(host, StyleProgram::exhibition(), saveRoot.string());
    StyleDeleteReport report = manager.remove(0);
    EXPECT_FALSE(report.deleted);
    EXPECT_EQ(report.message, texts::deleteFailed);
    // The freed module is not listed; what the folder holds is.
    ASSERT_EQ(host.moduleCount(), 1u);
    EXPECT_EQ(host.moduleSummary(0).path, (modules / "VTSNorm.so").string());
    expectAllCallable(host);

    EXPECT_FALSE(manager.remove(5).deleted);
}

} // namespace

namespace {

std::vector<std::string> folderListing(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The modules a host lists, as "file name@folder kind".
std::vector<std::string> listed(StyleModuleHost& host)
{
    std::vector<std::string> all;
    for (std::size_t i = 0; i < host.moduleCount(); ++i) {
        const StyleModuleSummary module = host.moduleSummary(i);
        all.push_back(fs::path(module.path).filename().string() + (module.installed ? "@installed" : "@user"));
    }
    return all;
}

} // namespace

TEST_F(StyleManagerTest, UpdateTakesOnlyPlainRegularFilesThatLoadAsModulesOfTheKind)
{
    copyPinned(vtsNorm, modules / "VTSNorm.so", 10);
    VTStyleHost host(modules.string());
    host.load();
    const fs::path from = delivery(StyleProgram::exhibition());
    copyPinned(vtsNorm, from / "VTSGood.so", 20);
    // Passed by: a link, and names that are no plain module name.
    fs::create_symlink(vtsNorm, from / "VTSLink.so");
    copyPinned(vtsNorm, from / "VTS Space.so", 20);
    copyPinned(vtsNorm, from / ".VTSHidden.so", 20);
    copyPinned(vtsNorm, from / "VTS.Two.so", 20);
    // Copied, found to be no exhibition module, and removed again.
    std::ofstream(from / "VTSJunk.so") << "no library";
    copyPinned(gmsNorm, from / "VTSAlbumKind.so", 20);

    StyleManager manager(host, StyleProgram::exhibition(), saveRoot.string());
    StyleUpdateReport report = manager.update();
    EXPECT_EQ(report.outcome, Outcome::Installed);
    EXPECT_EQ(report.added, 1);
    EXPECT_EQ(report.updated, 0);
    EXPECT_EQ(report.errors, 2);
    EXPECT_EQ(folderListing(modules), (std::vector<std::string> {"VTSGood.so", "VTSNorm.so"}));
    EXPECT_EQ(fs::symlink_status(modules / "VTSGood.so").type(), fs::file_type::regular);
    ASSERT_EQ(host.moduleCount(), 2u);
    expectAllCallable(host);

    // The album program refuses an exhibition module under an album name.
    fs::path albumModules = scratch.path() / "GMStyle";
    copyPinned(gmsNorm, albumModules / "GMSNorm.so", 10);
    GMStyleHost albumHost(albumModules.string());
    albumHost.load();
    copyPinned(vtsNorm, delivery(StyleProgram::album()) / "GMSExhibitionKind.so", 20);
    StyleManager album(albumHost, StyleProgram::album(), saveRoot.string());
    report = album.update();
    EXPECT_EQ(report.outcome, Outcome::Failed);
    EXPECT_EQ(report.errors, 1);
    EXPECT_EQ(folderListing(albumModules), std::vector<std::string> {"GMSNorm.so"});
    EXPECT_EQ(albumHost.moduleCount(), 1u);
}

// Installed for everyone, the program's module folder belongs to the
// system: updates go to the user's folder, whose modules take the place of
// installed ones of the same name, and installed modules are never deleted.
TEST_F(StyleManagerTest, UpdatesAndDeletesUseTheUsersFolderAndLeaveTheInstalledOne)
{
    const fs::path installed = scratch.path() / "installed" / "VTStyle";
    const fs::path user = scratch.path() / "data" / "corvandelle" / "VTStyle";
    copyPinned(vtsNorm, installed / "VTSNorm.so", 10);
    copyPinned(vtsNorm, installed / "VTSBase.so", 10);
    fs::permissions(installed, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read
                        | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const std::string installedBytes = contents(installed / "VTSNorm.so");

    VTStyleHost host(StyleFolders {installed.string(), user.string()});
    host.load();
    EXPECT_EQ(listed(host), (std::vector<std::string> {"VTSBase.so@installed", "VTSNorm.so@installed"}));

    const fs::path from = delivery(StyleProgram::exhibition());
    copyPinned(vtsNorm, from / "VTSNorm.so", 20); // newer than the installed copy
    copyPinned(vtsNorm, from / "VTSBase.so", 10); // as old as the installed copy
    copyPinned(vtsNorm, from / "VTSNew.so", 5);
    StyleManager manager(host, StyleProgram::exhibition(), saveRoot.string());
    StyleUpdateReport report = manager.update();
    EXPECT_EQ(report.outcome, Outcome::Installed);
    EXPECT_EQ(report.added, 1);
    EXPECT_EQ(report.updated, 1);
    EXPECT_EQ(report.errors, 0);
    EXPECT_EQ(folderListing(user), (std::vector<std::string> {"VTSNew.so", "VTSNorm.so"}));
    EXPECT_EQ(folderListing(installed), (std::vector<std::string> {"VTSBase.so", "VTSNorm.so"}));
    EXPECT_EQ(fs::last_write_time(installed / "VTSNorm.so"), pinned(10));
    EXPECT_EQ(contents(installed / "VTSNorm.so"), installedBytes);
    EXPECT_EQ(listed(host),
              (std::vector<std::string> {"VTSBase.so@installed", "VTSNew.so@user", "VTSNorm.so@user"}));
    expectAllCallable(host);
    EXPECT_EQ(manager.update().outcome, Outcome::NothingNewer);

    // An installed module: refused before anything is freed, the file stays.
    ASSERT_EQ(host.moduleSummary(0).path, (installed / "VTSBase.so").string());
    const std::string refusal = "標準スタイルセット はシステムにインストールされたスタイルモジュールです。削除できません。";
    EXPECT_EQ(manager.deleteRefusal(0), refusal);
    StyleDeleteReport deleted = manager.remove(0);
    EXPECT_FALSE(deleted.deleted);
    EXPECT_EQ(deleted.message, refusal);
    EXPECT_TRUE(fs::exists(installed / "VTSBase.so"));
    EXPECT_EQ(host.moduleCount(), 3u);
    expectAllCallable(host);

    // The user's copy goes, and the installed module of that name is back.
    EXPECT_EQ(manager.deleteRefusal(2), "");
    deleted = manager.remove(2);
    EXPECT_TRUE(deleted.deleted);
    EXPECT_FALSE(fs::exists(user / "VTSNorm.so"));
    EXPECT_EQ(listed(host),
              (std::vector<std::string> {"VTSBase.so@installed", "VTSNew.so@user", "VTSNorm.so@installed"}));
    expectAllCallable(host);
    fs::permissions(installed, fs::perms::owner_all);
}

TEST_F(StyleManagerTest, UnknownProgramFolderLoadsNothingAndSaysWhy)
{
    copyPinned(vtsNorm, delivery(StyleProgram::exhibition()) / "VTSNorm.so", 20);
    platform::Folders::setProgramLink((scratch.path() / "no-proc" / "exe").string());
    VTStyleHost host;
    GMStyleHost albumHost;
    platform::Folders::setProgramLink("/proc/self/exe");
    EXPECT_EQ(host.styleFolder(), "");
    host.load();
    albumHost.load();
    EXPECT_EQ(host.moduleCount(), 0u);
    EXPECT_EQ(albumHost.moduleCount(), 0u);
    EXPECT_EQ(host.loadProblem(), texts::programFolderUnknown);
    EXPECT_EQ(albumHost.loadProblem(), texts::programFolderUnknown);
    StyleManager manager(host, StyleProgram::exhibition(), saveRoot.string());
    EXPECT_EQ(manager.update().outcome, Outcome::CannotUpdate);
    EXPECT_EQ(host.moduleCount(), 0u);
}
