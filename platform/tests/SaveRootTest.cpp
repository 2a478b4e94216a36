#include "platform/SaveRoot.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>

#include <filesystem>

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
