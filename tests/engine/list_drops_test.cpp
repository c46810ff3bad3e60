#include "engine/list_drops.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/checksums.h"
#include "engine/safe_list_entry.h"
#include "tests/support/safe_entries.h"
#include "tests/support/watch_fixture.h"

namespace korvane {
namespace {

using Strings = std::vector<std::string>;

const std::string kSafeKill = "<OK>Duplicate processes in 'Safe' and 'Kill' list not allowed.";
const std::string kDeleteFromSafe =
    "<OK>Duplicate processes in 'Safe' and 'Kill' list not allowed.  Delete from 'Safe' list first.";
const std::string kDeleteFromKill =
    "<OK>Duplicate processes in 'Kill' and 'Never Kill' list not allowed.  Delete from 'Kill' list first.";
const std::string kDigest = "0123456789ABCDEF0123456789ABCDEF";

const DropOutcome kDone{DropOutcome::Kind::Done, {}, false};
const DropOutcome kDoneRecheck{DropOutcome::Kind::Done, {}, true};
const DropOutcome kStopped{DropOutcome::Kind::Stopped, {}, false};
const DropOutcome kStoppedRecheck{DropOutcome::Kind::Stopped, {}, true};

DropOutcome Notice(const std::string& text) {
    return {DropOutcome::Kind::Notice, text, false};
}

// The program lives in the fixture's folder; other executables in `bins`.
class ListDropsTest : public ::testing::Test, public test::WatchFixture {
protected:
    // Index of `text` in a pane.
    static std::size_t at(const ListPane& pane, const std::string& text) {
        const Strings items = pane.items();
        return static_cast<std::size_t>(std::find(items.begin(), items.end(), text) - items.begin());
    }

