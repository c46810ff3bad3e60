#include "platform/linux/xdg_autostart.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <glib.h>
#include <gtest/gtest.h>

#include "tests/support/child_process.h"
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

// The arguments a desktop's launcher reads from an entry's Exec: GLib's key-file string,
// split by its shell rules. Field codes are expanded after the split ("%%" is "%").
std::vector<std::string> ExecArguments(const std::string& entryText) {
    GKeyFile* file = g_key_file_new();
    GError* error = nullptr;
    std::vector<std::string> arguments;
    gchar* exec = nullptr;
    gchar** argv = nullptr;
    gint argc = 0;
    if (g_key_file_load_from_data(file, entryText.data(), entryText.size(), G_KEY_FILE_NONE, &error) &&
        (exec = g_key_file_get_string(file, "Desktop Entry", "Exec", &error)) != nullptr &&
        g_shell_parse_argv(exec, &argc, &argv, &error)) {
        arguments.assign(argv, argv + argc);
    }
    if (error != nullptr) {
        ADD_FAILURE() << error->message << "\n" << entryText;
        g_error_free(error);
    }
    g_strfreev(argv);
    g_free(exec);
    g_key_file_free(file);
    return arguments;
}

std::string PercentDoubled(const std::string& path) {
    std::string doubled;
    for (const char c : path) {
        doubled += c;
        if (c == '%') {
            doubled += c;
        }
    }
    return doubled;
}

TEST_F(XdgAutostartTest, ExecReadsBackAsThePathInGLib) {
    for (const std::string path :
         {"/opt/Korvane Guard/Korvane", "/opt/a\"b`c$d/Korvane", "/opt/$(id)/`id`/Korvane", "/opt/back\\slash/Korvane",
          "/opt/100%/Korvane", "/opt/it's/Korvane", "/opt/tab\tline\nfeed\rreturn/Korvane", "/opt/#;=[x]/Korvane"}) {
        EXPECT_EQ(ExecArguments(XdgAutostart::EntryText(path)), std::vector<std::string>{PercentDoubled(path)}) << path;
    }
}

// systemd turns autostart entries into units and drops those it cannot read. It also
// looks the program up, so a unit is made only when the path reads back right.
TEST_F(XdgAutostartTest, SystemdMakesAUnitOfTheEntry) {
    const std::string generator = "/usr/lib/systemd/user-generators/systemd-xdg-autostart-generator";
    if (::access(generator.c_str(), X_OK) != 0) {
        GTEST_SKIP() << "no " << generator;
    }
    const std::string program = folder.file("bin/a \"quoted\" `tick` $HOME/Korvane");
    std::filesystem::create_directories(std::filesystem::path(program).parent_path());
    test::WriteFileBytes(program, "#!/bin/sh\n");
    std::filesystem::permissions(program, std::filesystem::perms(0755));
    autostart.setAutoStart(program, true);

    const std::string units = folder.file("units");
    std::filesystem::create_directories(units);
    test::ChildProcess run(
        generator, {units, units, units},
        {"XDG_CONFIG_DIRS=" + folder.file("etc/xdg"), "XDG_CONFIG_HOME=" + folder.file("home/.config")});
    ASSERT_TRUE(run.waitEnded(30000));
    EXPECT_EQ(run.exitCode(), 0);
    std::vector<std::string> made;
    for (const auto& file : std::filesystem::directory_iterator(units)) {
        if (file.path().extension() == ".service") {
            made.push_back(ReadFileBytes(file.path().string()));
        }
    }
    ASSERT_EQ(made.size(), 1u);
    const std::string entry = machine + "/" + XdgAutostart::EntryFileName(program);
    EXPECT_NE(made[0].find("\nSourcePath=" + entry + "\n"), std::string::npos) << made[0];
    EXPECT_NE(made[0].find("\nExecStart="), std::string::npos) << made[0];
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
