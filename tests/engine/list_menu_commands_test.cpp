#include "engine/list_menu_commands.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/safe_list_entry.h"
#include "tests/support/memory_list_pane.h"

namespace korvane {
namespace {

using Strings = std::vector<std::string>;
using test::MemoryListPane;

const std::string kDigest = "0123456789ABCDEF0123456789ABCDEF";

std::vector<bool> Marks(const ListPane& pane) {
    std::vector<bool> marks;
    for (std::size_t i = 0; i < pane.count(); ++i) {
        marks.push_back(pane.checked(i));
    }
    return marks;
}

TEST(KillMenu, StripKeepsThePlaceAndTheBypassMarkOfEveryEntry) {
    MemoryListPane kill("CheckListBox3", false, {"/x/y", "/opt/a/b/ tool\t", "/c/d", "e"});
    kill.setChecked(1, true);
    kill.setChecked(3, true);

    StripDownToExeNameOnly1Click(kill, 1);
    EXPECT_EQ(kill.items(), (Strings{"/x/y", "tool", "/c/d", "e"}));
    EXPECT_EQ(Marks(kill), (std::vector<bool>{false, true, false, true}));

    StripDownToExeNameOnly1Click(kill, std::nullopt);
    StripDownToExeNameOnly1Click(kill, 9);
    EXPECT_EQ(kill.items(), (Strings{"/x/y", "tool", "/c/d", "e"}));
}

TEST(KillMenu, DeleteTakesTheHighlightedEntryOnly) {
    MemoryListPane kill("CheckListBox3", false, {"/a", "/b", "/c"});
    kill.setChecked(2, true);
    DeleteFocusedKillProcess1Click(kill, std::nullopt);
    DeleteFocusedKillProcess1Click(kill, 3);
    DeleteFocusedKillProcess1Click(kill, 1);
    EXPECT_EQ(kill.items(), (Strings{"/a", "/c"}));
    EXPECT_EQ(Marks(kill), (std::vector<bool>{false, true}));
}

TEST(NeverKillMenu, RemovesTheSafeEntriesOfExactlyTheNeverKillFiles) {
    MemoryListPane neverKill("TextListBox4", true, {"/usr/bin/tool", "   ", "/opt/k[y]/x"});
    MemoryListPane safe("TextListBox2", true,
                        {SafeListEntry("/usr/bin/tool", kDigest), SafeListEntry("/usr/bin/TOOL", kDigest),
                         SafeListEntry("/usr/bin/toolbox", kDigest), SafeListEntry("/usr/bin/to", kDigest),
                         SafeListEntry("/opt/k[y]/x", kDigest), SafeListEntry("/opt/other", kDigest)});
    RemoveTheseFilesFromSafeList1Click(neverKill, safe);
    // A blank Never Kill entry removes nothing, though every Safe entry holds blanks.
    EXPECT_EQ(safe.items(),
              (Strings{SafeListEntry("/opt/other", kDigest), SafeListEntry("/usr/bin/to", kDigest),
                       SafeListEntry("/usr/bin/TOOL", kDigest), SafeListEntry("/usr/bin/toolbox", kDigest)}));
}

TEST(ListMenu, ClipboardGetsCrLfAfterEveryEntryAndNothingForAnEmptyList) {
    EXPECT_EQ(ListClipboardText(MemoryListPane("TextListBox1", true, {"/b", "/a"})), "/a\r\n/b\r\n");
    EXPECT_EQ(ListClipboardText(MemoryListPane("CheckListBox3", false, {""})), "\r\n");
    EXPECT_EQ(ListClipboardText(MemoryListPane("TextListBox4")), "");
}

TEST(ListMenu, RemovalRechecksOnlyWhenActivatedAndThePathIsNotOnTheOtherList) {
    MemoryListPane safe("TextListBox2", true, {SafeListEntry("/opt/a", kDigest), SafeListEntry("/opt/b", kDigest)});
    MemoryListPane neverKill("TextListBox4", true, {"/opt/a", "/OPT/B", "/opt/c"});

    EXPECT_FALSE(DeleteHighlightedEntry(safe, std::nullopt, neverKill, true));
    EXPECT_FALSE(DeleteHighlightedEntry(safe, 0, neverKill, true)); // still exempt by Never Kill
    EXPECT_EQ(safe.items(), (Strings{SafeListEntry("/opt/b", kDigest)}));
    // "/OPT/B" names another file: "/opt/b" is exempt no more.
    EXPECT_TRUE(DeleteHighlightedEntry(safe, 0, neverKill, true));
    safe.add(SafeListEntry("/opt/b", kDigest));
    neverKill.remove(1);

    EXPECT_FALSE(DeleteHighlightedEntry(neverKill, 1, safe, false)); // the watch is stopped
    EXPECT_TRUE(DeleteHighlightedEntry(safe, 0, neverKill, true));
    EXPECT_TRUE(DeleteHighlightedEntry(neverKill, 0, safe, true));
    EXPECT_EQ(safe.count() + neverKill.count(), 0u);
}

} // namespace
} // namespace korvane
