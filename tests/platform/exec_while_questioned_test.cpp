#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/admission_digest.h"
#include "engine/checksums.h"
#include "engine/questionable_decisions.h"
#include "engine/safe_list_entry.h"
#include "platform/linux/linux_platform.h"
#include "tests/support/child_process.h"
#include "tests/support/engine_rig.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

// A process questioned while it ran one program, which then starts another by exec
// while the dialog is open: its PID and start time, its identity, stay the same.
class ExecWhileQuestionedTest : public ::testing::Test {
protected:
    ExecWhileQuestionedTest() {
        std::filesystem::copy_file("/bin/sh", questionedPath);
        test::CopySleepBinary(laterPath);
        child = std::make_unique<test::ChildProcess>(
            questionedPath, std::vector<std::string>{"-c", "while [ ! -e '" + go + "' ]; do sleep 0.01; done; exec '" +
                                                               laterPath + "' 60"});
        rig.engine->snapshot().RefreshTaskListNT();
        for (const SnapshotEntry& entry : rig.engine->snapshot().StgLst()) {
            if (entry.id.pid == child->pid()) {
                questioned = entry;
            }
        }
    }

    // Lets the child go on to exec the later program and waits until it runs it.
    bool execLater() {
        test::WriteFileBytes(go, "");
        for (int i = 0; i < 500; ++i) {
            if (platform.executables->runningPath(questioned.id) == laterPath) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    test::TempFolder folder;
    std::string questionedPath = folder.file("questioned-shell");
    std::string laterPath = folder.file("later-program");
    std::string go = folder.file("go");
    PlatformServices platform = MakeLinuxPlatform();
    test::EngineRig rig{platform};
    std::unique_ptr<test::ChildProcess> child;
    SnapshotEntry questioned;
};

TEST_F(ExecWhileQuestionedTest, ContinueAdmitsTheQuestionedFileNotTheProgramExecedSince) {
    ASSERT_EQ(questioned.path, questionedPath);
    EXPECT_EQ(platform.executables->runningPath(questioned.id), questionedPath);
    ASSERT_TRUE(execLater());

    QuestionableDecisions decisions{rig.engine->killer(), rig.engine->log(), rig.engine->admissionReads(), rig.safe,
                                    rig.kill};
    decisions.AdmitCheckedLine(questioned);
    EXPECT_EQ(rig.safe.items(),
              (std::vector<std::string>{SafeListEntry(questionedPath, DigestText(FileDigest(questionedPath)))}));
    EXPECT_FALSE(child->ended());
}

TEST_F(ExecWhileQuestionedTest, DropFromTheCurrentListDigestsTheFileAtThePath) {
    ASSERT_TRUE(execLater());
    // The Current list still shows the path the process ran when it was read.
    EXPECT_EQ(AdmissionDigest(questionedPath, rig.engine->snapshot(), rig.engine->admissionReads()),
              DigestText(FileDigest(questionedPath)));
    ::kill(child->pid(), SIGKILL);
    ASSERT_TRUE(child->waitEnded(5000));
    EXPECT_EQ(platform.executables->runningPath(questioned.id), std::nullopt);
}

// The shell is trusted, the program it starts is not yet judged: the pass that still
// holds the shell's listing must not take the new image for a corrupt shell and end it.
TEST_F(ExecWhileQuestionedTest, APassOverTheOldListingNeitherQuestionsNorEndsTheProcess) {
    rig.safe.add(SafeListEntry(questionedPath, DigestText(FileDigest(questionedPath))));
    rig.preferences.autoKillChecksums = true;
    ASSERT_TRUE(execLater());

    // Every other process of the machine is unknown to these lists: only the child counts.
    rig.engine->verifier().CheckSafeProcessesList();
    for (const auto& [line, entry] : rig.dialog.entries) {
        EXPECT_NE(entry.id, questioned.id) << line;
    }
    EXPECT_FALSE(child->ended());
    EXPECT_EQ(rig.logText().find("corrupt checksum"), std::string::npos);
}

} // namespace
} // namespace korvane
