#include "platform/SaveRoot.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::SaveRoot;

TEST(SaveRootTest, ForbiddenFoldersAreReplacedWithOneWarningPerMatch)
{
    const std::string fallback = "/home/u/Documents/Corvan";
    EXPECT_TRUE(SaveRoot::check("/home/u/data", fallback).warnings.empty());
    EXPECT_EQ(SaveRoot::check("/home/u/data", fallback).folder, "/home/u/data");

    auto one = SaveRoot::check("d:\\program files\\x", fallback);
    EXPECT_EQ(one.folder, fallback);
    ASSERT_EQ(one.warnings.size(), 1u);
    EXPECT_EQ(one.warnings[0], SaveRoot::warningText(fallback));
    EXPECT_NE(one.warnings[0].find("[" + fallback + "]"), std::string::npos);

    EXPECT_EQ(SaveRoot::check("C:\\WINDOWS\\PROGRAM FILES", fallback).warnings.size(), 2u);
    EXPECT_EQ(SaveRoot::check("c:\\ ", fallback).warnings.size(), 1u);
    EXPECT_TRUE(SaveRoot::check("C:", fallback).warnings.empty());
    for (const char* system : {"/", "/usr", "/etc/x", "//usr/", "/var/lib"})
        EXPECT_EQ(SaveRoot::check(system, fallback).folder, fallback) << system;
    EXPECT_TRUE(SaveRoot::check("/usrdata", fallback).warnings.empty());
}

TEST(SaveRootTest, StoredRootFallsBackToTheDefault)
{
    char tmpl[] = "/tmp/CVrootXXXXXX";
    std::string dir = ::mkdtemp(tmpl);
    platform::Settings::setStorageFolder(dir);
    {
        platform::Settings s;
        s.remove("settings", "RootFolder");
    }
    EXPECT_EQ(SaveRoot::stored(), SaveRoot::defaultFolder());
    EXPECT_NE(SaveRoot::defaultFolder().find("/Corvan"), std::string::npos);
    {
        platform::Settings s;
        s.setString("settings", "RootFolder", "/srv/elsewhere");
    }
    EXPECT_EQ(SaveRoot::stored(), "/srv/elsewhere");
    std::filesystem::remove_all(dir);
}

// The account's own home folder is never a forbidden save root, even where
// it lies among the system's folders (root's /root).
TEST(SaveRootTest, TheHomeFolderOfTheAccountIsNotForbidden)
{
    const passwd* entry = ::getpwuid(::geteuid());
    ASSERT_NE(entry, nullptr);
    const std::string documents = std::string(entry->pw_dir) + "/Documents/Corvan";
    EXPECT_TRUE(SaveRoot::check(documents, "/fallback").warnings.empty()) << documents;
    EXPECT_EQ(SaveRoot::check("/root-like/../etc", "/fallback").folder, "/fallback");
}

// The default save root is made with the folders above it; one the user
// chose only one level deep, naming the folder that is missing.
TEST(SaveRootTest, TheDefaultIsMadeWithItsParentsAChosenOneLevelOnly)
{
    char tmpl[] = "/tmp/CVrootXXXXXX";
    const std::filesystem::path dir = ::mkdtemp(tmpl);
    const std::string fresh = (dir / "home/Documents/Corvan").string();
    SaveRoot::Preparation made = SaveRoot::prepare(fresh, fresh);
    EXPECT_TRUE(made);
    EXPECT_EQ(made.folder, fresh);
    EXPECT_TRUE(std::filesystem::is_directory(fresh));
    EXPECT_TRUE(SaveRoot::prepare(fresh + "/", fresh)) << "an existing root, however written";

    SaveRoot::Preparation chosen = SaveRoot::prepare((dir / "a/b").string(), fresh);
    EXPECT_EQ(chosen.status, SaveRoot::Preparation::ParentMissing);
    EXPECT_EQ(chosen.missing, (dir / "a").string());
    EXPECT_FALSE(std::filesystem::exists(dir / "a"));
    EXPECT_TRUE(SaveRoot::prepare((dir / "one").string(), fresh));

    { std::ofstream((dir / "plain").string()) << "x"; }
    EXPECT_EQ(SaveRoot::prepare((dir / "plain").string(), fresh).status, SaveRoot::Preparation::NotAFolder);
    EXPECT_EQ(SaveRoot::prepare((dir / "plain/below").string(), fresh).status, SaveRoot::Preparation::NotAFolder);
    std::filesystem::remove_all(dir);
}
