#include "store/seed_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <optional>

#include <unistd.h>

#include "engine/activity_log.h"
#include "platform/linux/linux_process_table.h"
#include "store/data_seal.h"
#include "store/data_store.h"
#include "store/settings_codec.h"
#include "tests/store/store_fixture.h"
#include "tests/support/child_process.h"

namespace korvane {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

TEST(CoreExecutables, RunningCoreProgramsAndExistingWellKnownPaths) {
    const test::TempFolder folder;
    const std::string shell = folder.file("gnome-shell");
    WriteFileBytes(shell, "");
    std::filesystem::create_symlink(shell, folder.file("shell-link"));
    const std::vector<ProcessRecord> running = {{{1, 1}, "/usr/lib/systemd/systemd"},
                                                {{2, 2}, "/usr/bin/dbus-daemon"},
                                                {{3, 3}, "/usr/bin/bash"},
                                                {{4, 4}, "/usr/lib/systemd/systemd"},
                                                {{5, 5}, "Xorg"}};
    // "/sbin/init" is a link to the real systemd; the files in the temporary folder are
    // no system programs, whoever owns them.
    EXPECT_EQ(CoreExecutables(running,
                              {folder.file("missing/Xorg"), folder.file("shell-link"), folder.folder(), "/sbin/init"}),
              (std::vector<std::string>{"/usr/bin/dbus-daemon", "/usr/lib/systemd/systemd"}));
}

// A program that anybody could have put where it runs is never exempted for its name:
// a copy named "Xorg" running from a user's folder, and one in a folder owned by root
// but open to all, are passed over; the same name in root's own folders is not.
TEST(CoreExecutables, OnlyRootOwnedProgramsInRootsOwnFolders) {
    const test::TempFolder folder;
    const std::string usersCopy = folder.file("x/Xorg");
    const std::string openFolderCopy = folder.file("open/Xorg");
    std::filesystem::create_directories(folder.path() / "x");
    std::filesystem::create_directories(folder.path() / "open");
    test::CopySleepBinary(usersCopy);
    test::CopySleepBinary(openFolderCopy);
    std::filesystem::permissions(folder.path() / "open", std::filesystem::perms::all);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(usersCopy.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown((folder.path() / "x").c_str(), 65534, 65534), 0);
    }
    const test::ChildProcess user(usersCopy, {"30"});
    const test::ChildProcess open(openFolderCopy, {"30"});
    LinuxProcessTable processes;
    const std::optional<std::vector<ProcessRecord>> running = processes.enumerate();
    ASSERT_TRUE(running);
    const auto runs = [&](const std::string& path) {
        return std::any_of(running->begin(), running->end(),
                           [&](const ProcessRecord& process) { return process.path == path; });
    };
    ASSERT_TRUE(runs(usersCopy));
    ASSERT_TRUE(runs(openFolderCopy));
    const std::vector<std::string> core = CoreExecutables(*running, {usersCopy, openFolderCopy});
    EXPECT_EQ(std::count(core.begin(), core.end(), usersCopy), 0);
    EXPECT_EQ(std::count(core.begin(), core.end(), openFolderCopy), 0);
    EXPECT_EQ(CoreExecutables({{{7, 7}, "/usr/lib/systemd/systemd"}}, {}),
              std::vector<std::string>{"/usr/lib/systemd/systemd"});
}

class SeedFolderTest : public ::testing::Test {
protected:
    test::TempFolder folder;
    DataFiles files{folder.folder() + "portable/"};
};

// A seeded folder starts like one left by a clean shutdown: the seal passes and the
// lists load, the Never Kill list with its password line taken out.
TEST_F(SeedFolderTest, SeededFolderPassesTheSealAndLoads) {
    SeedFolder(files.folder, {"/usr/bin/dbus-daemon", "/usr/lib/systemd/systemd"});
    EXPECT_EQ(ReadFileBytes(files.log), "");
    EXPECT_TRUE(CheckDataSeal(files).passed());

    test::MemoryListPane safe("TextListBox2", true);
    test::MemoryListPane kill("CheckListBox3");
    test::MemoryListPane neverKill("TextListBox4", true);
    test::FakeClock clock;
    test::FakeWatchHost window;
    ActivityLog log(files.log, clock, window);
    test::FakeFileLocker locker;
    test::FakeStoreHost host;
    DataStore store(files.folder, {safe, kill, neverKill}, log, locker, host);
    store.VerifyDataSeal();
    EXPECT_TRUE(host.painted.empty());
    EXPECT_EQ(store.LoadLists(), "");
    EXPECT_EQ(safe.count(), 0u);
    EXPECT_EQ(kill.count(), 0u);
    EXPECT_EQ(neverKill.items(), (std::vector<std::string>{"/usr/bin/dbus-daemon", "/usr/lib/systemd/systemd"}));
    EXPECT_EQ(ReadFileBytes(files.log), "");

    const std::string settings = DecodeSettingsText(ReadFileBytes(files.settings));
    EXPECT_EQ(settings.substr(0, 9), "[Form1]\r\n");
    for (const char* line :
         {"Edit1.Text=1000\r\n", "ParmEdit.Text=000000000000000000000000000\r\n", "CheckBox7.Checked=TRUE\r\n",
          "CheckBox1.Checked=FALSE\r\n", "CheckBox3.Checked=FALSE\r\n"}) {
        EXPECT_NE(settings.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(settings.find("=TRUE"), settings.find("CheckBox7.Checked=TRUE") + 17);
}

TEST_F(SeedFolderTest, RefusesAFolderHoldingAnyDataFile) {
    for (const std::string* existing : {&files.log, &files.safeList, &files.killList, &files.neverKillList, &files.seal,
                                        &files.sealBackup, &files.settings}) {
        SCOPED_TRACE(*existing);
        std::filesystem::remove_all(files.folder);
        std::filesystem::create_directories(files.dataFolder);
        WriteFileBytes(*existing, "mine");
        try {
            SeedFolder(files.folder, {});
            ADD_FAILURE() << "not refused";
        } catch (const SeedRefused& refusal) {
            EXPECT_NE(std::string(refusal.what()).find(*existing), std::string::npos);
        }
        EXPECT_EQ(ReadFileBytes(*existing), "mine");
        EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(files.folder), {}), 2);
    }
}

// Seeding under a Korvane that started unseeded would be undone when it ends: it
// saves the empty lists it has over the seeded ones.
TEST_F(SeedFolderTest, RefusesWhileTheFoldersProgramRuns) {
    std::filesystem::create_directories(files.folder);
    test::CopySleepBinary(files.executable);
    test::ChildProcess running(files.executable, {"60"});
    LinuxProcessTable processes;
    EXPECT_THROW(SeedFolderForThisMachine(files.folder, processes), SeedRefused);
    EXPECT_FALSE(std::filesystem::exists(files.dataFolder));

    ::kill(running.pid(), SIGKILL);
    ASSERT_TRUE(running.waitEnded(5000));
    EXPECT_NO_THROW(SeedFolderForThisMachine(files.folder, processes));
    EXPECT_TRUE(CheckDataSeal(files).passed());
}

} // namespace
} // namespace korvane
