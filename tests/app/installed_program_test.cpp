#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>

#include <sys/stat.h>

#include "store/data_files.h"
#include "store/settings_codec.h"
#include "tests/support/child_process.h"
#include "tests/support/first_activation.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::ReadFileBytes;

// The real program laid out as the package installs it, under a temporary prefix:
// <prefix>/lib/korvane/Korvane, its sounds and help in <prefix>/share/korvane/, and a
// home of its own for the user's data and autostart entries.
class InstalledProgramTest : public ::testing::Test {
protected:
    InstalledProgramTest() {
        const std::filesystem::path built = std::filesystem::path(KORVANE_EXECUTABLE).parent_path();
        std::filesystem::create_directories(folder.path() / "usr/lib/korvane");
        std::filesystem::create_directories(folder.path() / "usr/share/korvane");
        std::filesystem::create_directories(folder.path() / "xdg/autostart");
        std::filesystem::create_directories(folder.path() / "run");
        std::filesystem::permissions(folder.path() / "run", std::filesystem::perms::owner_all);
        std::filesystem::copy_file(KORVANE_EXECUTABLE, executable);
        for (const char* resource : {"Alarm1.wav", "Alarm2.wav", "KVhelp.chm"}) {
            std::filesystem::copy_file(built / resource, folder.path() / "usr/share/korvane" / resource);
        }
    }

    std::unique_ptr<test::ChildProcess> start() {
        auto korvane = std::make_unique<test::ChildProcess>(
            executable, std::vector<std::string>{},
            std::vector<std::string>{
                "QT_QPA_PLATFORM=offscreen", "HOME=" + folder.file("home"), "XDG_DATA_HOME=" + folder.file("home/data"),
                "XDG_RUNTIME_DIR=" + folder.file("run"), "XDG_CONFIG_HOME=" + folder.file("home/config"),
                "XDG_CONFIG_DIRS=" + folder.file("xdg")});
        EXPECT_TRUE(test::WaitForFirstActivation(*korvane, files.seal)) << "Korvane did not reach its first activation";
        return korvane;
    }
    void terminate(test::ChildProcess& korvane) {
        ASSERT_EQ(::kill(korvane.pid(), SIGTERM), 0);
        ASSERT_TRUE(korvane.waitEnded(30000));
        EXPECT_EQ(korvane.exitCode(), 0);
    }

    test::TempFolder folder;
    std::string executable = folder.file("usr/lib/korvane/Korvane");
    std::string dataFolder = folder.file("home/data/korvane") + "/";
    DataFiles files{dataFolder, folder.file("usr/lib/korvane") + "/"};
};

TEST_F(InstalledProgramTest, FirstStartSeedsAPrivateFolderInTheHomeAndLaterStartsKeepIt) {
    std::unique_ptr<test::ChildProcess> korvane = start();
    // The seal it made at the first start passed its own check: the log is empty.
    EXPECT_EQ(ReadFileBytes(files.log), "");
    struct stat info {};
    ASSERT_EQ(::stat(dataFolder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    terminate(*korvane);
    EXPECT_NE(DecodeSettingsText(ReadFileBytes(files.settings)).find("Edit1.Text=1000\r\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_regular_file(files.sealBackup));
    // The program's folder holds nothing but the program: it is exempt from questions.
    std::vector<std::string> beside;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path() / "usr/lib/korvane")) {
        beside.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(beside, std::vector<std::string>{"Korvane"});

    korvane = start();
    terminate(*korvane);
    EXPECT_EQ(ReadFileBytes(files.log), "");
}

TEST_F(InstalledProgramTest, StartupRegistrationStartsTheCommandFromTheUsersAutostartFolder) {
    std::unique_ptr<test::ChildProcess> korvane = start();
    terminate(*korvane);
    // "Run at Windows startup" ticked in the settings is applied at the next start.
    std::string settings = DecodeSettingsText(ReadFileBytes(files.settings));
    const std::string unticked = "CheckBox3.Checked=FALSE";
    ASSERT_NE(settings.find(unticked), std::string::npos);
    settings.replace(settings.find(unticked), unticked.size(), "CheckBox3.Checked=TRUE");
    test::WriteFileBytes(files.settings, EncodeSettingsText(settings));

    korvane = start();
    terminate(*korvane);
    EXPECT_EQ(ReadFileBytes(folder.file("home/config/autostart/korvane.desktop")),
              "[Desktop Entry]\nType=Application\nName=Korvane\nExec=korvane\nTerminal=false\n");
    // Never machine-wide, even where that folder is writable.
    EXPECT_TRUE(std::filesystem::is_empty(folder.path() / "xdg/autostart"));
}

// A copy of the installed folder that holds its own data is portable: nothing goes home.
TEST_F(InstalledProgramTest, InstalledFolderHoldingItsDataStaysPortable) {
    test::ChildProcess seeding(KORVANE_SEED, {folder.file("usr/lib/korvane")});
    ASSERT_TRUE(seeding.waitEnded(30000));
    ASSERT_EQ(seeding.exitCode(), 0);
    files = DataFiles(folder.file("usr/lib/korvane") + "/");
    std::unique_ptr<test::ChildProcess> korvane = start();
    terminate(*korvane);
    EXPECT_EQ(ReadFileBytes(files.log), "");
    EXPECT_FALSE(std::filesystem::exists(dataFolder));
}

} // namespace
} // namespace korvane
