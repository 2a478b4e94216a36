#include "receiver/reports/PageFile.h"
#include "receiver/reports/ReceiveLog.h"

#include "TestSupport.h"

using namespace reports;
using reports::testing::expectedPage;
using reports::testing::readBytes;
using reports::testing::writeBytes;

class ReceiveLogTest : public reports::testing::ReportFixture {
protected:
    ReceiveRecord record()
    {
        ReceiveRecord r;
        r.saveRoot = root;
        r.title = "Demo";
        r.startTime = {2002, 8, 20, 3, 59, 28};
        return r;
    }
    static LogRow row(unsigned kind, std::string saveName, std::string remoteName, int protocol, long long size,
                      int mode, bool ok = true)
    {
        LogRow r;
        r.kind = kind;
        r.saveName = std::move(saveName);
        r.remoteName = std::move(remoteName);
        r.protocol = protocol;
        r.size = size;
        r.transferMode = mode;
        r.finishedOk = ok;
        return r;
    }
};

TEST_F(ReceiveLogTest, RowsOfEveryKindTotalsAndClosing)
{
    ReportSettings settings;
    settings.genReport = settings.logging = true;
    ensureReportFolder(root);
    writeBytes(page("__no____.dat"), "7");

    ReceiveLog log;
    ASSERT_TRUE(log.open(settings, record(), {2002, 8, 20, 4, 5, 6}));
    EXPECT_EQ(log.path(), page("Log07.htm"));

    LogRow source = row(LogRow::SourceBegins, "", "", 0, 0, -1);
    source.serverName = "www.example.com";
    log.take(source);
    LogRow destination = row(LogRow::SaveDestination, "", "", 0, 0, -1);
    destination.destPath = root + "/pics";
    log.take(destination);
    log.take(row(LogRow::FileReceived, "a.jpg", "img/a.jpg", 0, 1234, 2));
    log.take(row(LogRow::FileReceived, "b.txt", "b.txt", 1, -1, 1));
    log.take(row(LogRow::FileReceived, "c.zip", "c.zip", 0, 10, -1, false));  // the copy failed
    LogRow unpack = row(LogRow::FileReceived, "e.zip", "e.zip", 0, 20, 2);
    unpack.unpackFailed = true;  // copied, then the unpacking failed: S row and F row
    log.take(unpack);
    log.take(row(LogRow::FileFailed, "d.txt", "d.txt", 0, 0, 2));
    log.take(row(LogRow::FolderCreated, "sub", "sub", 1, 0, -1));
    log.take(row(LogRow::FolderFailed, "sub2", "sub2", 1, 0, -1));
    LogRow packed = row(LogRow::PackFolder, root + "/t.zip", "", 0, 2048, -1);
    log.take(packed);
    LogRow packFailed = row(LogRow::PackFolder, "", "", 0, 0, -1, false);
    packFailed.destPath = root + "/t.zip";
    log.take(packFailed);
    LogRow made = row(LogRow::ZipMade, "", "", 0, 10, -1);
    made.destPath = "u.zip";
    log.take(made);
    log.take(row(LogRow::ZipFailed, "v.zip", "", 0, 0, -1));
    LogRow attach = row(LogRow::SourceBegins, "", "", 2, 0, -1);
    attach.serverName = "添付ファイル";
    log.take(attach);

    ReportTotals totals;
    totals.ftpReceived = 2;
    totals.ftpFailed = 1;
    totals.ftpBytes = 300;
    totals.httpReceived = 1;
    totals.httpBytes = 1234;
    log.close(totals);
    EXPECT_FALSE(log.isOpen());

    EXPECT_EQ(readBytes(page("Log07.htm")), expectedPage("log.htm", root));
    EXPECT_EQ(readBytes(page("__no____.dat")), "7");
}

TEST_F(ReceiveLogTest, WithoutReportsTheLogIsLog00AndHasNoLinkBack)
{
    ReportSettings settings;
    settings.logging = true;
    ensureReportFolder(root);
    ReceiveLog log;
    ASSERT_TRUE(log.open(settings, record()));
    EXPECT_EQ(log.path(), page("Log00.htm"));
    log.close({});
    std::string text = pageText("Log00.htm");
    EXPECT_EQ(text.find("受信レポートへ戻る"), std::string::npos);
    EXPECT_NE(text.find("<H2><I>2.　受信の詳細</I></H2>\r\n"), std::string::npos);

    // Rows after the end are not written anywhere.
    log.take(row(LogRow::FileReceived, "late", "late", 0, 1, 2));
    EXPECT_EQ(pageText("Log00.htm"), text);
}

TEST_F(ReceiveLogTest, UncreatableLogIsReported)
{
    ReportSettings settings;
    settings.logging = true;
    ReceiveLog log;  // the report folder does not exist
    EXPECT_FALSE(log.open(settings, record()));
    EXPECT_FALSE(log.isOpen());
    log.take(row(LogRow::FileReceived, "a", "a", 0, 1, 2));
    log.close({});
    EXPECT_FALSE(std::filesystem::exists(page("Log00.htm")));
}

TEST_F(ReceiveLogTest, NamesFromTheGuidePostAreEscaped)
{
    LogRow r = row(LogRow::FileReceived, "<b>x</b>", "a&b", 0, 5, 2);
    std::string text = ReceiveLog::rowText(r);
    EXPECT_NE(text.find("&lt;b&gt;x&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(text.find("a&amp;b"), std::string::npos);
    LogRow source = row(LogRow::SourceBegins, "", "", 1, 0, -1);
    source.serverName = "<script>";
    EXPECT_EQ(ReceiveLog::rowText(source).find("<script>"), std::string::npos);
}
