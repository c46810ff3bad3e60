#include "platform/linux/linux_executable_access.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/admission_digest.h"
#include "engine/checksums.h"
#include "engine/file_error.h"
#include "engine/questionable_decisions.h"
#include "engine/safe_list_entry.h"
#include "engine/watch_engine.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/linux_process_table.h"
#include "platform/linux/proc_files.h"
#include "tests/support/child_process.h"
#include "tests/support/deadline.h"
#include "tests/support/engine_rig.h"
#include "tests/support/safe_entries.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

class LinuxExecutableAccessTest : public ::testing::Test {
protected:
    LinuxExecutableAccessTest() { test::CopySleepBinary(program); }

    // The identity the process table reports for the child.
    ProcessIdentity identityOf(const test::ChildProcess& child) {
        const auto records = LinuxProcessTable().enumerate();
        EXPECT_TRUE(records.has_value());
        for (const ProcessRecord& record : records.value_or(std::vector<ProcessRecord>{})) {
            if (record.id.pid == child.pid()) {
                return record.id;
            }
        }
        ADD_FAILURE() << "child " << child.pid() << " not in the process table";
        return {};
    }
    // A running executable cannot be rewritten in place; replace it as an
    // installer would: remove it and put other bytes at the path.
    void replaceProgram() {
        std::filesystem::remove(program);
        test::WriteFileBytes(program, "#!/bin/sh\necho replaced\n");
    }

    test::TempFolder folder;
    std::string program = folder.file("guarded-sleep");
    LinuxExecutableAccess access;
};

TEST_F(LinuxExecutableAccessTest, RunningImageIsTheStartedFileAfterThePathWasReplaced) {
    const std::string started = test::DigestOf(program);
    test::ChildProcess child(program, {"60"});
    const ProcessIdentity id = identityOf(child);

    replaceProgram();
    ASSERT_NE(test::DigestOf(program), started);

    const std::optional<std::string> image = access.runningImage(id);
    ASSERT_TRUE(image.has_value());
    EXPECT_NE(*image, program);
    EXPECT_TRUE(access.probe(*image));
    EXPECT_EQ(test::DigestOf(*image), started);
}

TEST_F(LinuxExecutableAccessTest, EndedProcessHasNoRunningImage) {
    test::ChildProcess child(program, {"60"});
    const ProcessIdentity id = identityOf(child);

    // Same PID, other start time: the PID now belongs to another process.
    EXPECT_EQ(access.runningImage({id.pid, id.startTime + 1}), std::nullopt);

    // A zombie still has its start time, but no image any more.
    ::kill(child.pid(), SIGKILL);
    for (int wait = 0; wait < 500 && linux_proc::ExecutablePath(id.pid); ++wait) {
        ::usleep(10000);
    }
    EXPECT_EQ(access.runningImage(id), std::nullopt);
    ASSERT_TRUE(child.waitEnded(5000));
    EXPECT_EQ(access.runningImage(id), std::nullopt);
}

TEST_F(LinuxExecutableAccessTest, ProbeAcceptsRegularFilesOnlyAndNeverBlocks) {
    EXPECT_TRUE(access.probe(program));
    EXPECT_FALSE(access.probe(folder.file("missing")));

    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = folder.file("zero");
    std::filesystem::create_symlink("/dev/zero", zero);
    const std::string subfolder = folder.file("folder");
    std::filesystem::create_directory(subfolder);
    // Run where a deadline can end it: an open of the FIFO that blocks must fail
    // the test, not hang it.
    for (const std::string& path : {fifo, zero, subfolder}) {
        EXPECT_EQ(test::RunWithDeadline(5, [&] { return access.probe(path) ? 1 : 0; }), 0) << path;
    }
}

// The verification pass over the real backend: it digests the image a process runs.
class RealVerificationTest : public LinuxExecutableAccessTest {
protected:
    void verify() { rig.engine->verifier().CheckSafeProcessesList(); }
    // The dialog line of the child, if it was listed.
    std::string listed(const test::ChildProcess& child) const {
        const std::string entry = program + " [" + std::to_string(child.pid()) + "]";
        for (const auto& [text, id] : rig.dialog.entries) {
            if (text.starts_with(entry)) {
                return text;
            }
        }
        return {};
    }

