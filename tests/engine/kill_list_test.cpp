#include "engine/kill_list.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/file_rewrites.h"
#include "tests/support/watch_fixture.h"

namespace korvane {
namespace {

class KillListTest : public ::testing::Test, public test::WatchFixture {
protected:
    void check() {
        engine->snapshot().RefreshTaskListNT();
        engine->killList().CheckKillProcessesList();
    }
};

TEST_F(KillListTest, MatchIsCaseSensitiveSubstring) {
    EXPECT_TRUE(KillEntryMatches("/usr/bin/nc", "/usr/bin/nc [12]"));
    EXPECT_TRUE(KillEntryMatches("nc", "/usr/bin/ncat [12]"));
    EXPECT_FALSE(KillEntryMatches("/usr/bin/NC", "/usr/bin/nc [12]"));
    EXPECT_FALSE(KillEntryMatches("", "/usr/bin/nc [12]"));
}

TEST_F(KillListTest, EmptyOrBypassedListKillsNothingAndLogsNothing) {
    platform.table->start("/usr/bin/nc");
    check();
    kill.add("/usr/bin/nc");
    kill.setChecked(0, true);
    check();
    EXPECT_TRUE(platform.terminator->terminated.empty());
    EXPECT_EQ(logText(), "");
}

TEST_F(KillListTest, FullPathKillsOnlyThatPathInThatCase) {
    const auto exact = platform.table->start("/opt/Tools/nc");
    const auto otherCase = platform.table->start("/opt/tools/nc");
    kill.add("/opt/Tools/nc");
    check();
    ASSERT_EQ(platform.terminator->terminated.size(), 1u);
    EXPECT_EQ(platform.terminator->terminated[0], exact);
    EXPECT_TRUE(platform.table->running(otherCase));
    EXPECT_NE(logText().find("/opt/Tools/nc  Terminated, found in Kill Processes list."), std::string::npos);
}

TEST_F(KillListTest, KillIsLoggedUnderTheProcesssWholePath) {
    const auto id = platform.table->start("/opt/k[y]/evil");
    kill.add("evil");
    check();
    EXPECT_FALSE(platform.table->running(id));
    EXPECT_EQ(logCount("/opt/k[y]/evil  Terminated, found in Kill Processes list.\r\n"), 1);
}

TEST_F(KillListTest, LineBreakInAPathGetsNoNeverKillProtection) {
    // Joined, the two Never Kill entries hold the path across their line break.
    neverKill.add("/tmp/x");
    neverKill.add("/usr/sbin/sshd");
    const auto id = platform.table->start("/tmp/x\r\n/usr/sbin/ss");
    kill.add("/usr/sbin/ss");
    check();
    EXPECT_FALSE(platform.table->running(id));
}

TEST_F(KillListTest, BareNameKillsEveryCopyInAnyFolderEachLogged) {
    const auto a = platform.table->start("/usr/bin/miner");
    const auto b = platform.table->start("/tmp/x/miner");
    const auto c = platform.table->start("/tmp/x/miner");
    kill.add("miner");
    check();
    // The snapshot is walked from its last entry to its first.
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{c, b, a}));
    EXPECT_EQ(logCount("Terminated, found in Kill Processes list."), 3);
    EXPECT_EQ(host.trayCalls, (std::vector<bool>{false, false, false}));
}

// The Never Kill list spares the file it names, not files whose paths are a piece of
// it or differ from it in letter case: on Linux those are other files.
TEST_F(KillListTest, NeverKillGuardSparesExactlyThePathAndTheLineIsStillWritten) {
    const auto agent = platform.table->start("/opt/tools/backup-agent");
    const auto prefix = platform.table->start("/opt/tools/backup");
    const auto upper = platform.table->start("/opt/tools/Backup-agent");
    neverKill.add("/opt/tools/backup-agent");
    kill.add("ackup");
    check();
    EXPECT_TRUE(platform.table->running(agent));
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{upper, prefix}));
    EXPECT_EQ(host.trayCalls, (std::vector<bool>{false, false}));
    EXPECT_EQ(logCount("/opt/tools/backup-agent  Terminated, found in Kill Processes list."), 1);
}

TEST_F(KillListTest, EntryMatchingTwoKillEntriesIsAttackedOncePerEntry) {
    platform.terminator->refuse = true;
    platform.table->start("/usr/bin/miner");
    kill.add("miner");
    kill.add("/usr/bin/miner");
    check();
    EXPECT_EQ(platform.terminator->terminated.size(), 2u);
    EXPECT_EQ(logCount("Terminated, found in Kill Processes list."), 2);
}

TEST_F(KillListTest, ProcessThatEndedIsNotHitAndTrayStays) {
    const auto id = platform.table->start("/usr/bin/miner");
    engine->snapshot().RefreshTaskListNT();
    platform.table->end(id);
    kill.add("miner");
    engine->killList().CheckKillProcessesList();
    EXPECT_TRUE(platform.terminator->terminated.empty());
    EXPECT_TRUE(host.trayCalls.empty());
    // Not told to end, so not out of view either.
    EXPECT_EQ(engine->snapshot().endingCount(), 0u);
}

