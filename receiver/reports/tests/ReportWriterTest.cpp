#include "receiver/reports/PageFile.h"
#include "receiver/reports/ReportWriter.h"

#include "guidepost/CAMException.h"

#include "TestSupport.h"

#include <sys/stat.h>

using namespace reports;
using reports::testing::expectedPage;
using reports::testing::readBytes;

namespace {

ReceiveRecord demoRecord(const std::string& root)
{
    ReceiveRecord r;
    r.saveRoot = root;
    r.documentPath = "/srv/gp/demo.gp";
    r.title = "Demo";
    r.startTime = {2002, 8, 20, 3, 59, 28};
    return r;
}

} // namespace

class ReportWriterTest : public reports::testing::ReportFixture {
protected:
    // A receive with links of every kind, two open folders, an error and a
    // failed copy.
    ReceiveReport standardReceive()
    {
        ReceiveReport rr;
        rr.record = demoRecord(root);
        rr.record.creator = "山田";
        rr.record.hasDate = true;
        rr.record.dateYear = 2002;
        rr.record.dateMonth = 8;
        rr.record.dateDay = 20;
        rr.record.comment = "テスト";
        rr.totals.httpReceived = 2;
        rr.totals.httpFailed = 1;
        rr.totals.httpBytes = 300;
        rr.totals.ftpReceived = 1;
        rr.totals.ftpBytes = 100;
        rr.taskFolders = {{"画像", root + "/pics"}, {"文書", root + "/docs"}};
        rr.openFolders = rr.taskFolders;
        rr.errors = {{"ファイル[ a.txt ]を取得できませんでした。", "画像", "サーバ1", "リスト1"}};
        rr.copyFailures = {{"/tmp/CVabc", root + "/pics/b.jpg"}};
        std::vector<BrowseLink> links(5);
        links[0] = {"http://example.com/?a=1&b=2", "Home & <b>", "x<y>&z", true, false};
        links[1] = {"idx", "Index", "", false, true};
        links[2] = {"pdf", "Manual", "", false, false};
        links[3] = {"nope", "Nope", "gone", false, false};
        links[4] = {"javascript:alert(1)", "Bad", "", true, false};
        rr.browseList = links;
        rr.browseTargets = {{"idx", root + "/pics/index.htm"}, {"pdf", root + "/docs/a.pdf"}};
        return rr;
    }
};

TEST_F(ReportWriterTest, StandardReportWithLinksFoldersAndErrors)
{
    ReportSettings settings;
    settings.genReport = settings.showReport = settings.logging = true;
    settings.reportStyle = 1;
    ReportWriter writer(settings, page("Log01.htm"));
    ReportOutcome outcome = writer.writePages(standardReceive());

    EXPECT_EQ(readBytes(page("Report01.htm")), expectedPage("standard_report.htm", root));
    EXPECT_EQ(readBytes(page("Error01.htm")), expectedPage("standard_error.htm", root));
    EXPECT_EQ(readBytes(page("Folder01.htm")), expectedPage("standard_folder.htm", root));
    EXPECT_EQ(readBytes(page("Frame01.htm")), expectedPage("standard_frame.htm", root));
    EXPECT_EQ(readBytes(page("MRRFolder01.htm")), expectedPage("standard_mrrfolder.htm", root));
    // The MRR frame is the report frame over the list of all task folders.
    std::string mrrFrame = expectedPage("standard_frame.htm", root);
    mrrFrame.replace(mrrFrame.find("/Folder01.htm"), 13, "/MRRFolder01.htm");
    EXPECT_EQ(readBytes(page("MRR01.htm")), mrrFrame);

    EXPECT_TRUE(outcome.reportWritten);
    EXPECT_TRUE(outcome.errorReportWritten);
    EXPECT_EQ(outcome.pages.pageToOpen, page("Frame01.htm"));
    EXPECT_EQ(outcome.pages.pageToRemember, page("MRR01.htm"));
    // The pages are named for the host to open; the writer opens nothing.
    EXPECT_TRUE(opened.empty());
    // No temporary page is left behind.
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(root + "/_html___"))
        files += entry.path().filename().string().find(".htm.") == std::string::npos;
    EXPECT_EQ(files, 7);  // the six pages of the set and the counter
}

