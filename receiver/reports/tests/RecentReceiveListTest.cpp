#include "receiver/reports/RecentReceiveList.h"
#include "receiver/reports/ReportSettings.h"

#include "platform/Cp932Codec.h"

#include "TestSupport.h"

using namespace reports;

class RecentReceiveListTest : public reports::testing::ReportFixture {};

TEST_F(RecentReceiveListTest, KeepsSixteenNewestFirstAndStoresThem)
{
    platform::Settings store;
    RecentReceiveList list;
    list.load(store);
    EXPECT_FALSE(list.hasEntries());
    for (int i = 1; i <= 17; ++i)
        ASSERT_TRUE(list.add(store, "GP" + std::to_string(i), "/t/" + std::to_string(i), "/f/" + std::to_string(i),
                             1000 + i));
    ASSERT_EQ(list.count(), 16);
    EXPECT_EQ(list.entries().front().title, "GP17");
    EXPECT_EQ(list.entries().back().title, "GP2");

    EXPECT_EQ(store.getString("Recent Download List", "Title0"), "GP17");
    EXPECT_EQ(store.getString("Recent Download List", "Target0"), "/t/17");
    EXPECT_EQ(store.getString("Recent Download List", "Folder0"), "/f/17");
    EXPECT_EQ(store.getInt("Recent Download List", "Time0"), 1017);
    EXPECT_EQ(store.getString("Recent Download List", "Title15"), "GP2");
    EXPECT_FALSE(store.contains("Recent Download List", "Title16"));

    RecentReceiveList again;
    again.load(platform::Settings());
    ASSERT_EQ(again.count(), 16);
    EXPECT_EQ(again.entries()[3].title, "GP14");
    EXPECT_EQ(again.entries()[3].time, 1014);
}

TEST_F(RecentReceiveListTest, ReceiveThatOpenedNothingIsNotAdded)
{
    platform::Settings store;
    RecentReceiveList list;
    ASSERT_TRUE(list.add(store, "A", "/t/a", "", 5));
    EXPECT_FALSE(list.add(store, "B", "", "/f/b", 6));
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(store.getString("Recent Download List", "Title1"), "");
    EXPECT_EQ(store.getInt("Recent Download List", "Time1", -1), 0);
}

TEST_F(RecentReceiveListTest, LoadingStopsAtTheFirstEmptyTitle)
{
    platform::Settings store;
    for (int d = 0; d < 16; ++d)
        store.setString("Recent Download List", "Title" + std::to_string(d), d == 3 ? "" : "T");
    RecentReceiveList list;
    list.load(store);
    EXPECT_EQ(list.count(), 3);
}

TEST_F(RecentReceiveListTest, TitlesAreCutTo260BytesAndPathsNeverCut)
{
    // An 8 MB GuidePost name, odd by one byte so that a cut at 260 bytes
    // would fall inside a character.
    std::string huge = "a";
    while (huge.size() < 8 * 1024 * 1024)
        huge += "写真";
    const std::string longPath = "/r/" + std::string(300, 'x') + "/写真";
    const std::string tooLong = "/r/" + std::string(5000, 'y');
    platform::Settings store;
    RecentReceiveList list;
    ASSERT_TRUE(list.add(store, huge, longPath, tooLong, 7));
    const std::string stored = store.getString("Recent Download List", "Title0");
    EXPECT_EQ(platform::Cp932Codec::byteLength(stored), 259u);
    EXPECT_EQ(stored, huge.substr(0, 1 + 129 * 3));
    EXPECT_EQ(store.getString("Recent Download List", "Target0"), longPath);
    EXPECT_EQ(store.getString("Recent Download List", "Folder0"), "");
    EXPECT_EQ(list.entries()[0].title, stored);

    // An older list holds the whole name: it is cut as it is read.
    store.setString("Recent Download List", "Title0", huge);
    store.setString("Recent Download List", "Folder0", tooLong);
    store.setString("Recent Download List", "Title1", "\xF0\x9F\x98\x80" + std::string(1000, 'b'));
    RecentReceiveList older;
    older.load(store);
    ASSERT_EQ(older.count(), 2);
    EXPECT_EQ(older.entries()[0].title, stored);
    EXPECT_EQ(older.entries()[0].target, longPath);
    EXPECT_EQ(older.entries()[0].folder, "");
    // A character code page 932 lacks (an edited file): cut as UTF-8.
    EXPECT_EQ(older.entries()[1].title, "\xF0\x9F\x98\x80" + std::string(256, 'b'));
}

TEST(ReportSettingsTest, DefaultsAndStoredValues)
{
    std::string folder = std::filesystem::temp_directory_path().string() + "/CVsettingsXXXXXX";
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    platform::Settings::setStorageFolder(folder);
    {
        platform::Settings store;
        ReportSettings s = ReportSettings::load(store);
        EXPECT_FALSE(s.genReport);
        EXPECT_FALSE(s.showReport);
        EXPECT_FALSE(s.logging);
        EXPECT_EQ(s.reportStyle, 0);
        EXPECT_TRUE(s.reportRotation);

        store.setString("settings", "Logging", "YES");  // only "yes" is true
        store.setString("settings", "GenReport", "yes");
        store.setInt("settings", "ReportStyle", 7);
        store.setString("settings", "ReportRotation", "no");
        s = ReportSettings::load(store);
        EXPECT_FALSE(s.logging);
        EXPECT_TRUE(s.genReport);
        EXPECT_EQ(s.reportStyle, 0);
        EXPECT_FALSE(s.reportRotation);

        // A run may override a copy; what is stored stays until saved.
        ReportSettings run = s;
        run.logging = true;
        EXPECT_TRUE(run.logging);
        EXPECT_FALSE(ReportSettings::load(store).logging);
        store.setInt("settings", "ReportStyle", 2);
        s = ReportSettings::load(store);
        EXPECT_EQ(s.reportStyle, 2);
        EXPECT_EQ(s.effectiveStyle(), 0);  // not shown: simple
        s.showReport = true;
        EXPECT_EQ(s.effectiveStyle(), 2);
        s.reportStyle = 7;  // set by a run, never read from the store
        EXPECT_EQ(s.effectiveStyle(), 0);
        s.reportStyle = -1;
        EXPECT_EQ(s.effectiveStyle(), 0);
        s.reportStyle = 2;
        s.save(store);
        EXPECT_EQ(store.getString("settings", "ShowReport"), "yes");
        EXPECT_EQ(store.getString("settings", "Logging"), "no");
    }
    std::filesystem::remove_all(folder);
}
