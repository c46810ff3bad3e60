#include "platform/linux/linux_executable_access.h"

#include <csignal>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "engine/checksums.h"
#include "engine/watch_engine.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/linux_process_table.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_window.h"
#include "tests/support/memory_list_pane.h"
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
    static std::string digestOf(const std::string& path) { return DigestText(FileDigest(path)); }
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
    const std::string started = digestOf(program);
    test::ChildProcess child(program, {"60"});
    const ProcessIdentity id = identityOf(child);

    replaceProgram();
    ASSERT_NE(digestOf(program), started);

    const std::string image = access.runningImage(id, program);
    EXPECT_NE(image, program);
    EXPECT_TRUE(access.probe(image));
    EXPECT_EQ(digestOf(image), started);
}

TEST_F(LinuxExecutableAccessTest, ProcessThatIsNotTheRecordedOneFallsBackToThePath) {
    test::ChildProcess child(program, {"60"});
    const ProcessIdentity id = identityOf(child);

    // Same PID, other start time: the PID now belongs to another process.
    EXPECT_EQ(access.runningImage({id.pid, id.startTime + 1}, program), program);

    ::kill(child.pid(), SIGKILL);
    ASSERT_TRUE(child.waitEnded(5000));
    EXPECT_EQ(access.runningImage(id, program), program);
}

TEST_F(LinuxExecutableAccessTest, ProbeOpensExistingFilesOnly) {
    EXPECT_TRUE(access.probe(program));
    EXPECT_FALSE(access.probe(folder.file("missing")));
}

TEST_F(LinuxExecutableAccessTest, VerificationJudgesTheImageThatRunsNotTheFileAtItsPath) {
    test::TempFolder programFolder;
    std::filesystem::create_directory(programFolder.path() / "system");
    test::WriteFileBytes(programFolder.file("system/KVlog.txt"), "");
    PlatformServices platform = MakeLinuxPlatform();
    test::MemoryListPane current{"TextListBox1", true}, safe{"TextListBox2", true}, kill{"CheckListBox3"},
        neverKill{"TextListBox4", true};
    test::FakeWatchHost host;
    test::FakePreferences preferences;
    test::FakeQuestionableDialog dialog;
    WatchEngine engine(platform, {programFolder.file("Korvane"), programFolder.folder()},
                       {current, safe, kill, neverKill}, host, preferences, dialog);

    const std::string trusted = program + "     [" + digestOf(program) + "]";
    test::ChildProcess child(program, {"60"});
    replaceProgram();
    const std::string entry = program + " [" + std::to_string(child.pid()) + "]";
    const auto listed = [&] {
        for (const auto& [text, id] : dialog.entries) {
            if (text.starts_with(entry)) {
                return text;
            }
        }
        return std::string();
    };

    // Trusted before the swap: the running image still matches.
    safe.add(trusted);
    engine.snapshot().RefreshTaskListNT();
    engine.verifier().CheckSafeProcessesList();
    EXPECT_EQ(listed(), "");

    // Trusting the swapped-in file does not vouch for the program that runs.
    safe.clear();
    safe.add(program + "     [" + digestOf(program) + "]");
    engine.verifier().CheckSafeProcessesList();
    EXPECT_EQ(listed(), entry + " [corrupt checksum]");
}

} // namespace
} // namespace korvane
