#include "engine/watch_engine.h"

#include <gtest/gtest.h>

#include "tests/support/watch_fixture.h"

namespace korvane {
namespace {

class WatchCycleTest : public ::testing::Test, public test::WatchFixture {
protected:
    WatchCycleTest() {
        // Processes the verification pass lets through without questions.
        neverKill.add("/usr/lib/systemd/systemd");
        platform.table->start("/usr/lib/systemd/systemd");
        engine->takeFirstSnapshot();
    }
};

TEST_F(WatchCycleTest, FirstSnapshotFillsCurrentListWithWholePathsOnly) {
    platform.table->start("/opt/a [weird] name");
    platform.table->start("/opt/B");
    platform.table->start("/opt/B");
    engine->takeFirstSnapshot();
    // The window shows the first entry cut before " ["; the entry is the whole path.
    EXPECT_EQ(current.items(),
              (std::vector<std::string>{"/opt/a [weird] name", "/opt/B", "/opt/B", "/usr/lib/systemd/systemd"}));
    EXPECT_EQ(engine->snapshot().StgLst().back().text, "/opt/B [1003]");
}

TEST_F(WatchCycleTest, UnchangedSnapshotRunsNoCheckButKeepsHousekeeping) {
    engine->Timer1Timer(); // the first tick always checks
    EXPECT_FALSE(engine->flags().ForceCheck);
    kill.add("systemd"); // an edit that does not request a re-check
    current.clear();
    platform.priority->level = 2;

    engine->Timer1Timer();
    EXPECT_TRUE(platform.terminator->terminated.empty());
    EXPECT_EQ(current.count(), 0u); // not rebuilt
    EXPECT_EQ(host.trayCalls.back(), true);
    EXPECT_EQ(platform.priority->level, 1);
}

TEST_F(WatchCycleTest, ForceCheckRunsTheChecksOnAnUnchangedSnapshot) {
    engine->Timer1Timer();
    const auto id = platform.table->start("/opt/miner");
    engine->Timer1Timer();
    kill.add("miner");
    kill.setChecked(0, true);
    engine->Timer1Timer();
    ASSERT_TRUE(platform.table->running(id));

    kill.setChecked(0, false);
    engine->flags().ForceCheck = true;
    engine->Timer1Timer();
    EXPECT_FALSE(platform.table->running(id));
    EXPECT_FALSE(engine->flags().ForceCheck);
}

TEST_F(WatchCycleTest, StoppedWatchFollowsProcessesButChecksNothing) {
    host.activated = false;
    kill.add("miner");
    const auto id = platform.table->start("/opt/miner");
    engine->Timer1Timer();
    EXPECT_TRUE(platform.table->running(id));
    EXPECT_EQ(current.count(), 2u);
    EXPECT_EQ(dialog.count(), 0u);
    EXPECT_EQ(logText(), "");
    EXPECT_FALSE(engine->flags().ForceCheck); // used up without a check

    host.activated = true;
    engine->Timer1Timer(); // nothing changed since: still no check
    EXPECT_TRUE(platform.table->running(id));
}

TEST_F(WatchCycleTest, BypassMarksAreClearedDuringTheMinuteAfterMidnight) {
    kill.add("game");
    for (const auto& [hour, minute, cleared] :
         {std::tuple{0, 0, false}, std::tuple{23, 1, false}, std::tuple{0, 2, false}, std::tuple{0, 1, true}}) {
        kill.setChecked(0, true);
        platform.clock->time.hour = hour;
        platform.clock->time.minute = minute;
        host.activated = false; // the rule applies whether or not the watch is activated
        engine->Timer1Timer();
        EXPECT_EQ(kill.checked(0), !cleared) << hour << ":" << minute;
    }
}

TEST_F(WatchCycleTest, PasswordLinesLeaveTheNeverKillList) {
    neverKill.add("   secret");
    neverKill.add(" other");
    // A blank entry and a tab-led one sort before the password line.
    neverKill.add("");
    neverKill.add("\tx");
    engine->Timer1Timer();
    EXPECT_EQ(neverKill.items(), (std::vector<std::string>{"/usr/lib/systemd/systemd"}));
}

TEST_F(WatchCycleTest, ReusedPidOfTheSameProgramCountsAsAChange) {
    kill.add("miner");
    kill.setChecked(0, true);
    const auto first = platform.table->start("/opt/miner");
    engine->Timer1Timer();
    platform.table->end(first);
    platform.table->processes.push_back({{first.pid, first.startTime + 1}, "/opt/miner"});
    kill.setChecked(0, false);
    engine->Timer1Timer();
    EXPECT_EQ(platform.terminator->terminated.size(), 1u);
}

TEST_F(WatchCycleTest, FailedEnumerationKeepsThePreviousSnapshot) {
    engine->Timer1Timer();
    platform.table->available = false;
    platform.table->start("/opt/new");
    engine->Timer1Timer();
    EXPECT_EQ(engine->snapshot().StgLst().size(), 1u);
    EXPECT_EQ(current.count(), 1u);
}

TEST_F(WatchCycleTest, NestedTickWhileDialogIsUpOnlyAddsToIt) {
    engine->Timer1Timer();
    platform.table->start("/opt/unknown1");
    int nestedTicks = 0;
    dialog.whileShown = [&] {
        // Ticks keep running inside the modal dialog.
        platform.table->start("/opt/unknown2");
        engine->Timer1Timer();
        engine->Timer1Timer();
        ++nestedTicks;
    };
    engine->Timer1Timer();
    EXPECT_EQ(nestedTicks, 1);
    EXPECT_EQ(dialog.shows, 1);
    EXPECT_EQ(dialog.frontCalls, 2);
    ASSERT_EQ(dialog.count(), 2u);
    EXPECT_EQ(dialog.item(0), "/opt/unknown1 [1001] [not in Safe list]");
    EXPECT_EQ(dialog.item(1), "/opt/unknown2 [1002] [not in Safe list]");
    EXPECT_FALSE(engine->flags().DialogUp);
    EXPECT_EQ(current.count(), 3u);
}

} // namespace
} // namespace korvane