    PlatformServices platform = MakeLinuxPlatform();
    test::EngineRig rig{platform};
};

TEST_F(RealVerificationTest, JudgesTheImageThatRunsNotTheFileAtItsPath) {
    const std::string trusted = test::SafeEntryFor(program);
    test::ChildProcess child(program, {"60"});
    replaceProgram();
    const std::string entry = program + " [" + std::to_string(child.pid()) + "]";

    // Trusted before the swap: the running image still matches.
    rig.safe.add(trusted);
    rig.engine->snapshot().RefreshTaskListNT();
    verify();
    EXPECT_EQ(listed(child), "");

    // Trusting the swapped-in file does not vouch for the program that runs.
    rig.safe.clear();
    rig.safe.add(test::SafeEntryFor(program));
    verify();
    EXPECT_EQ(listed(child), entry + " [corrupt checksum]");
}

TEST_F(RealVerificationTest, ProcessThatEndedIsSkippedNotJudgedByTheFileNowAtItsPath) {
    rig.safe.add(test::SafeEntryFor(program));
    test::ChildProcess child(program, {"60"});
    rig.engine->snapshot().RefreshTaskListNT();
    ::kill(child.pid(), SIGKILL);
    ASSERT_TRUE(child.waitEnded(5000));
    replaceProgram();

    // The snapshot still holds the process; what lies at its path now is not it.
    verify();
    EXPECT_EQ(listed(child), "");
    EXPECT_EQ(rig.logText(), "");
}

TEST_F(RealVerificationTest, AdmissionDigestIsOfTheImageThatRunsElseOfTheFileAtThePath) {
    const std::string started = test::DigestOf(program);
    test::ChildProcess child(program, {"60"});
    rig.engine->snapshot().RefreshTaskListNT();
    replaceProgram();
    const std::string replaced = test::DigestOf(program);
    ASSERT_NE(replaced, started);
    EXPECT_EQ(AdmissionDigest(program, rig.engine->snapshot(), rig.engine->admissionReads()), started);

    // Once the process has ended, the file at the path is what would run next.
    ::kill(child.pid(), SIGKILL);
    ASSERT_TRUE(child.waitEnded(5000));
    EXPECT_EQ(AdmissionDigest(program, rig.engine->snapshot(), rig.engine->admissionReads()), replaced);
    EXPECT_THROW(AdmissionDigest(folder.file("missing"), rig.engine->snapshot(), rig.engine->admissionReads()),
                 FileError);
}

TEST_F(RealVerificationTest, DialogDecisionsAdmitTheRunningImageAndKillTheQuestionedProcess) {
    const std::string started = test::DigestOf(program);
    test::ChildProcess child(program, {"60"});
    rig.engine->snapshot().RefreshTaskListNT();
    verify();
    const auto line = std::find_if(rig.dialog.entries.begin(), rig.dialog.entries.end(),
                                   [&](const auto& entry) { return entry.second.id.pid == child.pid(); });
    ASSERT_NE(line, rig.dialog.entries.end());
    const SnapshotEntry process = line->second;
    replaceProgram();

    QuestionableDecisions decisions{rig.engine->killer(), rig.engine->log(), rig.engine->admissionReads(), rig.safe,
                                    rig.kill};
    decisions.AdmitCheckedLine(process);
    EXPECT_EQ(rig.safe.items(), (std::vector<std::string>{SafeListEntry(program, started)}));
    EXPECT_FALSE(child.ended());

    decisions.KillCheckedLine(process);
    EXPECT_TRUE(child.waitEnded(5000));
    EXPECT_EQ(rig.kill.items(), (std::vector<std::string>{program}));
    EXPECT_EQ(rig.logCount("Continued execution, placed in Safe Processes list."), 1);
    EXPECT_EQ(rig.logCount("Terminated by user, placed in Kill list."), 1);
}

} // namespace
} // namespace korvane
