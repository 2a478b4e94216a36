// Received text shown on a terminal: every control sequence a hostile
// GuidePost or album could carry comes out inert, and ordinary text,
// Japanese included, comes out as it went in.

#include "platform/TerminalText.h"

#include <gtest/gtest.h>

using platform::TerminalText;

TEST(TerminalText, ReplacesControlsAndKeepsText)
{
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(TerminalText::safe("運動会 2024\n二日目"), "運動会 2024\n二日目");
    EXPECT_EQ(TerminalText::safe(""), "");
    // Window title (OSC 0), clipboard (OSC 52), clear screen, bell.
    EXPECT_EQ(TerminalText::safe("\x1B]0;pwned\x07"), r + "]0;pwned" + r);
    EXPECT_EQ(TerminalText::safe("\x1B]52;c;ZWNobw==\x1B\\"), r + "]52;c;ZWNobw==" + r + "\\");
    EXPECT_EQ(TerminalText::safe("a\x1B[2Jb"), "a" + r + "[2Jb");
    // CR (overwrites the line), tab, NUL, DEL.
    EXPECT_EQ(TerminalText::safe(std::string("a\rb\tc\0d\x7F", 8)), "a" + r + "b" + r + "c" + r + "d" + r);
    // C1 controls as UTF-8 (U+009B is CSI), and as raw bytes.
    EXPECT_EQ(TerminalText::safe("x\xC2\x9B" "31mY"), "x" + r + "31mY");
    EXPECT_EQ(TerminalText::safe("x\x9B" "31m"), "x" + r + "31m");
    // Right-to-left override and isolate marks that reorder what is shown.
    EXPECT_EQ(TerminalText::safe("abc\xE2\x80\xAE" "gpj.exe"), "abc" + r + "gpj.exe");
    EXPECT_EQ(TerminalText::safe("\xE2\x81\xA6x\xE2\x81\xA9"), r + "x" + r);
    // Broken UTF-8: a cut sequence, an overlong slash, a surrogate.
    EXPECT_EQ(TerminalText::safe("\xE9\x81"), r + r);
    EXPECT_EQ(TerminalText::safe("\xC0\xAF"), r + r);
    EXPECT_EQ(TerminalText::safe("\xED\xA0\x80"), r + r + r);
    EXPECT_EQ(TerminalText::safe("\xF0\x9F\x93\xB7 ok"), "\xF0\x9F\x93\xB7 ok");
}
