#include "engine/watch_engine.h"

#include <gtest/gtest.h>

#include "tests/support/watch_fixture.h"

namespace korvane {
namespace {

// The watch cycle with process events subscribed: the table is read only when an
// event says it changed, on every kCyclesPerFullScan-th cycle, and after lost events.
class EventDrivenWatchTest : public ::testing::Test, public test::WatchFixture {
protected:
    EventDrivenWatchTest() {
        platform.processEvents->subscribe();
        neverKill.add("/usr/lib/systemd/systemd");
        platform.table->start("/usr/lib/systemd/systemd");
        engine->takeFirstSnapshot();
        engine->Timer1Timer(); // the first tick always checks
    }

    // Table reads during `ticks` cycles.
    int readsDuring(int ticks) {
        const int before = platform.table->enumerations;
        for (int i = 0; i < ticks; ++i) {
            engine->Timer1Timer();
        }
        return platform.table->enumerations - before;
    }
};

TEST_F(EventDrivenWatchTest, QuietCyclesKeepTheSnapshotAndEveryNthReadsTheTable) {
    constexpr int kEvery = ScanSchedule::kCyclesPerFullScan;
    // The first tick, in the constructor, was the first quiet one.
    EXPECT_EQ(readsDuring(kEvery - 2), 0);
    EXPECT_EQ(readsDuring(1), 1);
    EXPECT_EQ(readsDuring(kEvery - 1), 0);
    EXPECT_EQ(readsDuring(1), 1);
    // The rest of the cycle goes on: the tray icon is shown on every tick.
    EXPECT_EQ(host.trayCalls.size(), static_cast<std::size_t>(2 * kEvery));
}

TEST_F(EventDrivenWatchTest, AProcessBeginningOrEndingMakesTheNextCycleReadTheTable) {
    const ProcessIdentity started = platform.table->start("/opt/newcomer");
    platform.processEvents->deliver({.changed = true});
    EXPECT_FALSE(engine->takeProcessEvents().cycle); // a fork alone waits for the tick
    EXPECT_EQ(readsDuring(1), 1);
    EXPECT_EQ(current.items(), (std::vector<std::string>{"/opt/newcomer", "/usr/lib/systemd/systemd"}));
    EXPECT_EQ(readsDuring(1), 0);

    platform.table->end(started);
    platform.processEvents->deliver({.changed = true});
    EXPECT_EQ(readsDuring(1), 1);
    EXPECT_EQ(current.items(), (std::vector<std::string>{"/usr/lib/systemd/systemd"}));
}

TEST_F(EventDrivenWatchTest, AProgramStartCallsForACycleAtOnceThatReadsTheTable) {
    kill.add("/opt/banned");
    const ProcessIdentity banned = platform.table->start("/opt/banned");
    platform.processEvents->deliver({.exec = true, .changed = true});
    ASSERT_TRUE(engine->takeProcessEvents().cycle);
    engine->Timer1Timer();
    EXPECT_FALSE(platform.table->running(banned));
    EXPECT_EQ(logCount("/opt/banned  Terminated, found in Kill Processes list."), 1);
}

TEST_F(EventDrivenWatchTest, LostEventsCallForAFullReadAtOnce) {
    const ProcessIdentity unseen = platform.table->start("/opt/unseen");
    platform.processEvents->deliver({.lost = true});
    ASSERT_TRUE(engine->takeProcessEvents().cycle);
    EXPECT_EQ(readsDuring(1), 1);
    ASSERT_EQ(engine->snapshot().StgLst().back().id, unseen);
    EXPECT_EQ(dialog.count(), 1u); // and it was judged
}

TEST_F(EventDrivenWatchTest, EventsTakenByTheTickItselfCount) {
    platform.table->start("/opt/newcomer");
    platform.processEvents->deliver({.changed = true});
    EXPECT_EQ(readsDuring(1), 1);
}

TEST_F(EventDrivenWatchTest, ARequestedRecheckRunsOnTheKeptSnapshot) {
    const ProcessIdentity miner = platform.table->start("/opt/miner");
    platform.processEvents->deliver({.changed = true});
    EXPECT_EQ(readsDuring(1), 1);
    kill.add("miner");
    engine->flags().ForceCheck = true;
    EXPECT_EQ(readsDuring(1), 0);
    EXPECT_FALSE(platform.table->running(miner));
    EXPECT_FALSE(engine->flags().ForceCheck);
}

TEST_F(EventDrivenWatchTest, AnEndedSubscriptionFallsBackToReadingEveryCycle) {
    platform.processEvents->deliver({}, true);
    EXPECT_TRUE(engine->takeProcessEvents().cycle);
    EXPECT_FALSE(platform.processEvents->subscribed());
    EXPECT_EQ(readsDuring(5), 5);
}

TEST_F(EventDrivenWatchTest, WithoutASubscriptionEveryCycleReadsTheTable) {
    test::FakePlatform unsubscribed;
    test::EngineRig rig(unsubscribed.services);
    rig.engine->takeFirstSnapshot();
    const int before = unsubscribed.table->enumerations;
    for (int i = 0; i < 12; ++i) {
        rig.engine->Timer1Timer();
    }
    EXPECT_EQ(unsubscribed.table->enumerations - before, 12);
    EXPECT_FALSE(rig.engine->takeProcessEvents().cycle);
}

} // namespace
} // namespace korvane
