#include "receiver/reports/PageText.h"

#include <gtest/gtest.h>

using namespace reports;

TEST(PageTextTest, FillsFieldsLikeTheFragmentsExpect)
{
    EXPECT_EQ(fill("%4d/%2d/%2d", {2002LL, 8LL, 20LL}), "2002/ 8/20");
    EXPECT_EQ(fill("Log%02d.htm", {7LL}), "Log07.htm");
    EXPECT_EQ(fill("cols=\"40%%,*\" %s", {std::string_view("x")}), "cols=\"40%,*\" x");
    // A fragment without fields keeps a lone percent sign.
    EXPECT_EQ(fill("font-size : 100%;", {}), "font-size : 100%;");
    // A field that is missing or of the wrong kind writes nothing.
    EXPECT_EQ(fill("[%s][%d]", {1LL}), "[][]");
}

TEST(PageTextTest, StoredBytesAreCodePage932WithCrLf)
{
    EXPECT_EQ(toPageBytes("受信\nA"), "\x8E\xF3\x90\x4D\r\nA");
    // What code page 932 cannot hold survives as a character reference.
    EXPECT_EQ(toPageBytes("a\xF0\x9F\x98\x80" "b"), "a&#128512;b");
    EXPECT_EQ(toPageBytes("a\xFF" "b"), "a&#65533;b");
    // A backslash stays a backslash.
    EXPECT_EQ(toPageBytes("C:\\x"), "C:\\x");
}

TEST(PageTextTest, OnlyWebAndFtpAddressesAreLinked)
{
    for (const char* good : {"http://a/", "HTTPS://a/", "ftp://a/b"})
        EXPECT_TRUE(isWebAddress(good)) << good;
    for (const char* bad : {"javascript:alert(1)", "file:///etc/passwd", "data:text/html,x", " http://a/", "vbscript:x",
                            "//a/b", ""})
        EXPECT_FALSE(isWebAddress(bad)) << bad;
}

TEST(PageTextTest, EscapesForTextAttributesAndScripts)
{
    EXPECT_EQ(escapeHtml("a<b>&\"'"), "a&lt;b&gt;&amp;\"'");
    EXPECT_EQ(escapeAttribute("a\"'<"), "a&quot;&#39;&lt;");
    EXPECT_EQ(escapeFilePath("/x/a#b?c%d \"q\""), "/x/a%23b%3Fc%25d &quot;q&quot;");
    EXPECT_EQ(escapeScriptText("it's \\ \"<>&"), "it\\x27s \\\\ \\x22\\x3C\\x3E\\x26");
}
