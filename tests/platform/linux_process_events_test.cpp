#include "platform/linux/linux_process_events.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>

#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/deadline.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;

class LinuxProcessEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "process events need root or CAP_NET_ADMIN";
        }
        test::CopySleepBinary(program);
    }

    // Every batch taken until `done` says so or five seconds passed, merged.
    static ProcessEventBatch takeUntil(ProcessEvents& events,
                                       const std::function<bool(const ProcessEventBatch&)>& done) {
        ProcessEventBatch all;
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!done(all) && std::chrono::steady_clock::now() < deadline) {
            pollfd ready{events.descriptor(), POLLIN, 0};
            ::poll(&ready, 1, 100);
            const ProcessEventBatch batch = events.takeEvents();
            all.exec = all.exec || batch.exec;
            all.changed = all.changed || batch.changed;
            all.lost = all.lost || batch.lost;
            all.started.insert(all.started.end(), batch.started.begin(), batch.started.end());
        }
        return all;
    }

    test::TempFolder folder;
    std::string program = folder.file("sleeper");
};

TEST_F(LinuxProcessEventsTest, AProgramStartedIsReportedThroughTheDescriptor) {
    LinuxProcessEvents events;
    ASSERT_TRUE(events.subscribed());
    ASSERT_GE(events.descriptor(), 0);
    events.takeEvents(); // whatever came before

    test::ChildProcess child(program, {"60"});
    const auto named = [&](const ProcessEventBatch& b) {
        return std::find(b.started.begin(), b.started.end(), child.pid()) != b.started.end();
    };
    const ProcessEventBatch batch = takeUntil(events, named);
    EXPECT_TRUE(batch.exec);
    EXPECT_TRUE(batch.changed);
    EXPECT_TRUE(named(batch)); // the event names the process, to be looked at alone
}

TEST_F(LinuxProcessEventsTest, ABurstLargerThanTheReceiveBufferIsReportedLost) {
    LinuxProcessEvents events(1); // the kernel's smallest buffer: a few events
    ASSERT_TRUE(events.subscribed());
    for (int i = 0; i < 40; ++i) {
        test::ChildProcess child(program, {"0"});
        child.waitEnded(5000);
    }
    const ProcessEventBatch batch = takeUntil(events, [](const ProcessEventBatch& b) { return b.lost; });
    EXPECT_TRUE(batch.lost);
    EXPECT_TRUE(events.subscribed()); // the subscription goes on
}

TEST(LinuxProcessEventsWithoutPermissionTest, NothingIsSubscribedAndNothingReported) {
    // A child that gave up root for good, as an ordinary user's program runs.
    const auto outcome = test::RunWithDeadline(30, [] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return 125;
        }
        LinuxProcessEvents events;
        if (events.subscribed()) {
            return 1;
        }
        if (events.descriptor() != -1) {
            return 2;
        }
        return events.takeEvents() == ProcessEventBatch{} ? 0 : 3;
    });
    EXPECT_EQ(outcome, 0);
}

} // namespace
} // namespace korvane
