#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <unistd.h>

#include "engine/memory_list_pane.h"
#include "store/data_files.h"
#include "store/data_save.h"
#include "store/list_file_store.h"
#include "store/settings_codec.h"
#include "tests/service/guard_test_support.h"
#include "tests/support/first_activation.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

void GiveToNobody(const fs::path& root) {
    ::chown(root.c_str(), test::kNobody, test::kNobody);
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        ::chown(entry.path().c_str(), test::kNobody, test::kNobody);
    }
}

// The real window, run as "nobody" in the service's group, with the real service as
// root: a Kill-listed program that root starts is ended, which the window alone could
// neither see nor do.
TEST(WindowAsUser, WithTheServiceEndsAKillListedProgramRootStarted) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run the service and the window as another user";
    }
    test::TempFolder folder;
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const std::string socket = folder.file("guard.sock");
    test::GuardService service(socket);
    ASSERT_TRUE(service.up());

    // Root's program, in a folder only root may write.
    fs::create_directories(folder.path() / "root");
    const std::string evil = folder.file("root/evil");
    test::CopySleepBinary(evil);

    fs::create_directories(folder.path() / "portable");
    DataFiles files(folder.folder() + "portable/");
    fs::copy_file(KORVANE_EXECUTABLE, files.executable);
    test::ChildProcess seeding(KORVANE_SEED, {files.folder});
    ASSERT_TRUE(seeding.waitEnded(30000));
    ASSERT_EQ(seeding.exitCode(), 0);
    MemoryListPane safe("TextListBox2", true, {});
    MemoryListPane kill("CheckListBox3", false, {evil});
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
    test::ChildProcess window(command.front(), std::vector<std::string>(command.begin() + 1, command.end()),
                              {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + folder.file("run"),
                               "XDG_CONFIG_HOME=" + folder.file("config"), "KORVANE_GUARD_SOCKET=" + socket});
    ASSERT_TRUE(test::WaitForFirstActivation(window, files.seal)) << "the window did not reach its first activation";

    test::ChildProcess program(evil, {"60"});
    EXPECT_TRUE(program.waitEnded(10000)) << "the Kill-listed program of root lives on";
    EXPECT_EQ(program.exitCode(), -1);

    ASSERT_EQ(::kill(window.pid(), SIGTERM), 0);
    EXPECT_TRUE(window.waitEnded(30000));
    EXPECT_NE(test::ReadFileBytes(files.log).find(evil), std::string::npos);
}

} // namespace
} // namespace korvane