TEST_F(ReportWriterTest, LongStyleWithUniqueNamesOpensTheReport)
{
    ReportSettings settings;
    settings.genReport = settings.showReport = true;
    settings.reportStyle = 2;
    settings.reportRotation = false;
    ReceiveReport rr;
    rr.record = demoRecord(root);
    rr.record.guidePostVersion = "2.0";
    rr.totals.attachReceived = 1;
    rr.totals.attachBytes = 50;
    rr.totals.zipMade = 1;
    rr.totals.zipBytes = 2048;
    ReportOutcome outcome = ReportWriter(settings, {}).writePages(rr);

    EXPECT_EQ(readBytes(page("Demo20020820035928.htm")), expectedPage("long_report.htm", root));
    EXPECT_EQ(outcome.pages.pageToOpen, page("Demo20020820035928.htm"));
    EXPECT_EQ(outcome.pages.pageToRemember, page("Demo20020820035928.htm"));
    EXPECT_FALSE(std::filesystem::exists(page("__no____.dat")));
}

TEST_F(ReportWriterTest, HiddenReportIsSimpleAndStillOpened)
{
    ReportSettings settings;
    settings.genReport = true;
    settings.showReport = false;
    settings.reportStyle = 2;
    ReceiveReport rr;
    rr.record = demoRecord(root);
    rr.taskFolders = {{"画像", root + "/pics"}};
    ReportOutcome outcome = ReportWriter(settings, {}).writePages(rr);
    EXPECT_EQ(readBytes(page("Report01.htm")), expectedPage("simple_report.htm", root));
    EXPECT_EQ(outcome.pages.pageToOpen, page("Report01.htm"));
    EXPECT_EQ(settings.reportStyle, 2);
}

TEST_F(ReportWriterTest, WithoutReportOpensFrameSingleFolderOrNothing)
{
    ReportSettings settings;
    ReceiveReport rr;
    rr.record = demoRecord(root);
    rr.taskFolders = {{"画像", root + "/pics"}, {"文書", root + "/docs"}};

    rr.openFolders = rr.taskFolders;
    ReportOutcome two = ReportWriter(settings, {}).writePages(rr);
    EXPECT_EQ(readBytes(page("Folder01.htm")), expectedPage("noreport_folder.htm", root));
    EXPECT_EQ(readBytes(page("Frame01.htm")), expectedPage("noreport_frame.htm", root));
    EXPECT_FALSE(std::filesystem::exists(page("Report01.htm")));
    EXPECT_EQ(two.pages.pageToOpen, page("Frame01.htm"));
    EXPECT_EQ(two.pages.pageToRemember, page("MRR02.htm").substr(0, 0) + page("MRR01.htm"));

    rr.openFolders = {{"画像", root + "/pics"}};
    ReportOutcome one = ReportWriter(settings, {}).writePages(rr);
    EXPECT_EQ(one.pages.pageToOpen, root + "/pics");
    EXPECT_FALSE(std::filesystem::exists(page("Frame02.htm")));

    rr.openFolders.clear();
    rr.taskFolders = {{"文書", root + "/docs"}};
    ReportOutcome none = ReportWriter(settings, {}).writePages(rr);
    EXPECT_EQ(none.pages.pageToOpen, "");
    EXPECT_EQ(none.pages.pageToRemember, root + "/docs");

    EXPECT_TRUE(opened.empty());
}