TEST_F(KillListTest, MissingLogDoesNotStopTheKill) {
    std::filesystem::remove(folder.file("system/KVlog.txt"));
    const auto id = platform.table->start("/usr/bin/miner");
    kill.add("miner");
    check();
    EXPECT_FALSE(platform.table->running(id));
    EXPECT_FALSE(std::filesystem::exists(folder.file("system/KVlog.txt")));
}

TEST_F(KillListTest, EndOfJobRuleClearsMarksOnlyOnceTheProgramHasEnded) {
    const auto id = platform.table->start("/usr/bin/game");
    kill.add("game");
    kill.add("absent-program");
    kill.setChecked(0, true);
    kill.setChecked(1, true);
    preferences.uncheckAtEoj = true;
    check();
    EXPECT_TRUE(kill.checked(0)); // still running: stays allowed
    EXPECT_FALSE(kill.checked(1));
    EXPECT_TRUE(platform.table->running(id));

    platform.table->end(id);
    check();
    EXPECT_FALSE(kill.checked(0));

    const auto again = platform.table->start("/usr/bin/game");
    check();
    EXPECT_FALSE(platform.table->running(again));
}

TEST_F(KillListTest, MarksPersistWithoutEndOfJobPreference) {
    kill.add("game");
    kill.setChecked(0, true);
    check();
    EXPECT_TRUE(kill.checked(0));
}

const std::string kKillLine = "  Terminated, found in Kill Processes list.\r\n";

TEST_F(KillListTest, OnePassWritesItsLinesInOneRewriteNewestFirst) {
    platform.table->start("/usr/bin/miner");
    platform.table->start("/opt/miner");
    platform.table->start("/srv/miner");
    engine->snapshot().RefreshTaskListNT();
    kill.add("miner");
    test::WriteFileBytes(folder.file("system/KVlog.txt"), "[This file may be emptied anytime.]\r\nolder entry\r\n");
    test::FileRewrites rewrites(folder.file("system/KVlog.txt"));
    engine->killList().CheckKillProcessesList();
    EXPECT_EQ(rewrites.count(), 1);
    EXPECT_EQ(platform.terminator->terminated.size(), 3u);
    // Walked from the last entry to the first, each line above the one before it,
    // exactly as three single entries would stand.
    const std::string stamp = "03/07/2008 14:05:09  -  \r\n";
    EXPECT_EQ(logText(), "[This file may be emptied anytime.]\r\n" + stamp + "/usr/bin/miner" + kKillLine + stamp +
                             "/opt/miner" + kKillLine + stamp + "/srv/miner" + kKillLine + "older entry\r\n");
}

TEST_F(KillListTest, AKilledProcessIsOutOfViewUntilItIsGoneAndNeverAttackedTwice) {
    // Told to end but not gone yet when the table is read again.
    platform.terminator->refuse = true;
    const auto id = platform.table->start("/usr/bin/miner");
    const auto other = platform.table->start("/usr/bin/editor");
    kill.add("miner");
    check();
    check();
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{id}));
    EXPECT_EQ(logCount("Terminated, found in Kill Processes list."), 1);
    ASSERT_EQ(engine->snapshot().StgLst().size(), 1u);
    EXPECT_EQ(engine->snapshot().StgLst()[0].id, other);

    // Gone from the table: forgotten, so the set does not grow with every kill.
    platform.table->end(id);
    check();
    EXPECT_EQ(engine->snapshot().endingCount(), 0u);
    // Its end reported before any reading: forgotten as well.
    const auto again = platform.table->start("/usr/bin/miner");
    check();
    EXPECT_EQ(engine->snapshot().endingCount(), 1u);
    engine->snapshot().ended(again);
    EXPECT_EQ(engine->snapshot().endingCount(), 0u);
}

TEST_F(KillListTest, NewcomersAreHeldAgainstTheKillListWithoutReadingTheTable) {
    kill.add("miner");
    kill.add("/opt/game");
    kill.setChecked(1, true); // bypassed
    const auto miner = platform.table->start("/usr/bin/miner");
    const auto game = platform.table->start("/opt/game");
    const auto editor = platform.table->start("/usr/bin/editor");
    const int readings = platform.table->enumerations;

    host.activated = false;
    engine->CheckNewcomers({miner.pid});
    EXPECT_TRUE(platform.terminator->terminated.empty());

    host.activated = true;
    // A process that started two programs in a row is named twice; a PID that is
    // gone names nothing.
    engine->CheckNewcomers({miner.pid, game.pid, editor.pid, miner.pid, 4242});
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{miner}));
    EXPECT_EQ(logCount("/usr/bin/miner" + kKillLine), 1);
    EXPECT_EQ(platform.table->enumerations, readings);

    // The cycle that follows neither meets it again nor logs it twice.
    platform.terminator->refuse = true;
    const auto second = platform.table->start("/tmp/miner");
    engine->CheckNewcomers({second.pid});
    check();
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{miner, second}));
    EXPECT_EQ(logCount("/tmp/miner" + kKillLine), 1);
}

} // namespace
} // namespace korvane
