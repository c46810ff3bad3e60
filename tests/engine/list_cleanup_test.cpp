#include "engine/list_cleanup.h"

#include <gtest/gtest.h>

#include "tests/support/memory_list_pane.h"

namespace korvane {
namespace {

using test::MemoryListPane;

// On Linux letter case names another file: entries differing only in case both stay.
TEST(ListCleanup, DupesBlanksKeepsCaseVariantsAndDropsBlankEntries) {
    MemoryListPane list("TextListBox2", false, {"/opt/App", "/opt/app", "/opt/app", "   ", "b.exe", "\t"});
    DeleteDupesBlanks(list);
    EXPECT_EQ(list.items(), (std::vector<std::string>{"/opt/App", "/opt/app", "b.exe"}));
}

TEST(ListCleanup, OnlyNeighboursCount) {
    MemoryListPane kill("CheckListBox3", false, {"/a", "/b", "/A", "/A", "/a"});
    DeleteNeighbourDuplicates(kill);
    EXPECT_EQ(kill.items(), (std::vector<std::string>{"/a", "/b", "/A", "/a"}));
}

// A sorted pane keeps case variants together in the order they came: a duplicate
// may stand behind another variant, and still goes.
TEST(ListCleanup, SortedPaneLosesDuplicatesBehindCaseVariants) {
    MemoryListPane neverKill("TextListBox4", true,
                             {"/opt/app", "/opt/App", "/opt/b", "/opt/app", "/opt/APP", "/opt/App"});
    ASSERT_EQ(neverKill.items(),
              (std::vector<std::string>{"/opt/app", "/opt/App", "/opt/app", "/opt/APP", "/opt/App", "/opt/b"}));
    DeleteDupesBlanks(neverKill);
    EXPECT_EQ(neverKill.items(), (std::vector<std::string>{"/opt/app", "/opt/App", "/opt/APP", "/opt/b"}));
}

TEST(ListCleanup, KillListMarksStayWithTheirEntries) {
    MemoryListPane kill("CheckListBox3", false, {"/a", "/a", " ", "/b", "", "/c"});
    kill.setChecked(0, true);
    kill.setChecked(5, true);
    DeleteDupesBlanks(kill);
    EXPECT_EQ(kill.items(), (std::vector<std::string>{"/a", "/b", "/c"}));
    EXPECT_TRUE(kill.checked(0));
    EXPECT_FALSE(kill.checked(1));
    EXPECT_TRUE(kill.checked(2));
}

TEST(ListCleanup, EmptyAndSingleListsAreLeftAlone) {
    MemoryListPane empty("TextListBox2");
    DeleteDupesBlanks(empty);
    EXPECT_EQ(empty.count(), 0u);
    MemoryListPane one("TextListBox2", false, {"/a"});
    DeleteDupesBlanks(one);
    EXPECT_EQ(one.items(), (std::vector<std::string>{"/a"}));
}

TEST(ListCleanup, PasswordLinesGoWithWhateverSortsBeforeThem) {
    // An empty entry or one led by a tab sorts before "   secret"; stopping at the
    // first entry that is not blank-led would leave the password on the pane.
    MemoryListPane neverKill("TextListBox4", false, {"", "\tx", "   secret", " ", "/sbin/init", " /late"});
    DeletePasswordLines(neverKill);
    EXPECT_EQ(neverKill.items(), (std::vector<std::string>{"/sbin/init", " /late"}));
    DeletePasswordLines(neverKill);
    EXPECT_EQ(neverKill.count(), 2u);
}

} // namespace
} // namespace korvane
