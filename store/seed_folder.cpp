#include "store/seed_folder.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <string_view>

#include <sys/stat.h>

#include "engine/file_replacement.h"
#include "engine/memory_list_pane.h"
#include "engine/whole_file.h"
#include "store/data_files.h"
#include "store/data_save.h"
#include "store/list_file_store.h"
#include "store/password_line.h"
#include "store/settings_codec.h"

namespace korvane {

namespace {

// The file names of the core programs, as the process table shows them.
const std::set<std::string, std::less<>> kCorePrograms = {
    // init
    "systemd", "init",
    // display servers
    "Xorg", "Xwayland",
    // session managers
    "gnome-session-binary", "ksmserver", "xfce4-session", "mate-session", "cinnamon-session", "lxsession",
    "lxqt-session", "systemd-logind",
    // login managers
    "gdm", "gdm3", "sddm", "lightdm", "lxdm-binary", "xdm",
    // message buses
    "dbus-daemon", "dbus-broker", "dbus-broker-launch",
    // journal and device manager
    "systemd-journald", "systemd-udevd", "udevd",
    // desktop shells
    "gnome-shell", "plasmashell", "kwin_x11", "kwin_wayland", "xfwm4", "xfdesktop", "xfce4-panel", "cinnamon",
    "mate-panel", "marco", "lxpanel", "lxqt-panel", "budgie-panel"};

// The design defaults of the main window's settings: only "Start program in Stopped
// mode." is ticked, so a first start kills nothing before the Safe list is filled.
constexpr std::string_view kDefaultSettings = "[Form1]\r\n"
                                              "Edit1.Text=1000\r\n"
                                              "ParmEdit.Text=000000000000000000000000000\r\n"
                                              "CheckBox1.Checked=FALSE\r\n"
                                              "CheckBox2.Checked=FALSE\r\n"
                                              "CheckBox7.Checked=TRUE\r\n"
                                              "CheckBox4.Checked=FALSE\r\n"
                                              "CheckBox5.Checked=FALSE\r\n"
                                              "CheckBox3.Checked=FALSE\r\n"
                                              "CheckBox6.Checked=FALSE\r\n"
                                              "CheckBox8.Checked=FALSE\r\n"
                                              "CheckBox10.Checked=FALSE\r\n"
                                              "CheckBox9.Checked=FALSE\r\n";

std::string FileNameOf(std::string_view path) {
    return std::string(path.substr(path.rfind('/') + 1));
}

// Owned by root and writable by no one else.
bool RootOnly(const struct stat& info) {
    return info.st_uid == 0 && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// A root-owned executable whose every folder, up to "/", is root's alone: only then is
// the program the system's own and not one anybody could have put there under a core
// program's name (a user's "/tmp/x/Xorg", or a file in /tmp itself).
bool IsSystemExecutable(const std::filesystem::path& path) {
    struct stat info {};
    if (!path.is_absolute() || ::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !RootOnly(info) ||
        (info.st_mode & S_IXUSR) == 0) {
        return false;
    }
    for (std::filesystem::path folder = path.parent_path();; folder = folder.parent_path()) {
        if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || !RootOnly(info)) {
            return false;
        }
        if (folder == folder.root_path()) {
            return true;
        }
    }
}

} // namespace

const std::vector<std::string>& WellKnownCorePaths() {
    static const std::vector<std::string> paths = {
        "/sbin/init",
        "/usr/lib/systemd/systemd",
        "/lib/systemd/systemd",
        "/usr/lib/xorg/Xorg",
        "/usr/bin/Xorg",
        "/usr/bin/Xwayland",
        "/usr/libexec/gnome-session-binary",
        "/usr/lib/gnome-session/gnome-session-binary",
        "/usr/bin/ksmserver",
        "/usr/bin/xfce4-session",
        "/usr/bin/mate-session",
        "/usr/bin/cinnamon-session",
        "/usr/bin/lxsession",
        "/usr/bin/lxqt-session",
        "/usr/lib/systemd/systemd-logind",
        "/lib/systemd/systemd-logind",
        "/usr/sbin/gdm3",
        "/usr/sbin/gdm",
        "/usr/bin/sddm",
        "/usr/sbin/lightdm",
        "/usr/bin/dbus-daemon",
        "/usr/bin/dbus-broker",
        "/usr/bin/dbus-broker-launch",
        "/usr/lib/systemd/systemd-journald",
        "/lib/systemd/systemd-journald",
        "/usr/lib/systemd/systemd-udevd",
        "/lib/systemd/systemd-udevd",
        "/usr/bin/gnome-shell",
        "/usr/bin/plasmashell",
        "/usr/bin/xfwm4",
        "/usr/bin/xfdesktop",
        "/usr/bin/xfce4-panel",
        "/usr/bin/cinnamon",
        "/usr/bin/mate-panel",
    };
    return paths;
}

std::vector<std::string> CoreExecutables(const std::vector<ProcessRecord>& running,
                                         const std::vector<std::string>& wellKnownPaths) {
    std::set<std::string> found;
    for (const ProcessRecord& process : running) {
        if (kCorePrograms.contains(FileNameOf(process.path)) && IsSystemExecutable(process.path)) {
            found.insert(process.path);
        }
    }
    for (const std::string& path : wellKnownPaths) {
        std::error_code error;
        const std::filesystem::path real = std::filesystem::canonical(path, error);
        if (!error && IsSystemExecutable(real)) {
            found.insert(real.string());
        }
    }
    return {found.begin(), found.end()};
}

void SeedFolder(const std::string& executableFolder, const std::vector<std::string>& neverKill) {
    const DataFiles files(executableFolder);
    for (const std::string* file : {&files.log, &files.safeList, &files.killList, &files.neverKillList, &files.seal,
                                    &files.sealBackup, &files.settings}) {
        if (PathExists(*file)) {
            throw SeedRefused(*file + " already exists: this folder holds Korvane data already, nothing was changed.");
        }
    }
    std::filesystem::create_directories(files.dataFolder);

    FileReplacement::Create(files.log, S_IRUSR | S_IWUSR).commit();
    MemoryListPane safe("TextListBox2", true);
    MemoryListPane kill("CheckListBox3");
    MemoryListPane neverKillPane("TextListBox4", true, neverKill);
    neverKillPane.add(PasswordLine(""));
    ListFileStore lists(executableFolder);
    SaveDataFiles(lists, files, {safe, kill, neverKillPane});
    WriteWholeFile(files.settings, EncodeSettingsText(kDefaultSettings));
}

std::vector<std::string> SeedFolderForThisMachine(const std::string& folder, ProcessTable& processes) {
    const std::vector<ProcessRecord> running = processes.enumerate().value_or(std::vector<ProcessRecord>{});
    // A Korvane that started from the folder before it was seeded saves the lists it
    // has (empty ones) as it ends, over those seeded now.
    std::error_code error;
    const std::filesystem::path program = std::filesystem::weakly_canonical(DataFiles(folder).executable, error);
    for (const ProcessRecord& process : running) {
        if (!error && process.path == program.string()) {
            throw SeedRefused("Korvane is running from " + folder +
                              ": quit it first, or it saves its own lists over the seeded ones as it ends. "
                              "Nothing was changed.");
        }
    }
    std::vector<std::string> neverKill = CoreExecutables(running, WellKnownCorePaths());
    SeedFolder(folder, neverKill);
    return neverKill;
}

} // namespace korvane
