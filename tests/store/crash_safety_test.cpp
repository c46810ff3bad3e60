#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/syscall.h>
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

    // Each of the five data files with its bytes as they are now.
    std::vector<std::pair<std::string, std::string>> filesNow() const {
        std::vector<std::pair<std::string, std::string>> now;
        for (const std::string* file :
             {&files.safeList, &files.killList, &files.neverKillList, &files.seal, &files.sealBackup}) {
            now.emplace_back(*file, test::ReadFileBytes(*file));
        }
        return now;
    }

    // The save shutdown runs, of lists of version 2; 0 when it succeeded.
    std::function<int()> savingVersion2() {
        return [this] {
            store.LoadLists();
            FillVersion(safe, kill, neverKill, 2);
            return store.SaveLists("") ? 0 : 1;
        };
    }
};

// The save that shutdown runs is failed at each of its write steps in turn, in a
// traced child. After every one, every list still loads whole, old or new; a save
// that reports failure before any file was put in place leaves the old files and a
// passing seal.
TEST_F(CrashSafetyTest, FailureAtEveryWriteStepLeavesOldOrNewLists) {
    const auto old = filesNow();
    const auto save = savingVersion2();
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

// The names in the program's folders that are not the data files themselves.
std::vector<std::string> StrayFiles(const DataFiles& files) {
    const std::set<std::string> known = {files.log,  files.safeList,   files.killList, files.neverKillList,
                                         files.seal, files.sealBackup, files.listTemp, files.dataFolder};
    std::vector<std::string> stray;
    for (const std::string& folder : {files.folder, files.dataFolder}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string path = entry.path().string() + (entry.is_directory() ? "/" : "");
            if (!known.contains(path) && path != files.pendingSeal) {
                stray.push_back(path);
            }
        }
    }
    return stray;
}

// The save is cut short at each of its write steps in turn, the saving child killed
// there as by a power cut, some lists renamed into place and others not. The next
// start raises no alarm and leaves no temporary file lying about; a list then really
// changed still raises it.
TEST_F(CrashSafetyTest, CrashAnywhereInASaveIsNoTamperingButTamperingStillIs) {
    const auto old = filesNow();
    const auto save = savingVersion2();
    const test::ForkedRun clean = test::RunWithWriteFault(save, 0);
    if (!clean.traced) {
        GTEST_SKIP() << "this system does not let a test trace its child (ptrace)";
    }
    ASSERT_GT(clean.writeSteps, 20);
    // A list of version 3, enciphered by the program itself, to put in place of one.
    const test::TempFolder elsewhere;
    std::filesystem::create_directory(elsewhere.path() / "system");
    const DataFiles foreign(elsewhere.folder());
    MemoryListPane otherSafe("TextListBox2", true);
    MemoryListPane otherKill("CheckListBox3");
    MemoryListPane otherNeverKill("TextListBox4", true);
    FillVersion(otherSafe, otherKill, otherNeverKill, 3);
    ListFileStore otherLists(elsewhere.folder());
    otherLists.StoreList(otherKill).commit();

    std::set<int> mixed;
    for (int step = 1; step <= clean.writeSteps; ++step) {
        SCOPED_TRACE("crash at write step " + std::to_string(step));
        std::filesystem::remove(files.pendingSeal);
        for (const auto& [file, bytes] : old) {
            test::WriteFileBytes(file, bytes);
        }
        const test::ForkedRun run = test::RunWithWriteFault(save, step, test::WriteFault::Crash);
        ASSERT_TRUE(run.faultHit);
        ASSERT_FALSE(run.exited);
        const Versions after = LoadVersions(folder.folder());
        if (after.safe != after.kill || after.kill != after.neverKill) {
            mixed.insert(step);
        }

        test::NextRun next(files);
        next.store.VerifyDataSeal();
        EXPECT_EQ(next.host.painted, std::vector<std::string>{});
        EXPECT_EQ(next.host.alarms, 0);
        EXPECT_EQ(StrayFiles(files), std::vector<std::string>{});

        test::WriteFileBytes(files.killList, test::ReadFileBytes(foreign.killList));
        test::NextRun tampered(files);
        tampered.store.VerifyDataSeal();
        EXPECT_EQ(tampered.host.painted, std::vector<std::string>{"CheckListBox3"});
    }
    // The crashes did fall between the renames, not only before or after them.
    EXPECT_GE(mixed.size(), 3u);
}

#if defined(__x86_64__)
// A sanitizer's runtime makes system calls of its own, straight from its code: under
// UBSan it probes memory by writing it into a pipe and stops the program when that
// write fails with anything but EFAULT. Only the calls the program makes through the
// C library are write steps.
TEST(FaultInjector, OnlyTheProgramsCallsThroughTheCLibraryAreWriteSteps) {
    const auto work = [] {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0) {
            return 3;
        }
        const char byte = 'x';
        long direct = 0;
        // A write made as sanitizer runtimes make theirs: the system call instruction
        // in the caller's own code.
        asm volatile("syscall"
                     : "=a"(direct)
                     : "a"(static_cast<long>(SYS_write)), "D"(static_cast<long>(pipeEnds[1])), "S"(&byte), "d"(1L)
                     : "rcx", "r11", "memory");
        if (direct != 1) {
            return 1;
        }
        return ::write(pipeEnds[1], &byte, 1) < 0 && errno == EIO ? 0 : 2;
    };
    const test::ForkedRun run = test::RunWithWriteFault(work, 1);
    if (!run.traced) {
        GTEST_SKIP() << "this system does not let a test trace its child (ptrace)";
    }
    EXPECT_TRUE(run.faultHit);
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0);
}
#endif

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
