#include "store/flag_string.h"

#include <gtest/gtest.h>

#include "store/password_line.h"
#include "tests/support/memory_list_pane.h"

namespace korvane {
namespace {

TEST(FlagString, FirstRunNoticeIsDueOnceAtPositionTwo) {
    FlagString flags;
    flags.take("000000000000000000000000000");
    EXPECT_TRUE(flags.takeFirstRunNotice());
    EXPECT_EQ(flags.text(), "010000000000000000000000000");
    EXPECT_FALSE(flags.takeFirstRunNotice());

    // Without a settings file the string is empty: no notice at this start.
    flags.take("");
    EXPECT_FALSE(flags.takeFirstRunNotice());
    flags.take("0");
    EXPECT_FALSE(flags.takeFirstRunNotice());
}

TEST(FlagString, ShortStringsComeBackAsSixteenZeros) {
    FlagString flags;
    EXPECT_EQ(flags.handedBack(), "0000000000000000"); // before the copy is taken
    flags.take("");
    EXPECT_EQ(flags.handedBack(), "0000000000000000");
    flags.take("110000000000000");
    EXPECT_EQ(flags.handedBack(), "0000000000000000");
    flags.take("1100000000000000");
    EXPECT_EQ(flags.handedBack(), "1100000000000000");
}

TEST(FlagString, PositionsAreReadAndWrittenOnlyWhereTheStringReaches) {
    FlagString flags;
    flags.take("01");
    EXPECT_FALSE(flags.isOn(1));
    EXPECT_TRUE(flags.isOn(2));
    flags.set(1, true);
    flags.set(2, false);
    EXPECT_EQ(flags.text(), "10");
    EXPECT_TRUE(flags.isOn(1));

    // An empty string (no settings file) has no position 1 to unfold by.
    flags.take("");
    flags.set(1, true);
    EXPECT_EQ(flags.text(), "");
    EXPECT_FALSE(flags.isOn(1));
    EXPECT_FALSE(flags.isOn(0));
}

TEST(FlagString, TrustInstalledPackagesIsKeptWhateverTheStringWasBefore) {
    FlagString flags;
    flags.take("010000000000000000000000000");
    flags.setKept(3, true);
    EXPECT_EQ(flags.handedBack(), "011000000000000000000000000");
    flags.setKept(3, false);
    EXPECT_EQ(flags.handedBack(), "010000000000000000000000000");

    // Too short to be handed back as it is: filled up, what it held kept too.
    flags.take("01");
    flags.setKept(3, true);
    EXPECT_EQ(flags.handedBack(), "0110000000000000");
    flags.take("");
    flags.setKept(3, true);
    EXPECT_TRUE(flags.isOn(3));
    EXPECT_EQ(flags.handedBack(), "0010000000000000");
}

TEST(PasswordLine, TakenOnlyWhenTheFirstEntryIsOne) {
    test::MemoryListPane neverKill("TextListBox4", true, {"/sbin/init", "   s3cret  "});
    EXPECT_EQ(TakeOutPasswordLine(neverKill), "s3cret");
    EXPECT_EQ(neverKill.items(), std::vector<std::string>{"/sbin/init"});
    EXPECT_EQ(TakeOutPasswordLine(neverKill), "");
    EXPECT_EQ(neverKill.items(), std::vector<std::string>{"/sbin/init"});
    neverKill.clear();
    EXPECT_EQ(TakeOutPasswordLine(neverKill), "");
    EXPECT_EQ(PasswordLine("pw"), "   pw");
}

} // namespace
} // namespace korvane
