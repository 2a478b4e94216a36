// Style module management against the built modules: updates from a
// certified delivery folder with pinned file times, deletes that succeed and
// deletes that fail, for both programs.

#include "styles/host/GMStyleHost.h"
#include "styles/host/StyleManager.h"
#include "styles/host/StyleTexts.h"
#include "styles/host/VTStyleHost.h"
#include "styles/tests/ScratchFolder.h"

#include <gtest/gtest.h>

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
