#include "store/program_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>

#include "store/data_files.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

const InstalledLayout kLayout{"lib/korvane", "share/korvane"};

// An installation under a temporary prefix: the program in <prefix>/lib/korvane/.
class ProgramLayoutTest : public ::testing::Test {
protected:
    ProgramLayoutTest() { std::filesystem::create_directories(folder.path() / "usr/lib/korvane"); }

    test::TempFolder folder;
    std::string programFolder = folder.file("usr/lib/korvane") + "/";
    std::string executable = programFolder + "Korvane";
    std::string dataHome = folder.file("home/.local/share");
};

TEST_F(ProgramLayoutTest, InstalledProgramKeepsDataInTheHomeAndResourcesInTheInstallation) {
    const ProgramLocation location = LocateProgram(executable, kLayout, dataHome);
    EXPECT_EQ(location.executable, executable);
    EXPECT_EQ(location.folder, programFolder); // still the folder exempt from questions
    EXPECT_EQ(location.dataFolder, dataHome + "/korvane/");
    EXPECT_EQ(location.resourceFolder, folder.file("usr/share/korvane") + "/");

    // The executable locked at activation is the installed one, the rest lies in the home.
    const DataFiles files(location.dataFolder, location.folder);
    EXPECT_EQ(files.executable, executable);
    EXPECT_EQ(files.settings, dataHome + "/korvane/Korvane.ini");
    EXPECT_EQ(files.seal, dataHome + "/korvane/system/mpl.lst");
}

TEST_F(ProgramLayoutTest, FolderHoldingItsDataStaysPortableWhereverItIs) {
    const auto expectPortable = [&](const std::string& exe) {
        const ProgramLocation location = LocateProgram(exe, kLayout, dataHome);
        const std::string besideIt = std::filesystem::path(exe).parent_path().string() + "/";
        EXPECT_EQ(location.folder, besideIt) << exe;
        EXPECT_EQ(location.dataFolder, besideIt) << exe;
        EXPECT_EQ(location.resourceFolder, besideIt) << exe;
    };
    // Folders that are not an installation's program folder, whole names compared.
    expectPortable(folder.file("opt/Korvane"));
    expectPortable(folder.file("usr/mylib/korvane/Korvane"));
    expectPortable(folder.file("usr/lib/korvane2/Korvane"));
    // The installation's folder, seeded like a portable one.
    folder.write("usr/lib/korvane/system/KVlog.txt", "");
    expectPortable(executable);
    std::filesystem::remove_all(folder.path() / "usr/lib/korvane/system");
    folder.write("usr/lib/korvane/Korvane.ini", "");
    expectPortable(executable);
    std::filesystem::remove(folder.path() / "usr/lib/korvane/Korvane.ini");
    // Without a home there is nowhere else to keep the data.
    EXPECT_EQ(LocateProgram(executable, kLayout, "").dataFolder, programFolder);
}

TEST_F(ProgramLayoutTest, DataFolderIsCreatedPrivateAndSeededOnce) {
    test::FakeProcessTable processes;
    const std::string data = dataHome + "/korvane/";
    // Made for the user alone, whatever the umask would give others.
    const mode_t umask = ::umask(0022);
    const std::string problem = PrepareUserDataFolder(data, processes);
    ::umask(umask);
    ASSERT_EQ(problem, "");
    struct stat info {};
    ASSERT_EQ(::stat(data.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    const DataFiles files(data);
    for (const std::string* file : {&files.log, &files.safeList, &files.killList, &files.neverKillList, &files.seal,
                                    &files.sealBackup, &files.settings}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(*file)) << *file;
    }

    // Later starts leave the user's data alone.
    test::WriteFileBytes(files.log, "the user's log\r\n");
    std::filesystem::remove(files.settings);
    EXPECT_EQ(PrepareUserDataFolder(data, processes), "");
    EXPECT_EQ(test::ReadFileBytes(files.log), "the user's log\r\n");
    EXPECT_FALSE(std::filesystem::exists(files.settings));
}

TEST_F(ProgramLayoutTest, DataFolderThatCannotBeMadeIsReported) {
    test::FakeProcessTable processes;
    folder.write("home/.local/share", "a file where the folder should be");
    const std::string problem = PrepareUserDataFolder(dataHome + "/korvane/", processes);
    EXPECT_NE(problem.find("cannot create " + dataHome + "/korvane"), std::string::npos) << problem;
}

// Each test runs in a process of its own, so the environment is ours to change.
TEST(UserDataHomeTest, XdgDataHomeWhenAbsoluteElseTheHomeFolder) {
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_DATA_HOME", "/data/someone", 1);
    EXPECT_EQ(UserDataHome(), "/data/someone");
    // A relative value is invalid by the base-directory rules and ignored.
    ::setenv("XDG_DATA_HOME", "data", 1);
    EXPECT_EQ(UserDataHome(), "/home/someone/.local/share");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserDataHome(), "/home/someone/.local/share");
}

} // namespace
} // namespace korvane
