#include "platform/linux/fanotify_execution_guard.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <thread>

#include <poll.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/kill_set.h"
#include "platform/linux/proc_files.h"
#include "platform/linux/protected_executables.h"
#include "tests/support/child_process.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Kind = ExecutionReport::Kind;

std::shared_ptr<const KillSet> Set(std::vector<std::string> entries, std::vector<std::string> neverKill = {}) {
    static std::uint64_t generation = 0;
    return std::make_shared<const KillSet>(++generation, std::move(entries), neverKill);
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

class FanotifyExecutionGuardTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "a fanotify group needs root";
        }
        test::CopyMarkerWriter(writer);
    }

    std::unique_ptr<FanotifyExecutionGuard> create(FanotifyExecutionGuard::Options options = {}) {
        auto guard = FanotifyExecutionGuard::Create(std::move(options));
        EXPECT_NE(guard, nullptr) << "no fanotify group as root";
        return guard;
    }
    // One run of the Kill-listed copy, which writes `marker` when it runs at all.
    test::ProgramRun runWriter() { return test::RunToEnd(writer, {marker}); }

    test::TempFolder folder;
    std::string writer = folder.file("marker_writer");
    std::string marker = folder.file("marker");
};

TEST_F(FanotifyExecutionGuardTest, EveryStartOfAKillListedFileIsRefusedBeforeItRuns) {
    auto guard = create();
    ASSERT_NE(guard, nullptr);
    guard->replace(Set({writer}));
    ASSERT_THAT(guard->markedPaths(), ElementsAre(writer));

    constexpr int kStarts = 200;
    int refused = 0;
    for (int i = 0; i < kStarts; ++i) {
        refused += runWriter().execError == EPERM ? 1 : 0;
    }
    EXPECT_EQ(refused, kStarts);
    EXPECT_FALSE(Exists(marker));

    const std::vector<ExecutionReport> reports = guard->takeReports();
    ASSERT_EQ(reports.size(), static_cast<std::size_t>(kStarts));
    for (const ExecutionReport& report : reports) {
        EXPECT_EQ(report.kind, Kind::Refused);
        EXPECT_EQ(report.path, writer);
        EXPECT_GT(report.pid, 0);
        EXPECT_NE(report.pid, ::getpid());
    }
    EXPECT_THAT(guard->takeReports(), IsEmpty());
    EXPECT_TRUE(guard->guarding());
}

TEST_F(FanotifyExecutionGuardTest, ProgramsOutsideTheSetRunAndASetWithoutTheFileLetsItRunAtOnce) {
    auto guard = create();
    ASSERT_NE(guard, nullptr);
    const std::string other = folder.file("other_writer");
    test::CopyMarkerWriter(other);
    guard->replace(Set({writer}));

    EXPECT_EQ(test::RunToEnd(other, {folder.file("other_marker")}).exitCode, 0);
    EXPECT_TRUE(Exists(folder.file("other_marker")));
    EXPECT_EQ(runWriter().execError, EPERM);

    // Bypassed, removed from the list or the watch stopped: the set comes without it.
    guard->replace(Set({other}));
    EXPECT_THAT(guard->markedPaths(), ElementsAre(other));
    EXPECT_EQ(runWriter().exitCode, 0);
    EXPECT_TRUE(Exists(marker));

    guard->replace(nullptr);
    EXPECT_THAT(guard->markedPaths(), IsEmpty());
    EXPECT_EQ(test::RunToEnd(other, {folder.file("other_marker")}).exitCode, 0);
}

TEST_F(FanotifyExecutionGuardTest, AFilePutAtAMarkedPathIsRefusedOnceTheMarksAreRefreshed) {
    auto guard = create();
    ASSERT_NE(guard, nullptr);
    guard->replace(Set({writer}));
    const std::string replacement = folder.file("replacement");
    test::CopyMarkerWriter(replacement);
    std::filesystem::rename(replacement, writer);

    // The mark stays with the file that was there; the tick brings it to the new one.
    EXPECT_EQ(runWriter().exitCode, 0);
    std::filesystem::remove(marker);
    guard->refreshMarks();
    EXPECT_EQ(runWriter().execError, EPERM);
    EXPECT_FALSE(Exists(marker));
    EXPECT_THAT(guard->markedPaths(), ElementsAre(writer));
}

TEST_F(FanotifyExecutionGuardTest, MarksOnlyRegularFilesTheSetNamesExactly) {
    auto guard = create();
    ASSERT_NE(guard, nullptr);
    const std::string link = folder.file("link_to_writer");
    std::filesystem::create_symlink(writer, link);
    const std::string spelledOtherwise = folder.folder() + "./marker_writer";
    guard->replace(Set({link, spelledOtherwise, folder.file("missing"), folder.folder(), "marker_writer"}));

    EXPECT_THAT(guard->markedPaths(), IsEmpty());
    EXPECT_EQ(runWriter().exitCode, 0);
    EXPECT_EQ(test::RunToEnd(link, {marker}).exitCode, 0);
}

