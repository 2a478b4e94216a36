#include "receiver/reports/ReportNaming.h"
#include "receiver/reports/PageFile.h"

#include "TestSupport.h"

using namespace reports;
using reports::testing::readBytes;
using reports::testing::writeBytes;

class ReportNamingTest : public reports::testing::ReportFixture {};

TEST_F(ReportNamingTest, RotationStartsAtOneAndWrapsAfterThirty)
{
    ReportSet first = ReportNaming::rotation(root);
    EXPECT_EQ(first.number, 1);
    EXPECT_EQ(first.report, page("Report01.htm"));
    EXPECT_EQ(first.error, page("Error01.htm"));
    EXPECT_EQ(first.frame, page("Frame01.htm"));
    EXPECT_EQ(first.folder, page("Folder01.htm"));
    EXPECT_EQ(first.mrrFrame, page("MRR01.htm"));
    EXPECT_EQ(first.mrrFolder, page("MRRFolder01.htm"));
    EXPECT_EQ(readBytes(page("__no____.dat")), "2");

    writeBytes(page("__no____.dat"), "30");
    EXPECT_EQ(ReportNaming::rotation(root).number, 30);
    EXPECT_EQ(readBytes(page("__no____.dat")), "31");
    ReportSet wrapped = ReportNaming::rotation(root);
    EXPECT_EQ(wrapped.number, 1);
    EXPECT_EQ(wrapped.report, page("Report01.htm"));
    EXPECT_EQ(readBytes(page("__no____.dat")), "2");
}

TEST_F(ReportNamingTest, CounterOutsideTheRangeOrUnreadableRestartsAtOne)
{
    ensureReportFolder(root);
    for (const char* held : {"0", "31", "-4", "abc", "", "999999999999999999999"}) {
        writeBytes(page("__no____.dat"), held);
        EXPECT_EQ(ReportNaming::peekNumber(root), 1) << held;
    }
    writeBytes(page("__no____.dat"), "7\r\n");
    EXPECT_EQ(ReportNaming::peekNumber(root), 7);
}

TEST_F(ReportNamingTest, LogFollowsTheReportThatWillBeWritten)
{
    ReportSettings settings;
    ReceiveRecord record;
    record.saveRoot = root;
    record.title = "Demo";
    record.startTime = {2002, 8, 20, 3, 59, 28};
    EXPECT_EQ(ReportNaming::logPath(settings, record), page("Log00.htm"));

    settings.genReport = true;
    ensureReportFolder(root);
    writeBytes(page("__no____.dat"), "7");
    EXPECT_EQ(ReportNaming::logPath(settings, record), page("Log07.htm"));
    EXPECT_EQ(ReportNaming::futureReportPath(settings, record), page("Report07.htm"));
    EXPECT_EQ(readBytes(page("__no____.dat")), "7");  // not advanced by the log

    settings.reportRotation = false;
    EXPECT_EQ(ReportNaming::logPath(settings, record), page("Demo20020820035928_log.htm"));
}

TEST_F(ReportNamingTest, UniqueNamesUseTitleAndStartTime)
{
    ReportSet set = ReportNaming::unique(root, "Demo", {2002, 8, 20, 3, 59, 28});
    EXPECT_EQ(set.number, 0);
    EXPECT_EQ(set.report, page("Demo20020820035928.htm"));
    EXPECT_EQ(set.error, page("Demo20020820035928_err.htm"));
    EXPECT_EQ(set.frame, page("Demo20020820035928_frame.htm"));
    EXPECT_EQ(set.folder, page("Demo20020820035928_folder.htm"));
    EXPECT_EQ(set.mrrFrame, page("Demo20020820035928_MRR.htm"));
    EXPECT_EQ(set.mrrFolder, page("Demo20020820035928_MRRFolder.htm"));
    EXPECT_FALSE(std::filesystem::exists(page("__no____.dat")));

    // A title cannot lead the pages out of the report folder.
    EXPECT_EQ(ReportNaming::stem("../../etc/x\\y", {999, 1, 2, 3, 4, 5}), ".._.._etc_x_y 999010203040" "5");

    // A long title is cut on a character boundary so every page name fits.
    std::string longTitle;
    for (int i = 0; i < 100; ++i)
        longTitle += "受";
    std::string cut = ReportNaming::stem(longTitle, {2002, 8, 20, 3, 59, 28});
    EXPECT_EQ(cut, longTitle.substr(0, 198) + "20020820035928");
    ReportSet longSet = ReportNaming::unique(root, longTitle, {2002, 8, 20, 3, 59, 28});
    ASSERT_TRUE(ensureReportFolder(root));
    EXPECT_TRUE(writeFileAtomically(longSet.mrrFolder, "x"));
}
