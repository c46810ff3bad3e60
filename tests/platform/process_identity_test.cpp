#include <chrono>
#include <csignal>
#include <fstream>
#include <memory>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/linux/linux_process_table.h"
#include "platform/linux/linux_process_terminator.h"
#include "platform/linux/proc_files.h"
#include "platform/linux/process_handles.h"
#include "tests/support/child_process.h"
#include "tests/support/deadline.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::ChildProcess;

// The Linux table and terminator over one set of held pidfds, as the program has them.
class ProcessIdentityTest : public ::testing::Test {
protected:
    ProcessIdentityTest() { test::CopySleepBinary(program); }

    std::unique_ptr<ChildProcess> start() {
        return std::make_unique<ChildProcess>(program, std::vector<std::string>{"60"});
    }
    std::optional<ProcessIdentity> identityOf(pid_t pid) {
        const auto records = table.enumerate();
        for (const ProcessRecord& record : records.value_or(std::vector<ProcessRecord>{})) {
            if (record.id.pid == pid) {
                return record.id;
            }
        }
        return std::nullopt;
    }

    test::TempFolder folder;
    std::string program = folder.file("guarded-sleep");
    std::shared_ptr<linux_proc::ProcessHandles> handles = std::make_shared<linux_proc::ProcessHandles>();
    LinuxProcessTable table{handles};
    LinuxProcessTerminator terminator{handles};
};

// Sets the PID the kernel hands out last, so that the next child gets `pid`.
bool HandOutNext(pid_t pid) {
    std::ofstream last("/proc/sys/kernel/ns_last_pid");
    last << pid - 1;
    last.flush();
    return static_cast<bool>(last);
}

TEST_F(ProcessIdentityTest, APidReusedByAnotherProcessIsANewIdentityTheOldCannotKill) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "handing out a chosen PID needs root";
    }
    auto first = start();
    const pid_t pid = first->pid();
    const auto old = identityOf(pid);
    ASSERT_TRUE(old.has_value());
    ::kill(pid, SIGKILL);
    ASSERT_TRUE(first->waitEnded(5000));
    // Start times count in ticks of the kernel's clock (10 ms): the newcomer must not
    // share the old one's.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));

    std::unique_ptr<ChildProcess> newcomer;
    for (int attempt = 0; attempt < 50 && (!newcomer || newcomer->pid() != pid); ++attempt) {
        newcomer.reset();
        ASSERT_TRUE(HandOutNext(pid));
        newcomer = start();
    }
    ASSERT_EQ(newcomer->pid(), pid) << "another process kept taking the PID";

    const auto fresh = identityOf(pid);
    ASSERT_TRUE(fresh.has_value());
    EXPECT_NE(fresh->startTime, old->startTime);
    EXPECT_EQ(fresh->startTime, linux_proc::ReadStat(pid)->startTime);

    EXPECT_FALSE(terminator.terminate(*old));
    EXPECT_FALSE(newcomer->waitEnded(200));
    EXPECT_TRUE(terminator.terminate(*fresh));
    EXPECT_TRUE(newcomer->waitEnded(5000));
}

TEST_F(ProcessIdentityTest, KernelThreadsAreToldFromProgramsByTheirStat) {
    std::ifstream comm("/proc/2/comm");
    std::string name;
    if (!(comm >> name) || name != "kthreadd") {
        GTEST_SKIP() << "no kernel thread daemon in this PID namespace";
    }
    const auto thread = linux_proc::ReadStat(2);
    ASSERT_TRUE(thread.has_value());
    EXPECT_TRUE(thread->kernelThread);
    auto child = start();
    const auto program = linux_proc::ReadStat(child->pid());
    ASSERT_TRUE(program.has_value());
    EXPECT_FALSE(program->kernelThread);
    EXPECT_EQ(identityOf(child->pid())->startTime, program->startTime);
    // Never listed, however often the table is read.
    EXPECT_FALSE(identityOf(2).has_value());
    EXPECT_FALSE(identityOf(2).has_value());
}

// Result codes of the checks run in a child process with a lowered descriptor limit.
enum Outcome { kPassed = 0, kNotListed = 1, kWrongIdentity = 2, kNotTerminated = 3, kNoRaise = 4, kNotHeld = 5 };

// Runs `check` in a child process whose descriptor limit is `soft` (hard: `hard`).
std::optional<int> WithDescriptorLimit(rlim_t soft, rlim_t hard, const std::function<int()>& check) {
    return test::RunWithDeadline(60, [&] {
        const rlimit limit{soft, hard};
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            return 125;
        }
        return check();
    });
}

TEST_F(ProcessIdentityTest, WhenDescriptorsRunOutProcessesAreStillIdentifiedAndTerminated) {
    // The handles may not take the last 256 descriptors: with 300 in all, most
    // processes go without one.
    const auto outcome = WithDescriptorLimit(300, 300, [this] {
        std::vector<std::unique_ptr<ChildProcess>> children;
        for (int i = 0; i < 80; ++i) {
            children.push_back(start());
        }
        for (int round = 0; round < 2; ++round) {
            const auto records = table.enumerate().value();
            for (const auto& child : children) {
                const auto found = std::find_if(records.begin(), records.end(),
                                                [&](const ProcessRecord& r) { return r.id.pid == child->pid(); });
                if (found == records.end()) {
                    return kNotListed;
                }
                if (found->id.startTime !=
                    linux_proc::ReadStat(child->pid()).value_or(linux_proc::ProcStat{}).startTime) {
                    return kWrongIdentity;
                }
            }
        }
        if (handles->heldCount() >= children.size()) {
            return kNotHeld; // the limit did not bite
        }
        const auto records = table.enumerate().value();
        for (const ProcessRecord& record : records) {
            for (const auto& child : children) {
                if (record.id.pid == child->pid() && (!terminator.terminate(record.id) || !child->waitEnded(5000))) {
                    return kNotTerminated;
                }
            }
        }
        return kPassed;
    });
    EXPECT_EQ(outcome, kPassed);
}

TEST_F(ProcessIdentityTest, TheSoftDescriptorLimitIsRaisedAsHandlesNeedIt) {
    rlimit current{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &current), 0);
    if (current.rlim_max < 4096) {
        GTEST_SKIP() << "the hard limit leaves no room to raise";
    }
    const auto outcome = WithDescriptorLimit(300, 4096, [this] {
        std::vector<std::unique_ptr<ChildProcess>> children;
        for (int i = 0; i < 80; ++i) {
            children.push_back(start());
        }
        const auto records = table.enumerate().value();
        rlimit raised{};
        ::getrlimit(RLIMIT_NOFILE, &raised);
        if (raised.rlim_cur <= 300) {
            return kNoRaise;
        }
        return handles->heldCount() >= records.size() ? kPassed : kNotHeld;
    });
    EXPECT_EQ(outcome, kPassed);
}

} // namespace
} // namespace korvane
