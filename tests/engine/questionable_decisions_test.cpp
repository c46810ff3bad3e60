#include "engine/questionable_decisions.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/checksums.h"
#include "engine/file_error.h"
#include "engine/safe_list_entry.h"
#include "tests/support/safe_entries.h"
#include "tests/support/watch_fixture.h"

namespace korvane {
namespace {

using Strings = std::vector<std::string>;

const std::string kKilled = "Terminated by user, placed in Kill list.";
const std::string kKilledNotListed = "Terminated by user.  It can not be listed in Kill Processes list.";
const std::string kLocked = "This program locked it's exe file.  It can not be listed in Safe Processes list.";
const std::string kAdmitted = "Continued execution, placed in Safe Processes list.";

class QuestionableDecisionsTest : public ::testing::Test, public test::WatchFixture {
protected:
    // The snapshot entry a dialog line would carry for a process started now.
    SnapshotEntry questioned(const std::string& path) {
        const ProcessIdentity id = platform.table->start(path);
        return {path + " [" + std::to_string(id.pid) + "]", path, id};
    }

    test::TempFolder bins;
    QuestionableDecisions decisions{engine->killer(), engine->log(), engine->admissionReads(), safe, kill};
};

TEST_F(QuestionableDecisionsTest, TwoKilledLinesOfOneExecutableLeaveOneNewKillEntry) {
    kill.add("/opt/miner");
    kill.add("/usr/bin/other");
    const SnapshotEntry first = questioned("/opt/miner");
    const SnapshotEntry second = questioned("/opt/miner");

    decisions.KillCheckedLine(second);
    decisions.KillCheckedLine(first);
    decisions.EndKillPass();

    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{second.id, first.id}));
    // The older entry further up is not a neighbour and stays.
    EXPECT_EQ(kill.items(), (Strings{"/opt/miner", "/usr/bin/other", "/opt/miner"}));
    EXPECT_FALSE(kill.checked(2));
    EXPECT_EQ(logCount(kKilled), 2);
}

// Killed lines of two files whose paths differ only in case: both stay on the Kill
// list, or the one dropped would never be ended (Kill entries match with case).
TEST_F(QuestionableDecisionsTest, KilledLinesDifferingOnlyInCaseBothStayListed) {
    const SnapshotEntry lower = questioned("/opt/app");
    const SnapshotEntry upper = questioned("/opt/App");
    decisions.KillCheckedLine(upper);
    decisions.KillCheckedLine(lower);
    decisions.EndKillPass();
    EXPECT_EQ(kill.items(), (Strings{"/opt/App", "/opt/app"}));
}

TEST_F(QuestionableDecisionsTest, KillHitsTheRecordedIdentityNotANumberInTheText) {
    SnapshotEntry process = questioned("/opt/a [7]/tool");
    const ProcessIdentity decoy = platform.table->start("/usr/bin/seven");
    process.text = "/opt/a [" + std::to_string(decoy.pid) + "]/tool [" + std::to_string(process.id.pid) + "]";

    decisions.KillCheckedLine(process);
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{process.id}));
    EXPECT_EQ(kill.items(), (Strings{"/opt/a [7]/tool"}));

    // A process that ended meanwhile is still listed and logged.
    const SnapshotEntry ended = questioned("/opt/gone");
    platform.table->end(ended.id);
    decisions.KillCheckedLine(ended);
    EXPECT_EQ(kill.count(), 2u);
    EXPECT_EQ(logCount(kKilled), 2);
}

TEST_F(QuestionableDecisionsTest, PathWithALineBreakIsKilledButNotListed) {
    const SnapshotEntry process = questioned("/opt/x\n/usr/bin/y");
    decisions.KillCheckedLine(process);
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{process.id}));
    EXPECT_EQ(kill.count(), 0u);
    EXPECT_EQ(logCount(kKilledNotListed), 1);
    EXPECT_EQ(logCount(kKilled), 0);

    decisions.AdmitCheckedLine(process);
    EXPECT_EQ(safe.count(), 0u);
    EXPECT_EQ(logCount(kLocked), 1);
}

TEST_F(QuestionableDecisionsTest, AdmitsTheDigestOfTheImageThatRuns) {
    const std::string tool = bins.write("tool", "swapped in while the dialog was up");
    const std::string started = bins.write("started", "the program that runs");
    const SnapshotEntry process = questioned(tool);
    platform.executables->images[process.id.pid] = started;
    safe.add(SafeListEntry(tool, "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"));

    decisions.AdmitCheckedLine(process);
    EXPECT_EQ(safe.items(), (Strings{SafeListEntry(tool, test::DigestOf(started))}));
    EXPECT_EQ(platform.executables->probed, (Strings{started}));
    EXPECT_TRUE(platform.table->running(process.id));
    EXPECT_EQ(logCount(kAdmitted), 1);
}

TEST_F(QuestionableDecisionsTest, EndedProcessIsAdmittedByTheFileAtItsPath) {
    const std::string tool = bins.write("tool", "what runs next");
    const SnapshotEntry process = questioned(tool);
    platform.executables->images[process.id.pid] = bins.write("started", "gone with the process");
    platform.table->end(process.id);

    decisions.AdmitCheckedLine(process);
    EXPECT_EQ(safe.items(), (Strings{SafeListEntry(tool, test::DigestOf(tool))}));
    EXPECT_EQ(platform.executables->probed, (Strings{tool}));
}

TEST_F(QuestionableDecisionsTest, LockedFileIsNotAdmittedAndAnUnreadableOneThrows) {
    const std::string tool = bins.write("tool", "locked");
    const SnapshotEntry running = questioned(tool);
    platform.executables->locked.insert(tool);
    decisions.AdmitCheckedLine(running);
    EXPECT_EQ(logCount(kLocked), 1);

    // Ended, and nothing readable at its path: the digest fails after the probe passed.
    const SnapshotEntry ended = questioned(bins.file("missing"));
    platform.table->end(ended.id);
    EXPECT_THROW(decisions.AdmitCheckedLine(ended), FileError);
    EXPECT_EQ(safe.count(), 0u);
    EXPECT_EQ(logCount(kAdmitted), 0);
}

} // namespace
} // namespace korvane
