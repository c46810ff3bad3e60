#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/memory_list_pane.h"
#include "engine/text_lines.h"
#include "store/data_files.h"
#include "store/data_save.h"
#include "store/data_seal.h"
#include "store/encryption.h"
#include "store/settings_codec.h"
#include "tests/support/child_process.h"
#include "tests/support/first_activation.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::ReadFileBytes;

ino_t Inode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// The real program, copied into a portable folder of its own and seeded by the real
// seeding tool; it runs headless with its instance lock and autostart folders in the
// temporary folder.
class EndToEndTest : public ::testing::Test {
protected:
    EndToEndTest() {
        std::filesystem::create_directories(folder.path() / "portable");
        std::filesystem::create_directories(folder.path() / "run");
        std::filesystem::permissions(folder.path() / "run", std::filesystem::perms::owner_all);
        std::filesystem::copy_file(KORVANE_EXECUTABLE, files.executable);
    }

    int seed() {
        test::ChildProcess seeding(KORVANE_SEED, {files.folder});
        EXPECT_TRUE(seeding.waitEnded(30000));
        return seeding.exitCode();
    }
    std::unique_ptr<test::ChildProcess> launch() {
        return std::make_unique<test::ChildProcess>(files.executable, std::vector<std::string>{},
                                                    std::vector<std::string>{"QT_QPA_PLATFORM=offscreen",
                                                                             "XDG_RUNTIME_DIR=" + folder.file("run"),
                                                                             "XDG_CONFIG_HOME=" + folder.file("config"),
                                                                             "XDG_CONFIG_DIRS=" + folder.file("xdg")});
    }
    std::unique_ptr<test::ChildProcess> start() {
        std::unique_ptr<test::ChildProcess> korvane = launch();
        EXPECT_TRUE(test::WaitForFirstActivation(*korvane, files.seal)) << "Korvane did not reach its first activation";
        return korvane;
    }
    void terminate(test::ChildProcess& korvane) {
        ASSERT_EQ(::kill(korvane.pid(), SIGTERM), 0);
        ASSERT_TRUE(korvane.waitEnded(30000));
        EXPECT_EQ(korvane.exitCode(), 0);
    }
    std::vector<std::string> storedLines(const std::string& listFile) {
        const std::string plain = folder.file("plain");
        TEncryption().CDecryptBtnClick("Xq4&Lm9!vR2#tB%h8=", listFile, plain);
        const std::string text = ReadFileBytes(plain);
        const std::vector<std::string_view> lines = SplitLines(text);
        return {lines.begin(), lines.end()};
    }

    test::TempFolder folder;
    DataFiles files{folder.folder() + "portable/"};
};

TEST_F(EndToEndTest, SeededProgramSavesAtSigtermAndStartsCleanAgain) {
    ASSERT_EQ(seed(), 0);
    EXPECT_EQ(seed(), 1); // never over existing data
    // The user's lists, with a lock password, as an earlier run left them.
    MemoryListPane safe("TextListBox2", true, {"/usr/bin/zsh     [00000000000000000000000000000000]"});
    MemoryListPane kill("CheckListBox3", false, {"/opt/evil", "worm.exe"});
    MemoryListPane neverKill("TextListBox4", true, {"   pw", "/usr/lib/systemd/systemd"});
    ListFileStore lists(files.folder);
    SaveDataFiles(lists, files, {safe, kill, neverKill});
    const ino_t before = Inode(files.safeList);

    std::unique_ptr<test::ChildProcess> korvane = start();
    terminate(*korvane);
    EXPECT_NE(Inode(files.safeList), before); // written anew at the end of the run
    EXPECT_EQ(storedLines(files.safeList), safe.items());
    EXPECT_EQ(storedLines(files.killList), kill.items());
    EXPECT_EQ(storedLines(files.neverKillList), neverKill.items());
    EXPECT_TRUE(CheckDataSeal(files).passed());
    EXPECT_EQ(ReadFileBytes(files.log), "");
    // The settings were saved on the way out, with the committed interval.
    EXPECT_NE(DecodeSettingsText(ReadFileBytes(files.settings)).find("Edit1.Text=1000\r\n"), std::string::npos);

    korvane = start();
    terminate(*korvane);
    EXPECT_EQ(ReadFileBytes(files.log), ""); // the second start's seal check passed
    EXPECT_EQ(storedLines(files.neverKillList), neverKill.items());
    EXPECT_TRUE(CheckDataSeal(files).passed());
}

// A second instance, showing its one-instance message, still ends when told to, and
// touches nothing of the first one's.
TEST_F(EndToEndTest, SecondInstanceEndsAtSigtermWithoutSaving) {
    ASSERT_EQ(seed(), 0);
    std::unique_ptr<test::ChildProcess> first = start();
    const ino_t seal = Inode(files.seal);
    std::unique_ptr<test::ChildProcess> second = launch();
    std::this_thread::sleep_for(std::chrono::seconds(1)); // into its message
    ASSERT_EQ(::kill(second->pid(), SIGTERM), 0);
    EXPECT_TRUE(second->waitEnded(10000));
    EXPECT_EQ(Inode(files.seal), seal);
    EXPECT_FALSE(first->ended());
    terminate(*first);
    EXPECT_NE(Inode(files.seal), seal);
}

TEST_F(EndToEndTest, TamperingBetweenRunsIsLogged) {
    ASSERT_EQ(seed(), 0);
    std::string killBytes = ReadFileBytes(files.killList);
    killBytes += "x";
    test::WriteFileBytes(files.killList, killBytes);
    std::unique_ptr<test::ChildProcess> korvane = start();
    terminate(*korvane);
    const std::string log = ReadFileBytes(files.log);
    EXPECT_NE(log.find(files.killList + "  There is an indication that this Korvane data file has been tampered with."),
              std::string::npos)
        << log;
    // The shutdown sealed what the user saw: the next start is clean.
    EXPECT_TRUE(CheckDataSeal(files).passed());
}

} // namespace
} // namespace korvane
