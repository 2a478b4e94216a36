// The pages as a browser shows them: a real headless Chromium reads the stored
// code-page-932 page and must show the Japanese headings unchanged.

#include "receiver/reports/ReportWriter.h"

#include "TestSupport.h"

#include "platform/tests/OutsidePrograms.h"

#include <cstdio>

using namespace reports;

namespace {

// Chromium with a home of its own: its profile, caches and settings
// (dconf) stay in the test's folder.
std::string dumpDom(const std::string& chromium, const std::string& page, const std::string& profile)
{
    const testservers::OwnHome home(profile + "-home");
    std::string command = home.envPrefix() + "timeout 90 '" + chromium
        + "' --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
          " --disable-background-networking --disable-component-update --disable-sync"
          " --user-data-dir='" + profile + "' --dump-dom 'file://" + page + "' 2>/dev/null";
    std::string out;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

} // namespace

class BrowserRenderTest : public reports::testing::ReportFixture {};

TEST_F(BrowserRenderTest, ChromiumShowsTheJapaneseHeadings)
{
    const std::string chromium = testservers::requireProgram("chromium", "chromium");
    ASSERT_FALSE(chromium.empty());

    ReportSettings settings;
    settings.genReport = settings.showReport = true;
    settings.reportStyle = 2;
    ReceiveReport rr;
    rr.record.saveRoot = root;
    rr.record.documentPath = "/srv/gp/demo.gp";
    rr.record.title = "見本<i>タイトル</i>";
    rr.record.creator = "山田";
    rr.record.startTime = {2002, 8, 20, 3, 59, 28};
    rr.totals.httpReceived = 3;
    rr.taskFolders = {{"画像", root + "/pics"}};
    rr.errors = {{"ファイル[ a.txt ]を取得できませんでした。", "画像", "サーバ", "リスト"}};
    rr.browseList = std::vector<BrowseLink>{{"https://example.com/", "ホーム", "説明", true, false}};
    ReportOutcome outcome = ReportWriter(settings, {}).writePages(rr);
    ASSERT_TRUE(outcome.reportWritten);

    std::string dom = dumpDom(chromium, outcome.pages.report, folder + "/profile");
    ASSERT_FALSE(dom.empty()) << "Chromium printed nothing";
    for (const char* heading :
         {"<title>Corvandelle受信レポート</title>", ">受信レポート</h2>", "[ロングスタイル]",
          "1.　リンク　（注意をよくお読みください）", "2.　受信の概要", "2.1　受信ファイル数・サイズ",
          "2.2　受信フォルダ", "3.　ガイドポスト", "5.　このファイルについて", "6.　ログファイルについて",
          "6.2　エラーログ", "7.レポート・ログの設定", "7.1　今回作成されたレポートを削除するには？",
          "注意！タイトルをクリックする前に必ず読んでください。", "ガイドポスト名", "作成者</td>", "山田",
          "2002 年 8 月 20 日 3 時 59 分 28 秒", "Corvandelle</font> に関する情報"})
        EXPECT_NE(dom.find(heading), std::string::npos) << heading;
    // The title is shown as text, not taken as markup.
    EXPECT_NE(dom.find("見本&lt;i&gt;タイトル&lt;/i&gt;"), std::string::npos);
    EXPECT_EQ(dom.find("<i>タイトル</i>"), std::string::npos);

    std::string errorDom = dumpDom(chromium, outcome.pages.error, folder + "/profile2");
    EXPECT_NE(errorDom.find("1.　受信中に次のようなエラーが生じました。"), std::string::npos);
    EXPECT_NE(errorDom.find("ファイル[ a.txt ]を取得できませんでした。"), std::string::npos);
}
