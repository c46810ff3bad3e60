#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include <pthread.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/checksums.h"
#include "engine/digest_cache.h"
#include "engine/local_image_digests.h"
#include "platform/linux/linux_executable_access.h"
#include "platform/linux/linux_process_table.h"
#include "platform/linux/linux_process_terminator.h"
#include "platform/linux/proc_files.h"
#include "tests/support/child_process.h"

namespace korvane {
namespace {

// A child of this user that makes itself undumpable: its executable link is closed to
// its own user from then on.
pid_t StartUndumpableChild() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::prctl(PR_SET_DUMPABLE, 0);
        ::prctl(PR_SET_NAME, "hidden-worker");
        for (;;) {
            ::pause();
        }
    }
    return child;
}

// True once the executable link of the process at `pid` can no longer be read (5 s at most).
bool LinkGoes(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (linux_proc::ExecutablePath(pid) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !linux_proc::ExecutablePath(pid);
}

// Lists the child as this user's unreadable process, and ends it through the table's
// identity. Run as an ordinary user: root reads every link.
void ListAndEndUndumpableChild() {
    const pid_t child = StartUndumpableChild();
    ASSERT_GT(child, 0);
    ASSERT_TRUE(LinkGoes(child)) << "the link stayed readable";

    auto handles = std::make_shared<linux_proc::ProcessHandles>();
    LinuxProcessTable table(handles);
    LinuxProcessTerminator terminator(handles);
    // Twice: the first reading takes its handle, the second finds it held.
    for (int reading = 0; reading < 2; ++reading) {
        const auto records = table.enumerate();
        ASSERT_TRUE(records);
        const auto found = std::find_if(records->begin(), records->end(),
                                        [&](const ProcessRecord& record) { return record.id.pid == child; });
        ASSERT_NE(found, records->end()) << "reading " << reading;
        EXPECT_EQ(found->path, "[unreadable] hidden-worker");
        if (reading == 1) {
            EXPECT_TRUE(terminator.terminate(found->id));
        }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    // Ended and reaped, it is gone from the table, not listed as unreadable.
    const auto after = table.enumerate();
    ASSERT_TRUE(after);
    EXPECT_TRUE(std::none_of(after->begin(), after->end(),
                             [&](const ProcessRecord& record) { return record.id.pid == child; }));
}

TEST(UnreadableOwnProcessRole, RunAsAnOrdinaryUser) {
    if (std::getenv("KORVANE_UNREADABLE_ROLE") == nullptr) {
        GTEST_SKIP() << "runs only as the child of UnreadableOwnProcess.IsListedAndCanBeEnded";
    }
    ListAndEndUndumpableChild();
}

TEST(UnreadableOwnProcess, IsListedAndCanBeEnded) {
    if (::geteuid() != 0) {
        ListAndEndUndumpableChild();
        return;
    }
    // As root, the same as "nobody", through setpriv.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    test::ChildProcess role("/usr/bin/setpriv",
                            {"--reuid=65534", "--regid=65534", "--clear-groups", self,
                             "--gtest_filter=UnreadableOwnProcessRole.RunAsAnOrdinaryUser"},
                            {"KORVANE_UNREADABLE_ROLE=1"});
    ASSERT_TRUE(role.waitEnded(60000));
    EXPECT_EQ(role.exitCode(), 0);
}

// Another user's process stays out of view: the link is closed and it is not ours.
TEST(UnreadableOwnProcess, OtherUsersProcessesStayOutOfTheLocalView) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to start another user's process";
    }
    test::ChildProcess other("/usr/bin/setpriv",
                             {"--reuid=65534", "--regid=65534", "--clear-groups", "/bin/sleep", "60"});
    // Read as a third user, who can read neither root's nor nobody's links.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    test::ChildProcess role("/usr/bin/setpriv",
                            {"--reuid=65533", "--regid=65533", "--clear-groups", self,
                             "--gtest_filter=UnreadableOwnProcessRole.OthersAreNotListed"},
                            {"KORVANE_UNREADABLE_ROLE=1", "KORVANE_OTHER_PID=" + std::to_string(other.pid())});
    ASSERT_TRUE(role.waitEnded(60000));
    EXPECT_EQ(role.exitCode(), 0);
}

TEST(UnreadableOwnProcessRole, OthersAreNotListed) {
    const char* other = std::getenv("KORVANE_OTHER_PID");
    if (std::getenv("KORVANE_UNREADABLE_ROLE") == nullptr || other == nullptr) {
        GTEST_SKIP() << "runs only as the child of UnreadableOwnProcess.OtherUsersProcessesStayOutOfTheLocalView";
    }
    const auto records = LinuxProcessTable().enumerate();
    ASSERT_TRUE(records);
    EXPECT_TRUE(std::none_of(records->begin(), records->end(),
                             [&](const ProcessRecord& record) { return record.id.pid == std::atoi(other); }));
    // Nor any of root's, such as init.
    EXPECT_TRUE(
        std::none_of(records->begin(), records->end(), [](const ProcessRecord& record) { return record.id.pid == 1; }));
}

// A process whose first thread has ended while another runs on: its own executable
// link is gone, and so it must not go from view. It is listed under its program,
// digested through the running thread, and ended whole.
TEST(UnreadableOwnProcess, AProcessWhoseFirstThreadEndedIsListedDigestedAndEnded) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const pid_t child = ::fork();
    if (child == 0) {
        pthread_t worker{};
        ::pthread_create(
            &worker, nullptr,
            [](void*) -> void* {
                for (;;) {
                    ::pause();
                }
            },
            nullptr);
        ::syscall(SYS_exit, 0); // this thread only
    }
    ASSERT_GT(child, 0);
    // Ended whatever the test finds: a child left behind would hold this run's output open.
    bool reaped = false;
    const std::shared_ptr<void> reaper(nullptr, [&](void*) {
        if (!reaped) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    });
    ASSERT_TRUE(LinkGoes(child)) << "the first thread did not end";

    auto handles = std::make_shared<linux_proc::ProcessHandles>();
    LinuxProcessTable table(handles);
    LinuxExecutableAccess executables(handles);
    DigestCache cache;
    LocalImageDigests images(executables, cache);
    LinuxProcessTerminator terminator(handles);
    const auto records = table.enumerate();
    ASSERT_TRUE(records);
    const auto found = std::find_if(records->begin(), records->end(),
                                    [&](const ProcessRecord& record) { return record.id.pid == child; });
    ASSERT_NE(found, records->end()) << "the process hid";
    EXPECT_EQ(found->path, self);
    EXPECT_EQ(executables.runningPath(found->id), self);
    const RunningImageDigest image = images.digest(found->id);
    EXPECT_EQ(image.outcome, RunningImageDigest::Outcome::Digested);
    EXPECT_EQ(image.text, DigestText(FileDigest(self)));

    EXPECT_TRUE(terminator.terminate(found->id));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    reaped = true;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

} // namespace
} // namespace korvane