TEST_F(FanotifyExecutionGuardTest, NeverMarksTheLoaderItsOwnExecutableTheWindowsOrThatOfProcessOne) {
    const std::string window = folder.file("Korvane");
    test::CopyMarkerWriter(window);
    FanotifyExecutionGuard::Options options;
    options.windowExecutables = {window};
    auto guard = create(std::move(options));
    ASSERT_NE(guard, nullptr);
    const std::optional<std::string> loader = linux_fanotify::OwnProgramInterpreter();
    const std::optional<std::string> own = linux_proc::ExecutablePath(::getpid());
    ASSERT_TRUE(loader && own);
    std::vector<std::string> entries{*loader, *own, window, writer};
    // Some containers hide process 1's executable even from root.
    if (const std::optional<std::string> first = linux_proc::ExecutablePath(1); first && *first != *own) {
        entries.push_back(*first);
    }
    guard->replace(Set(entries));
    guard->refreshMarks();

    EXPECT_THAT(guard->markedPaths(), ElementsAre(writer));
    std::vector<ExecutionReport> reports = guard->takeReports();
    ASSERT_EQ(reports.size(), entries.size() - 1) << "each once, not once per refresh";
    for (const ExecutionReport& report : reports) {
        EXPECT_EQ(report.kind, Kind::NotGuarded);
        EXPECT_THAT(report.reason, ::testing::StartsWith("Not refused before it starts: it is the "));
    }
    EXPECT_EQ(reports[0].path, *loader);
    EXPECT_THAT(reports[0].reason, ::testing::HasSubstr("dynamic loader"));
    // Programs still start: the loader they need is not held.
    EXPECT_EQ(test::RunToEnd(window, {marker}).exitCode, 0);
}

TEST_F(FanotifyExecutionGuardTest, ADecisionHeldPastTheLimitMakesTheGuardLetGoAndTheStartGoOn) {
    std::promise<void> holding;
    std::atomic<bool> first{true};
    FanotifyExecutionGuard::Options options;
    options.beforeDecision = [&] {
        if (first.exchange(false)) {
            holding.set_value();
            std::this_thread::sleep_for(3500ms);
        }
    };
    auto guard = create(std::move(options));
    ASSERT_NE(guard, nullptr);
    guard->replace(Set({writer}));

    // Started on a thread of its own: the start waits for the answer.
    auto run = std::async(std::launch::async, [&] { return runWriter(); });
    holding.get_future().wait();
    EXPECT_EQ(run.wait_for(1500ms), std::future_status::timeout);
    ASSERT_EQ(run.wait_for(2500ms), std::future_status::ready) << "the start still waits";
    EXPECT_EQ(run.get().exitCode, 0);
    EXPECT_TRUE(Exists(marker));

    EXPECT_FALSE(guard->guarding());
    pollfd reported{guard->descriptor(), POLLIN, 0};
    EXPECT_EQ(::poll(&reported, 1, 1000), 1);
    const std::vector<ExecutionReport> reports = guard->takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].kind, Kind::GaveUp);
    EXPECT_THAT(reports[0].reason, ::testing::HasSubstr("longer than 2000 ms"));
    // Given up for good: nothing is marked again.
    guard->refreshMarks();
    EXPECT_THAT(guard->markedPaths(), IsEmpty());
    std::filesystem::remove(marker);
    EXPECT_EQ(runWriter().exitCode, 0);
}

// The guard in a process of its own, holding every decision, ended by a signal while
// a start waits for its answer.
class GuardProcessTest : public FanotifyExecutionGuardTest {
protected:
    void SetUp() override {
        FanotifyExecutionGuardTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        host = std::make_unique<test::ChildProcess>(KORVANE_GUARD_HOST, std::vector<std::string>{writer, ready});
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!Exists(ready) && !host->ended() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
        }
        ASSERT_TRUE(Exists(ready)) << "the guard process did not come up";
    }

    // Starts the writer on a thread of its own and checks that the start waits.
    std::future<test::ProgramRun> startWaiting() {
        auto run = std::async(std::launch::async, [this] { return runWriter(); });
        EXPECT_EQ(run.wait_for(300ms), std::future_status::timeout) << "the start did not wait for the guard";
        EXPECT_FALSE(Exists(marker));
        return run;
    }

    std::string ready = folder.file("ready");
    std::unique_ptr<test::ChildProcess> host;
};

TEST_F(GuardProcessTest, KilledWhileAStartWaitsTheStartGoesOn) {
    auto run = startWaiting();
    ::kill(host->pid(), SIGKILL);
    ASSERT_EQ(run.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(run.get().exitCode, 0);
    EXPECT_TRUE(Exists(marker));
}

TEST_F(GuardProcessTest, TerminatedItLetsGoBeforeAnythingElse) {
    auto run = startWaiting();
    // The process's own handler keeps it running; the group is let go all the same.
    ::kill(host->pid(), SIGTERM);
    ASSERT_EQ(run.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(run.get().exitCode, 0);
    EXPECT_TRUE(Exists(marker));
    EXPECT_FALSE(host->ended());
}

} // namespace
} // namespace korvane
