#include "platform/linux/xdg_autostart.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <unistd.h>

#include "tests/support/restricted_user.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::ReadFileBytes;

class XdgAutostartTest : public ::testing::Test {
protected:
    XdgAutostartTest() { std::filesystem::create_directories(machine); }

    std::string entryIn(const std::string& folder) const {
        return folder + "/" + XdgAutostart::EntryFileName(executable);
    }

    test::TempFolder folder;
    std::string machine = folder.file("etc/xdg/autostart");
    std::string user = folder.file("home/.config/autostart");
    std::string executable = "/opt/Korvane Guard/Korvane";
    XdgAutostart autostart{machine, user};
};

TEST_F(XdgAutostartTest, EntryGoesMachineWideAndComesOffAgain) {
    test::WriteFileBytes(machine + "/other.desktop", "[Desktop Entry]\n");
    autostart.setAutoStart(executable, true);
    EXPECT_EQ(ReadFileBytes(entryIn(machine)), "[Desktop Entry]\nType=Application\nName=Korvane\n"
                                               "Exec=\"/opt/Korvane Guard/Korvane\"\nTerminal=false\n");
    EXPECT_FALSE(std::filesystem::exists(user));

    autostart.setAutoStart(executable, false);
    EXPECT_FALSE(std::filesystem::exists(entryIn(machine)));
    EXPECT_TRUE(std::filesystem::exists(machine + "/other.desktop"));
    // Removing what is not there is no error.
    autostart.setAutoStart(executable, false);
}

TEST_F(XdgAutostartTest, UserFolderWhenTheMachineFolderIsNotWritable) {
    XdgAutostart noMachineFolder(folder.file("missing/autostart"), user);
    noMachineFolder.setAutoStart(executable, true);
    EXPECT_TRUE(std::filesystem::exists(entryIn(user)));

    // The restricted user makes its own folder, as a first use would.
    std::filesystem::remove_all(folder.file("home/.config"));
    for (const std::string& path : {folder.folder(), folder.file("home")}) {
        ASSERT_EQ(::chown(path.c_str(), test::AsRestrictedUser::uid(), -1), 0);
    }
    std::filesystem::permissions(machine, std::filesystem::perms(0555));
    {
        const test::AsRestrictedUser restricted;
        autostart.setAutoStart(executable, true);
    }
    EXPECT_FALSE(std::filesystem::exists(entryIn(machine)));
    EXPECT_TRUE(std::filesystem::exists(entryIn(user)));
    {
        const test::AsRestrictedUser restricted;
        autostart.setAutoStart(executable, false);
    }
    EXPECT_FALSE(std::filesystem::exists(entryIn(user)));
}

TEST_F(XdgAutostartTest, NamesAreReadableAndDifferPerPath) {
    EXPECT_EQ(XdgAutostart::EntryFileName("/opt/korvane/Korvane").substr(0, 28), "korvane-opt-korvane-Korvane-");
    EXPECT_NE(XdgAutostart::EntryFileName("/opt/a-b/Korvane"), XdgAutostart::EntryFileName("/opt/a/b/Korvane"));
    EXPECT_LE(XdgAutostart::EntryFileName("/" + std::string(300, 'x')).size(), 90u);
}

// Desktop Entry quoting: '"', '`', '$' and '\' escaped inside the quotes, the backslash
// once more for the string escapes, '%' doubled.
TEST_F(XdgAutostartTest, ExecIsQuoted) {
    const std::string text = XdgAutostart::EntryText("/opt/a\"b`c$d\\e%f/Korvane");
    EXPECT_NE(text.find("\nExec=\"/opt/a\\\"b\\`c\\$d\\\\\\\\e%%f/Korvane\"\n"), std::string::npos) << text;
}

// An installed program is started by its command, whatever the path it runs from, and
// only for the user, even where the machine-wide folder is writable. (Each test runs in a
// process of its own: the environment is ours to change.)
TEST_F(XdgAutostartTest, InstalledCommandGoesIntoTheUsersFolderByName) {
    ::setenv("XDG_CONFIG_DIRS", folder.file("etc/xdg").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", folder.file("home/.config").c_str(), 1);
    XdgAutostart installed = XdgAutostart::ForInstalledCommand("korvane");
    installed.setAutoStart("/usr/lib/korvane/Korvane", true);
    EXPECT_EQ(ReadFileBytes(user + "/korvane.desktop"),
              "[Desktop Entry]\nType=Application\nName=Korvane\nExec=korvane\nTerminal=false\n");
    EXPECT_TRUE(std::filesystem::is_empty(machine));
    installed.setAutoStart("/usr/lib/korvane/Korvane", false);
    EXPECT_FALSE(std::filesystem::exists(user + "/korvane.desktop"));
}

TEST_F(XdgAutostartTest, FailuresAreSilent) {
    XdgAutostart nowhere("", "");
    EXPECT_NO_THROW(nowhere.setAutoStart(executable, true));
    EXPECT_NO_THROW(nowhere.setAutoStart(executable, false));
}

} // namespace
} // namespace korvane
