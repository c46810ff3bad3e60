#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include <poll.h>
#include <unistd.h>

#include "engine/watch_engine.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/proc_source.h"
#include "tests/support/child_process.h"
#include "tests/support/engine_rig.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::ChildProcess;

class ProcessBackendTest : public ::testing::Test {
protected:
    ProcessBackendTest() : platform(MakeLinuxPlatform()) {
        sleepCopy = folder.file("guarded-sleep");
        test::CopySleepBinary(sleepCopy);
    }

    std::unique_ptr<ChildProcess> startCopy() {
        return std::make_unique<ChildProcess>(sleepCopy, std::vector<std::string>{"60"});
    }

    std::optional<ProcessRecord> find(pid_t pid) {
        const auto records = platform.processes->enumerate();
        EXPECT_TRUE(records.has_value());
        for (const ProcessRecord& record : *records) {
            if (record.id.pid == pid) {
                return record;
            }
        }
        return std::nullopt;
    }

    test::TempFolder folder;
    PlatformServices platform;
    std::string sleepCopy;
};

TEST_F(ProcessBackendTest, SnapshotSeesOwnProcessInAscendingOrder) {
    const auto records = platform.processes->enumerate();
    ASSERT_TRUE(records.has_value());
    EXPECT_TRUE(std::is_sorted(records->begin(), records->end(),
                               [](const ProcessRecord& a, const ProcessRecord& b) { return a.id.pid < b.id.pid; }));
    const auto self = find(::getpid());
    ASSERT_TRUE(self.has_value());
    EXPECT_EQ(self->path, std::filesystem::read_symlink("/proc/self/exe").string());
    EXPECT_GT(self->id.startTime, 0u);
}

TEST_F(ProcessBackendTest, NoCapOnTheNumberOfProcesses) {
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (int i = 0; i < 210; ++i) {
        children.push_back(startCopy());
    }
    const auto records = platform.processes->enumerate();
    ASSERT_TRUE(records.has_value());
    for (const auto& child : children) {
        const bool seen = std::any_of(records->begin(), records->end(), [&](const ProcessRecord& record) {
            return record.id.pid == child->pid() && record.path == sleepCopy;
        });
        EXPECT_TRUE(seen) << child->pid();
    }
}

TEST_F(ProcessBackendTest, ReplacedExecutableIsListedUnderItsPath) {
    auto child = startCopy();
    std::filesystem::remove(sleepCopy);
    const auto record = find(child->pid());
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->path, sleepCopy); // without the kernel's " (deleted)"
}

TEST_F(ProcessBackendTest, TerminationNeedsTheRecordedStartTime) {
    auto child = startCopy();
    const auto record = find(child->pid());
    ASSERT_TRUE(record.has_value());

    EXPECT_FALSE(platform.terminator->terminate({record->id.pid, record->id.startTime + 1}));
    EXPECT_FALSE(child->waitEnded(200));

    EXPECT_TRUE(platform.terminator->terminate(record->id));
    EXPECT_TRUE(child->waitEnded(5000));
    EXPECT_FALSE(platform.terminator->terminate(record->id));
}

TEST_F(ProcessBackendTest, OneProcessIsLookedUpAsTheTableListsIt) {
    auto child = startCopy();
    const auto listed = find(child->pid());
    ASSERT_TRUE(listed.has_value());
    const auto looked = platform.processes->lookup(child->pid());
    ASSERT_TRUE(looked.has_value());
    EXPECT_EQ(looked->id, listed->id);
    EXPECT_EQ(looked->path, sleepCopy);
    EXPECT_FALSE(platform.processes->lookup(2).has_value()); // kthreadd: no executable
    child.reset();
    EXPECT_FALSE(platform.processes->lookup(listed->id.pid).has_value());
}

TEST_F(ProcessBackendTest, TheEndOfAProcessToldToEndIsReportedThroughTheDescriptor) {
    auto held = startCopy();  // identified by the table: its held pidfd is used
    auto fresh = startCopy(); // never seen by the table: a pidfd of its own
    const auto heldId = find(held->pid());
    ASSERT_TRUE(heldId.has_value());
    const ProcessIdentity freshId{fresh->pid(), linux_proc::KernelProcSource().stat(fresh->pid())->startTime};
    const int ends = platform.terminator->endsDescriptor();
    ASSERT_GE(ends, 0);

    ASSERT_TRUE(platform.terminator->terminate(heldId->id));
    ASSERT_TRUE(platform.terminator->terminate(freshId));
    std::vector<ProcessIdentity> ended;
    for (int round = 0; round < 50 && ended.size() < 2; ++round) {
        pollfd ready{ends, POLLIN, 0};
        ::poll(&ready, 1, 100);
        for (const ProcessIdentity& id : platform.terminator->takeEnded()) {
            ended.push_back(id);
        }
    }
    std::sort(ended.begin(), ended.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
    std::vector<ProcessIdentity> expected{heldId->id, freshId};
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
    EXPECT_EQ(ended, expected);
    // Each end is reported once, and a process that was not reached is never watched.
    ASSERT_TRUE(held->waitEnded(5000));
    EXPECT_FALSE(platform.terminator->terminate(heldId->id));
    EXPECT_TRUE(platform.terminator->takeEnded().empty());
}

TEST_F(ProcessBackendTest, OneTickTerminatesKillListedCopiesAndLogsThem) {
    // The program "lives" in a folder of its own, so its folder does not exempt the copies.
    test::EngineRig rig(platform);
    rig.kill.add(sleepCopy);

    auto first = startCopy();
    auto second = startCopy();
    rig.engine->takeFirstSnapshot();
    rig.engine->Timer1Timer();

    EXPECT_TRUE(first->waitEnded(5000));
    EXPECT_TRUE(second->waitEnded(5000));
    EXPECT_EQ(rig.logCount(sleepCopy + "  Terminated, found in Kill Processes list."), 2) << rig.logText();
    EXPECT_EQ(rig.logText().rfind("[This file may be emptied anytime.]\r\n", 0), 0u);
}

TEST_F(ProcessBackendTest, WatchdogRaisesPriorityWhenPrivileged) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "raising the priority needs the privilege";
    }
    platform.priority->raiseToHigh();
    EXPECT_EQ(platform.priority->priorityLevel(), 1);
}

} // namespace
} // namespace korvane