    test::TempFolder bins;
    ListDrops drops{WatchPanes{current, safe, kill, neverKill}, ProgramLocation{programPath(), folder.folder()},
                    engine->snapshot(), engine->admissionReads()};
};

TEST(ListDragOver, EachTargetAcceptsItsSourcesOnly) {
    for (const char* source : {"TextListBox1", "TextListBox2", "TextListBox4", "CheckListBox3", ""}) {
        const std::string name = source;
        EXPECT_EQ(TextListBox2DragOver(name), name == "TextListBox1") << name;
        EXPECT_EQ(CheckListBox3DragOver(name), name == "TextListBox1" || name == "TextListBox2") << name;
        EXPECT_EQ(TextListBox4DragOver(name), name == "TextListBox1" || name == "TextListBox2") << name;
    }
}

TEST_F(ListDropsTest, ProgramsOwnFilesNeverEnterTheSafeListButLookalikesElsewhereDo) {
    const std::string own = programPath();
    test::WriteFileBytes(own, "korvane");
    const std::string helper = folder.file("tools/helper");
    std::filesystem::create_directories(folder.path() / "tools");
    test::WriteFileBytes(helper, "helper");
    // Its path holds the program's folder, but not at its start.
    const std::string lookalike = bins.write(folder.folder().substr(1) + "Korvane", "someone else's");
    for (const std::string& path : {own, helper, lookalike}) {
        current.add(path);
    }

    EXPECT_EQ(drops.TextListBox1StartDrag(at(current, own)), DragCursor::NoDrop);
    EXPECT_EQ(drops.TextListBox1StartDrag(at(current, lookalike)), DragCursor::Drag);
    EXPECT_EQ(drops.TextListBox1StartDrag(std::nullopt), DragCursor::Drag);

    EXPECT_EQ(drops.TextListBox2DragDrop("TextListBox1", at(current, own)), kStopped);
    EXPECT_EQ(drops.TextListBox2DragDrop("TextListBox1", at(current, helper)), kStopped);
    EXPECT_EQ(safe.count(), 0u);
    EXPECT_EQ(drops.TextListBox2DragDrop("TextListBox1", at(current, lookalike)), kDone);
    EXPECT_EQ(safe.items(), (Strings{SafeListEntry(lookalike, test::DigestOf(lookalike))}));
    EXPECT_EQ(current.count(), 3u); // a copy
}

TEST_F(ListDropsTest, SafeDropRefusesAFileNameOnTheKillListIgnoringCaseAndFolder) {
    const std::string tool = bins.write("a/tool", "tool");
    current.add(tool);
    for (const char* killEntry : {"tool", "/other/TOOL", "TOOL"}) {
        kill.clear();
        kill.add("/usr/bin/toolbox");
        kill.add(killEntry);
        EXPECT_EQ(drops.TextListBox2DragDrop("TextListBox1", 0), Notice(kSafeKill)) << killEntry;
    }
    EXPECT_EQ(safe.count(), 0u);
    kill.remove(1);
    EXPECT_EQ(drops.TextListBox2DragDrop("TextListBox1", 0), kDone);
}

TEST_F(ListDropsTest, SafeDropDigestsTheImageThatRunsAndReplacesTheOlderEntry) {
    const std::string tool = bins.write("tool", "swapped in since");
    const std::string started = bins.write("started", "as started");
    const ProcessIdentity id = platform.table->start(tool);
    platform.executables->images[id.pid] = started;
    engine->snapshot().RefreshTaskListNT();
    safe.add(SafeListEntry(tool, kDigest));
    current.add(tool);

    EXPECT_EQ(drops.TextListBox2DragDrop("TextListBox1", 0), kDone);
    EXPECT_EQ(safe.items(), (Strings{SafeListEntry(tool, test::DigestOf(started))}));

    // A file that cannot be read is not vouched for, and nothing is said.
    current.add(bins.file("missing"));
    EXPECT_EQ(drops.TextListBox2DragDrop("TextListBox1", at(current, bins.file("missing"))), kStopped);
    EXPECT_EQ(safe.count(), 1u);
}

TEST_F(ListDropsTest, CurrentOnKillStopsForNeverKillAndForTheSameSafePath) {
    current.add("/opt/X/Tool");
    neverKill.add("/opt/X/Tool");
    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox1", 0), kStopped);

    // Never Kill entries that hold the path, or name it in other case, are other files.
    neverKill.clear();
    neverKill.add("/opt/X/Tool/and/more");
    neverKill.add("/OPT/X/TOOL");
    safe.add(SafeListEntry("/opt/x/TOOL", kDigest));
    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox1", 0), Notice(kDeleteFromSafe));
    EXPECT_EQ(kill.count(), 0u);

    safe.clear();
    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox1", 0), kDoneRecheck);
    EXPECT_EQ(kill.items(), (Strings{"/opt/X/Tool"}));
    EXPECT_FALSE(kill.checked(0));
    EXPECT_EQ(current.count(), 1u);
}

TEST_F(ListDropsTest, SafeOnKillMovesThePathWithoutItsDigest) {
    safe.add(SafeListEntry("/opt/k[y]/Tool", kDigest));
    safe.add(SafeListEntry("/usr/bin/zz", kDigest));
    neverKill.add("/usr/bin/zz");
    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox2", 1), kStopped);

    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox2", 0), kDoneRecheck);
    // Cut at the digest, not at the path's own "[": "/opt/k" would kill far more.
    EXPECT_EQ(kill.items(), (Strings{"/opt/k[y]/Tool"}));
    EXPECT_EQ(safe.items(), (Strings{SafeListEntry("/usr/bin/zz", kDigest)}));
}

TEST_F(ListDropsTest, BareNameCoversTheFullPathEntriesBeforeTheLastOne) {
    for (const char* entry : {"/x/a", "a", "b"}) {
        kill.add(entry);
    }
    current.add("/y/c");
    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox1", 0), kDoneRecheck);
    EXPECT_EQ(kill.items(), (Strings{"a", "b", "/y/c"}));

    // The last entry is never deleted; an entry differing in case guards another file.
    kill.clear();
    kill.add("/x/A");
    kill.add("a");
    current.clear();
    current.add("/x/a");
    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox1", 0), kDoneRecheck);
    EXPECT_EQ(kill.items(), (Strings{"/x/A", "a", "/x/a"}));
}

TEST_F(ListDropsTest, KillDropCleansUpDuplicatesAndBlanksKeepingMarks) {
    kill.add("/opt/one");
    kill.add("   ");
    kill.add("/opt/tool");
    kill.setChecked(2, true);
    current.add("/opt/tool");
    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox1", 0), kDoneRecheck);
    EXPECT_EQ(kill.items(), (Strings{"/opt/one", "/opt/tool"}));
    EXPECT_TRUE(kill.checked(1));

    // The same path in other letter case is another file, which the Kill list must end.
    current.clear();
    current.add("/OPT/TOOL");
    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox1", 0), kDoneRecheck);
    EXPECT_EQ(kill.items(), (Strings{"/opt/one", "/opt/tool", "/OPT/TOOL"}));
    EXPECT_TRUE(kill.checked(1));
    EXPECT_FALSE(kill.checked(2));
}

TEST_F(ListDropsTest, OnlyADropOnKillWithNothingHighlightedStillRequestsARecheck) {
    current.add("/opt/tool");
    safe.add(SafeListEntry("/opt/safe", kDigest));
    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox1", std::nullopt), kStoppedRecheck);
    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox2", std::nullopt), kStoppedRecheck);
    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox1", 5), kStoppedRecheck);
    EXPECT_EQ(drops.TextListBox2DragDrop("TextListBox1", std::nullopt), kStopped);
    EXPECT_EQ(drops.TextListBox4DragDrop("TextListBox2", std::nullopt), kStopped);
    EXPECT_EQ(kill.count() + neverKill.count(), 0u);
    EXPECT_EQ(safe.count(), 1u);
}

TEST_F(ListDropsTest, NeverKillRefusesWhatTheKillListHoldsAndCopiesPathsOnly) {
    kill.add("/opt/tool/bin");
    current.add("/OPT/TOOL");
    safe.add(SafeListEntry("/opt/tool", kDigest));
    EXPECT_EQ(drops.TextListBox4DragDrop("TextListBox1", 0), Notice(kDeleteFromKill));
    // The Safe entry's path is what would enter, so that is what is compared.
    EXPECT_EQ(drops.TextListBox4DragDrop("TextListBox2", 0), Notice(kDeleteFromKill));
    EXPECT_EQ(neverKill.count(), 0u);

    kill.clear();
    safe.add(SafeListEntry("/opt/a[1]/b", kDigest));
    EXPECT_EQ(drops.TextListBox4DragDrop("TextListBox2", at(safe, SafeListEntry("/opt/a[1]/b", kDigest))), kDone);
    EXPECT_EQ(drops.TextListBox4DragDrop("TextListBox1", 0), kDone);
    EXPECT_EQ(drops.TextListBox4DragDrop("TextListBox2", at(safe, SafeListEntry("/opt/tool", kDigest))), kDone);
    // "/OPT/TOOL" and "/opt/tool" are two files: both stay.
    EXPECT_EQ(neverKill.items(), (Strings{"/opt/a[1]/b", "/OPT/TOOL", "/opt/tool"}));
    EXPECT_EQ(safe.count(), 2u); // copies
    EXPECT_EQ(drops.TextListBox4DragDrop("CheckListBox3", 0), kStopped);
}

TEST_F(ListDropsTest, APathWithALineBreakEntersNoList) {
    const std::string broken = bins.write("x\ny", "odd");
    current.add(broken);
    EXPECT_EQ(drops.TextListBox2DragDrop("TextListBox1", 0), kStopped);
    EXPECT_EQ(drops.CheckListBox3DragDrop("TextListBox1", 0), kStopped);
    EXPECT_EQ(drops.TextListBox4DragDrop("TextListBox1", 0), kStopped);
    EXPECT_EQ(safe.count() + kill.count() + neverKill.count(), 0u);
}

} // namespace
} // namespace korvane
