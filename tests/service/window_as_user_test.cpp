#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>

#include <unistd.h>

#include "engine/memory_list_pane.h"
#include "store/data_files.h"
#include "store/data_save.h"
#include "store/list_file_store.h"
#include "store/settings_codec.h"
#include "tests/service/guard_test_support.h"
#include "tests/support/first_activation.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

// Polls `done` every 100 ms for up to `limit`; its last answer.
bool WaitUntil(std::chrono::milliseconds limit, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        ::usleep(100 * 1000);
    }
    return true;
}

void GiveToNobody(const fs::path& root) {
    ::chown(root.c_str(), test::kNobody, test::kNobody);
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        ::chown(entry.path().c_str(), test::kNobody, test::kNobody);
    }
}

// The real window, run as "nobody" in the service's group, with the real service as
// root, on a portable folder whose Kill list is given.
class WindowAsUser : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root to run the service and the window as another user";
        }
        fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        service = std::make_unique<test::GuardService>(socket);
        ASSERT_TRUE(service->up());
        // Root's programs, in a folder only root may write.
        fs::create_directories(folder.path() / "root");
    }

    // Starts the window once its folder holds `killList`; true at its first activation.
    bool startWindow(const std::vector<std::string>& killList) {
        fs::create_directories(folder.path() / "portable");
        fs::copy_file(KORVANE_EXECUTABLE, files.executable);
        test::ChildProcess seeding(KORVANE_SEED, {files.folder});
        if (!seeding.waitEnded(30000) || seeding.exitCode() != 0) {
            return false;
        }
        MemoryListPane safe("TextListBox2", true, {});
        MemoryListPane kill("CheckListBox3", false, killList);
        MemoryListPane neverKill("TextListBox4", true, {"   pw"});
        ListFileStore lists(files.folder);
        SaveDataFiles(lists, files, {safe, kill, neverKill});
        test::WriteFileBytes(files.settings,
                             EncodeSettingsText("[Form1]\r\nEdit1.Text=1000\r\nCheckBox7.Checked=FALSE\r\n"));
        for (const char* own : {"run", "config"}) {
            fs::create_directories(folder.path() / own);
            fs::permissions(folder.path() / own, fs::perms::owner_all);
        }
        GiveToNobody(folder.path() / "portable");
        GiveToNobody(folder.path() / "run");
        GiveToNobody(folder.path() / "config");

        const auto command = test::AsNobody({files.executable}, test::kGuardGroupId);
        window = std::make_unique<test::ChildProcess>(
            command.front(), std::vector<std::string>(command.begin() + 1, command.end()),
            std::vector<std::string>{"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + folder.file("run"),
                                     "XDG_CONFIG_HOME=" + folder.file("config"), "KORVANE_GUARD_SOCKET=" + socket});
        return test::WaitForFirstActivation(*window, files.seal);
    }

    // Ends the window as the session's end would; its log is written by then.
    std::string closeWindowAndReadLog() {
        EXPECT_EQ(::kill(window->pid(), SIGTERM), 0);
        EXPECT_TRUE(window->waitEnded(30000));
        return test::ReadFileBytes(files.log);
    }

    test::TempFolder folder;
    std::string socket = folder.file("guard.sock");
    std::unique_ptr<test::GuardService> service;
    DataFiles files{folder.folder() + "portable/"};
    std::unique_ptr<test::ChildProcess> window;
};

// A Kill-listed program that root starts is ended, which the window alone could
// neither see nor do.
TEST_F(WindowAsUser, WithTheServiceEndsAKillListedProgramRootStarted) {
    // Listed by its name alone, which no mark can follow: the kill after the start is
    // what ends it.
    const std::string evil = folder.file("root/evil");
    test::CopySleepBinary(evil);
    ASSERT_TRUE(startWindow({"evil"})) << "the window did not reach its first activation";

    test::ChildProcess program(evil, {"60"});
    EXPECT_TRUE(program.waitEnded(10000)) << "the Kill-listed program of root lives on";
    EXPECT_EQ(program.exitCode(), -1);
    EXPECT_NE(closeWindowAndReadLog().find(evil), std::string::npos);
}

// The service refuses root's start of a program the user's window Kill-lists, before
// any of it runs, and the window logs the refusal as a kill.
TEST_F(WindowAsUser, WithTheServiceAKillListedProgramRootStartsNeverRuns) {
    const std::string writer = folder.file("root/marker_writer");
    test::CopyMarkerWriter(writer);
    ASSERT_TRUE(startWindow({writer})) << "the window did not reach its first activation";

    // The window sends its Kill set on its first ticks: wait for the first refusal.
    const std::string probe = folder.file("root/probe");
    ASSERT_TRUE(WaitUntil(std::chrono::seconds(15), [&] {
        fs::remove(probe);
        return test::RunToEnd(writer, {probe}).execError == EPERM;
    })) << "the service never came to refuse the Kill-listed program";
    const std::string marker = folder.file("root/marker");
    for (int run = 0; run < 20; ++run) {
        EXPECT_EQ(test::RunToEnd(writer, {marker}).execError, EPERM) << "run " << run;
    }
    EXPECT_FALSE(fs::exists(marker)) << "the Kill-listed program ran";

    // The refusals reach the window's log only through the service's reports.
    const std::string entry = writer + "  Terminated, found in Kill Processes list.";
    WaitUntil(std::chrono::seconds(10),
              [&] { return test::ReadFileBytes(files.log).find(entry) != std::string::npos; });
    EXPECT_NE(closeWindowAndReadLog().find(entry), std::string::npos);
}

} // namespace
} // namespace korvane
