#include "engine/copy_current_to_safe.h"

#include <gtest/gtest.h>

#include "engine/local_image_digests.h"
#include "engine/memory_list_pane.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::WriteFileBytes;

const std::string kAbc = "     [900150983CD24FB0D6963F7D28E17F72]";
const std::string kXyz = "     [D16FB36F0911F878998C136191AF705E]";

class CopyCurrentToSafeTest : public ::testing::Test {
protected:
    // The Current list as the snapshot fills it, from the fake process table.
    MemoryListPane& current() {
        snapshot.RefreshTaskListNT();
        snapshot.AddStgLstPeocessesToTextListBox1(currentPane);
        return currentPane;
    }
    bool copy() { return CopyAllCurrentToSafe(current(), safe, own, snapshot, {*platform.executables, images}); }

    test::TempFolder folder;
    test::FakePlatform platform;
    DigestCache digests;
    LocalImageDigests images{*platform.executables, digests};
    ProcessSnapshot snapshot{*platform.table};
    MemoryListPane currentPane{"TextListBox1", true};
    MemoryListPane safe{"TextListBox2", true};
    std::string own = folder.file("Korvane");
};

TEST_F(CopyCurrentToSafeTest, EveryProgramButTheOwnEntersWithItsDigest) {
    const std::string tool = folder.write("tool", "abc");
    // On Linux a path differing only in letter case is another program.
    const std::string ownInOtherCase = folder.write("KORVANE", "xyz");
    folder.write("Korvane", "own");
    platform.table->start(tool);
    platform.table->start(tool);
    platform.table->start(own);
    platform.table->start(ownInOtherCase);
    safe.add(tool + "     [FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF]");
    safe.add("   ");
    EXPECT_TRUE(copy());
    // The older digest of the same path is replaced; two copies leave one entry; the
    // blank entry is cleaned away.
    EXPECT_EQ(safe.items(), (std::vector<std::string>{ownInOtherCase + kXyz, tool + kAbc}));
}

// A process whose file cannot be told (an agent that made itself undumpable) is on
// every desktop: it must not hold up the copy of all the others.
TEST_F(CopyCurrentToSafeTest, PathsNoListLineCanHoldAndEntriesNamingNoFileAreSkipped) {
    const std::string odd = folder.write("odd\nname", "abc");
    const std::string tool = folder.write("tool", "xyz");
    platform.table->start(odd);
    platform.table->start(tool);
    platform.table->start("[unreadable] ssh-agent");
    platform.table->start(tool);
    EXPECT_TRUE(copy());
    EXPECT_EQ(safe.items(), std::vector<std::string>{tool + kXyz});
}

TEST_F(CopyCurrentToSafeTest, AnUndigestibleFileStopsTheCopyWithoutTheCleanUp) {
    const std::string first = folder.write("a", "abc");
    const std::string last = folder.write("c", "abc");
    platform.table->start(first);
    platform.table->start(folder.file("b-missing"));
    platform.table->start(last);
    safe.add("   ");
    EXPECT_FALSE(copy());
    EXPECT_EQ(safe.items(), (std::vector<std::string>{"   ", first + kAbc}));
}

} // namespace
} // namespace korvane
