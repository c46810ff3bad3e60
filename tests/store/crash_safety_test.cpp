#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "engine/file_error.h"
#include "store/data_seal.h"
#include "tests/store/store_fixture.h"
#include "tests/support/fault_injector.h"

namespace korvane {
namespace {

using test::MemoryListPane;

// Every list of one save carries that save's version in each entry, and as many
// entries as the version says, so a list made of two saves, or cut short, shows.
void FillVersion(ListPane& safe, ListPane& kill, ListPane& neverKill, int version) {
    for (ListPane* pane : {&safe, &kill, &neverKill}) {
        pane->clear();
        for (int i = 0; i < 40 + version % 7 * 25; ++i) {
            pane->add("/opt/v" + std::to_string(version) + "/" + pane->name() + "/program" + std::to_string(i) +
                      "     [0123456789ABCDEF0123456789ABCDEF]");
        }
    }
}

// The version of a whole list; -1 when the list did not load or mixes versions.
int VersionOf(ListPane& pane, ListFileStore& lists) {
    if (lists.LoadList(pane) != ListLoad::Loaded || pane.count() == 0) {
        return -1;
    }
    const std::string first = pane.item(0);
    const int version = std::stoi(first.substr(first.find("/v") + 2));
    const std::string tag = "/opt/v" + std::to_string(version) + "/";
    if (pane.count() != static_cast<std::size_t>(40 + version % 7 * 25)) {
        return -1;
    }
    for (std::size_t i = 0; i < pane.count(); ++i) {
        if (!pane.item(i).starts_with(tag)) {
            return -1;
        }
    }
    return version;
}

struct Versions {
    int safe;
    int kill;
    int neverKill;
};

Versions LoadVersions(const std::string& folder) {
    ListFileStore lists(folder);
    MemoryListPane safe("TextListBox2", true);
    MemoryListPane kill("CheckListBox3");
    MemoryListPane neverKill("TextListBox4", true);
    return {VersionOf(safe, lists), VersionOf(kill, lists), VersionOf(neverKill, lists)};
}

class CrashSafetyTest : public test::StoreFixture {
protected:
    CrashSafetyTest() {
        FillVersion(safe, kill, neverKill, 1);
        saveAsShutdown();
    }
};

// The save that shutdown runs is failed at each of its write steps in turn, in a
// traced child. After every one, every list still loads whole, old or new; a save
// that reports failure before any file was put in place leaves the old files and a
// passing seal.
TEST_F(CrashSafetyTest, FailureAtEveryWriteStepLeavesOldOrNewLists) {
    std::vector<std::pair<std::string, std::string>> old;
    for (const std::string* file :
         {&files.safeList, &files.killList, &files.neverKillList, &files.seal, &files.sealBackup}) {
        old.emplace_back(*file, test::ReadFileBytes(*file));
    }
    const auto save = [this] {
        store.LoadLists();
        FillVersion(safe, kill, neverKill, 2);
        return store.SaveLists("") ? 0 : 1;
    };
    const test::ForkedRun clean = test::RunWithWriteFault(save, 0);
    if (!clean.traced) {
        GTEST_SKIP() << "this system does not let a test trace its child (ptrace)";
    }
    ASSERT_TRUE(clean.exited);
    ASSERT_EQ(clean.exitCode, 0);
    const Versions saved = LoadVersions(folder.folder());
    EXPECT_EQ(saved.safe + saved.kill + saved.neverKill, 6);
    EXPECT_TRUE(CheckDataSeal(files).passed());
    ASSERT_GT(clean.writeSteps, 20);

    std::set<int> failedSteps;
    for (int step = 1; step <= clean.writeSteps; ++step) {
        SCOPED_TRACE("write step " + std::to_string(step));
        for (const auto& [file, bytes] : old) {
            test::WriteFileBytes(file, bytes);
        }
        const test::ForkedRun run = test::RunWithWriteFault(save, step);
        ASSERT_TRUE(run.faultHit);
        ASSERT_TRUE(run.exited);
        const Versions after = LoadVersions(folder.folder());
        for (const int version : {after.safe, after.kill, after.neverKill}) {
            EXPECT_TRUE(version == 1 || version == 2) << version;
        }
        if (run.exitCode != 0) {
            failedSteps.insert(step);
            if (after.safe == 1 && after.kill == 1 && after.neverKill == 1) {
                EXPECT_TRUE(CheckDataSeal(files).passed());
            }
        }
    }
    // Most steps are fatal to the save; none of them may be lost on the way.
    EXPECT_GT(failedSteps.size(), static_cast<std::size_t>(clean.writeSteps) / 2);
}

// A child that saves over and over is killed at a different moment each round; every
// list still loads whole.
TEST_F(CrashSafetyTest, KilledMidSaveLeavesWholeLists) {
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int version = 2;; ++version) {
                FillVersion(safe, kill, neverKill, version);
                try {
                    saveAsShutdown();
                } catch (const FileError&) {
                    ::_exit(1);
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3 + round * 7 % 41));
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child stopped on its own";
        const Versions after = LoadVersions(folder.folder());
        EXPECT_GT(after.safe, 0);
        EXPECT_GT(after.kill, 0);
        EXPECT_GT(after.neverKill, 0);
    }
}

} // namespace
} // namespace korvane