TEST_F(ReportWriterTest, HostileTitlesAreEscaped)
{
    ReportSettings settings;
    settings.genReport = settings.showReport = true;
    settings.reportStyle = 1;
    ReceiveReport rr;
    rr.record = demoRecord(root);
    rr.record.title = "<script>alert('t')</script>";
    rr.record.creator = "\"><img src=x onerror=alert(1)>";
    rr.taskFolders = {{"<b>task</b>", root + "/a#b"}};
    rr.openFolders = {rr.taskFolders[0], {"t2", root + "/c"}};
    rr.errors = {{"<i>e</i>", "<t>", "<s>", "<f>"}};
    std::vector<BrowseLink> links(3);
    links[0] = {"http://x/\"onmouseover=\"alert(1)", "<img src=y>", "", true, false};
    links[1] = {"vbscript:msgbox", "<u>v</u>", "", true, false};
    links[2] = {"local", "a');alert('x", "", false, true};
    rr.browseList = links;
    rr.browseTargets = {{"local", root + "/it's.htm"}};
    ReportOutcome outcome = ReportWriter(settings, {}).writePages(rr);

    for (const std::string& name : {std::string("Report01.htm"), std::string("Error01.htm"),
                                     std::string("Folder01.htm"), std::string("MRRFolder01.htm")}) {
        std::string text = pageText(name);
        EXPECT_EQ(text.find("<script"), std::string::npos) << name;
        EXPECT_EQ(text.find("<img"), std::string::npos) << name;
        EXPECT_EQ(text.find("<b>task"), std::string::npos) << name;
        EXPECT_EQ(text.find("<i>e</i>"), std::string::npos) << name;
        EXPECT_EQ(text.find("vbscript"), std::string::npos) << name;
    }
    std::string report = pageText("Report01.htm");
    EXPECT_NE(report.find("&lt;script&gt;alert('t')&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(report.find(R"~(href="http://x/&quot;onmouseover=&quot;alert(1)")~"), std::string::npos);
    EXPECT_NE(report.find(R"~(<td bgcolor="#ecece4">&lt;u&gt;v&lt;/u&gt;</td>)~"), std::string::npos);
    EXPECT_NE(report.find(R"~(AddFavorite('file:///)~"), std::string::npos);
    EXPECT_NE(report.find(R"~(/it\x27s.htm','a\x27);alert(\x27x')~"), std::string::npos);
    EXPECT_NE(pageText("Folder01.htm").find("file://" + root + "/a%23b"), std::string::npos);
    EXPECT_TRUE(outcome.reportWritten);
}

TEST_F(ReportWriterTest, BrowseListLimitsAndMissingParts)
{
    ReportSettings settings;
    ReceiveReport rr;
    rr.record = demoRecord(root);
    std::vector<BrowseLink> links;
    for (int i = 1; i <= 40; ++i)
        links.push_back({"http://h/" + std::to_string(i), "T" + std::to_string(i), "", true, false});
    rr.browseList = links;
    ReportWriter(settings, {}).writePages(rr);  // a browselist writes the report even without GenReport
    std::string text = pageText("Report01.htm");
    EXPECT_NE(text.find("<B>32</B>"), std::string::npos);
    EXPECT_EQ(text.find("<B>33</B>"), std::string::npos);
    EXPECT_EQ(text.find("http://h/33"), std::string::npos);

    rr.browseList->at(0).title.reset();
    try {
        ReportWriter(settings, {}).writePages(rr);
        FAIL() << "a browse without title was accepted";
    } catch (const CAMException& e) {
        EXPECT_EQ(e.code(), 29);
    }
    EXPECT_FALSE(std::filesystem::exists(page("Report02.htm")));
}

TEST_F(ReportWriterTest, UnwritableReportFolderFailsWithError42)
{
    ReportSettings settings;
    settings.genReport = true;
    ReceiveReport rr;
    rr.record = demoRecord(root);
    auto expect42 = [&] {
        try {
            ReportWriter(settings, {}).writePages(rr);
            ADD_FAILURE() << "the report was reported as written";
        } catch (const CAMException& e) {
            EXPECT_EQ(e.code(), 42);
            EXPECT_STREQ(e.what(), "レポートファイルが作成できません。読み取り属性、ディスク容量を確認してください");
        }
    };

    // A file standing where the report folder belongs.
    reports::testing::writeBytes(root + "/_html___", "x");
    expect42();
    std::filesystem::remove(root + "/_html___");

    // A save root that does not exist.
    rr.record.saveRoot = root + "/no/such/root";
    expect42();
    rr.record.saveRoot = root;

    // A report folder without write permission (not binding for the superuser).
    if (::geteuid() != 0) {
        ensureReportFolder(root);
        ::chmod((root + "/_html___").c_str(), 0555);
        expect42();
    }
    EXPECT_TRUE(opened.empty());
}

TEST_F(ReportWriterTest, SimpleStyleWritesTheErrorReportAfterThePages)
{
    ReportSettings settings;
    ReceiveReport rr;
    rr.record = demoRecord(root);
    rr.openFolders = {{"a", root + "/a"}, {"b", root + "/b"}};
    rr.copyFailures = {{"/tmp/CVx", root + "/a/x"}};
    ReportOutcome outcome = ReportWriter(settings, {}).writePages(rr);
    ASSERT_TRUE(outcome.errorReportWritten);
    std::string text = pageText("Error01.htm");
    // Without GenReport there is no link back; the copy failure follows an empty error table.
    EXPECT_EQ(text.find("受信レポートへ戻る"), std::string::npos);
    EXPECT_NE(text.find("エラー</TD></TR>\r\n</TBODY></TABLE>\r\n<br><H5>"), std::string::npos);
}

TEST_F(ReportWriterTest, ReportThatCannotBeStoredLeavesNoErrorReportBehind)
{
    ReportSettings settings;
    settings.genReport = settings.showReport = true;
    settings.reportStyle = 1;
    ReceiveReport rr;
    rr.record = demoRecord(root);
    rr.errors = {{"e", "t", "s", "f"}};
    // A folder standing where the report page belongs: the page cannot be stored.
    std::filesystem::create_directories(page("Report01.htm"));
    try {
        ReportWriter(settings, {}).writePages(rr);
        FAIL() << "the report was reported as written";
    } catch (const CAMException& e) {
        EXPECT_EQ(e.code(), 42);
    }
    EXPECT_FALSE(std::filesystem::exists(page("Error01.htm")));
    EXPECT_TRUE(opened.empty());
}

TEST_F(ReportWriterTest, LongStyleListsReportLogAndErrorReportToDelete)
{
    ReportSettings settings;
    settings.genReport = settings.showReport = settings.logging = true;
    settings.reportStyle = 2;
    ReceiveReport rr;
    rr.record = demoRecord(root);
    rr.copyFailures = {{"/tmp/CVx", root + "/x"}};
    ReportWriter(settings, page("Log01.htm")).writePages(rr);
    std::string text = pageText("Report01.htm");
    const std::string cell = "<P><TABLE cellpadding=\"5\"><TBODY><TR><TD  bgcolor=#e4efec><NOBR>";
    EXPECT_NE(text.find("<H4>7.1　今回作成されたレポートを削除するには？</H4>\r\n<P>次のファイルを削除してください。</P>\r\n"
                        + cell + page("Report01.htm") + "</NOBR></TD></TR></TBODY></TABLE></P>\r\n"
                        "<H4>7.2　今回作成されたログを削除するには?</H4>\r\n<P>次のファイルを削除してください。</P>\r\n"
                        + cell + page("Log01.htm") + "</NOBR></TD></TR></TBODY></TABLE></P>"
                        "<H4>7.3　今回作成されたエラーレポートを削除するには?</H4>\r\n<P>次のファイルを削除してください。</P>\r\n"
                        "<P><TABLE cellpadding=\"5\"><TBODY><TR><TD bgcolor=#ecece4><NOBR>" + page("Error01.htm")
                        + "</NOBR></TD></TR></TBODY></TABLE></P><H4>7.4　"),
              std::string::npos);
    EXPECT_NE(text.find("<H2><I>8.\t<FONT face=\"Arial Black\">Corvandelle</FONT> に関する情報</I></H2>\r\n"),
              std::string::npos);
    // Copy failures alone count as errors: the error report exists and is linked.
    EXPECT_NE(text.find("<a href=\"file://" + page("Error01.htm") + "\" target=\"_self\">エラーログ</a>"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(page("Error01.htm")));
}
