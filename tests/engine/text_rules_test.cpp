#include "engine/text_rules.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(TextRules, LowerCaseFoldsOnlyAsciiCapitals) {
    EXPECT_EQ(LowerCase("C:\\WINDOWS\\Explorer.EXE"), "c:\\windows\\explorer.exe");
    // Bytes above 127 (e.g. Latin-1 capitals) stay as they are.
    EXPECT_EQ(LowerCase("\xC4\xD6Z@["), "\xC4\xD6z@[");
}

TEST(TextRules, TrimRemovesControlsAndBlanksOnly) {
    EXPECT_EQ(Trim("\t \x01 /usr/bin/a b \r\n"), "/usr/bin/a b");
    EXPECT_EQ(Trim(" \x1f\x20"), "");
    EXPECT_EQ(Trim("\x7f"
                   "x"),
              "\x7f"
              "x");
}

TEST(TextRules, StripBracketsCutsAtFirstBracketAndTrims) {
    EXPECT_EQ(StripBrackets("/usr/bin/Sleep [1234] [not in Safe list]"), "/usr/bin/Sleep");
    EXPECT_EQ(StripBrackets("/opt/a     [0123456789ABCDEF0123456789ABCDEF]"), "/opt/a");
    EXPECT_EQ(StripBrackets("  no bracket  "), "  no bracket  ");
    EXPECT_EQ(StripBrackets("[1]"), "");
}

TEST(TextRules, LowerStripBracketsLeavesBracketlessTextAlone) {
    EXPECT_EQ(LowerStripBrackets(" /USR/Bin [5]"), "/usr/bin");
    EXPECT_EQ(LowerStripBrackets(" /USR/Bin "), " /USR/Bin ");
}

TEST(TextRules, OccursNeverFindsEmptyNeedle) {
    EXPECT_TRUE(Occurs("bin/a", "/usr/bin/a\r\n/usr/bin/b"));
    EXPECT_FALSE(Occurs("bin/A", "/usr/bin/a"));
    EXPECT_FALSE(Occurs("", "/usr/bin/a"));
    EXPECT_FALSE(Occurs("", ""));
}

TEST(TextRules, JoinLinesSeparatesByCrLf) {
    EXPECT_EQ(JoinLines({}), "");
    EXPECT_EQ(JoinLines({"a"}), "a");
    EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb");
}

TEST(TextRules, CompareListTextFoldsCaseAndPutsBlanksFirst) {
    EXPECT_EQ(CompareListText("/usr/Bin", "/usr/bin"), 0);
    EXPECT_LT(CompareListText("/usr/a", "/USR/B"), 0);
    EXPECT_LT(CompareListText("   secret", "/bin/true"), 0);
    EXPECT_LT(CompareListText("/bin", "/bin/true"), 0);
    EXPECT_LT(CompareListText("_", "Z"), 0); // Z folds to z (122), after _ (95)
}

} // namespace
} // namespace korvane
