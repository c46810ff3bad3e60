#pragma once

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/memory_list_pane.h"
#include "platform/linux/linux_process_table.h"
#include "store/data_files.h"
#include "store/data_save.h"
#include "store/list_file_store.h"
#include "store/password_line.h"
#include "store/seed_folder.h"
#include "store/settings_codec.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

// Header only: shared by the benchmarks that run the built program as a real child.
namespace korvane::bench {

// The CPU time the process has used, all its threads, ended ones included.
inline double CpuSeconds(pid_t pid) {
    clockid_t clock{};
    timespec used{};
    if (::clock_getcpuclockid(pid, &clock) != 0 || ::clock_gettime(clock, &used) != 0) {
        return -1;
    }
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

// utime + stime from /proc/PID/stat (fields 14 and 15), in clock ticks.
inline long long StatTicks(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long long ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number >= 14) {
            ticks += std::stoll(field);
        }
    }
    return ticks;
}

// A "Name:   value kB" line of /proc/PID/status, in MiB.
inline double StatusMiB(pid_t pid, const std::string& name) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(file, line);) {
        if (line.starts_with(name + ":")) {
            return std::stod(line.substr(name.size() + 1)) / 1024;
        }
    }
    return -1;
}

// The descriptors the process holds open.
inline std::size_t OpenDescriptors(pid_t pid) {
    const auto fds = std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd");
    return static_cast<std::size_t>(std::distance(fds, std::filesystem::directory_iterator()));
}

inline std::size_t RunningProcesses() {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        count += !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
    }
    return count;
}

// The executables the guard should let run without a question: the core programs,
// as the seeding tool finds them, and every program running now.
inline std::vector<std::string> KnownPrograms() {
    const std::vector<ProcessRecord> running = LinuxProcessTable().enumerate().value_or(std::vector<ProcessRecord>{});
    std::vector<std::string> known = CoreExecutables(running, WellKnownCorePaths());
    for (const ProcessRecord& process : running) {
        known.push_back(process.path);
    }
    std::sort(known.begin(), known.end());
    known.erase(std::unique(known.begin(), known.end()), known.end());
    return known;
}

// The real program, copied into a portable folder of its own (so that its settings,
// lock and data files stay out of the build) and seeded as the seeding tool seeds
// one, with every program running now and `neverKill` on the Never Kill list and
// `kill` on the Kill list. It runs headless, activated, at the default interval of
// 1000 ms: a guard in use, which questions nothing that ran when it was set up.
class GuardProcess {
public:
    GuardProcess(const test::TempFolder& folder, const std::string& executable,
                 const std::vector<std::string>& neverKill = {}, const std::vector<std::string>& kill = {})
        : portable_(folder.file("portable") + "/") {
        const std::string run = folder.file("run");
        std::filesystem::create_directories(portable_);
        std::filesystem::create_directories(run);
        std::filesystem::permissions(run, std::filesystem::perms::owner_all);
        std::filesystem::copy_file(executable, portable_ + "Korvane");
        std::vector<std::string> exempt = KnownPrograms();
        exempt.insert(exempt.end(), neverKill.begin(), neverKill.end());
        SeedFolder(portable_, exempt);
        if (!kill.empty()) {
            MemoryListPane safePane("TextListBox2", true);
            MemoryListPane killPane("CheckListBox3", false, kill);
            MemoryListPane neverKillPane("TextListBox4", true, exempt);
            neverKillPane.add(PasswordLine(""));
            ListFileStore lists(portable_);
            SaveDataFiles(lists, DataFiles(portable_), {safePane, killPane, neverKillPane});
        }
        test::WriteFileBytes(portable_ + "Korvane.ini",
                             EncodeSettingsText("[Form1]\r\nEdit1.Text=1000\r\nCheckBox7.Checked=FALSE\r\n"));
        process_ = std::make_unique<test::ChildProcess>(
            portable_ + "Korvane", std::vector<std::string>{},
            std::vector<std::string>{"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + run,
                                     "XDG_CONFIG_HOME=" + folder.file("config"),
                                     "XDG_CONFIG_DIRS=" + folder.file("xdg")});
    }

    // The portable folder, with its trailing separator.
    const std::string& folder() const { return portable_; }
    test::ChildProcess& process() { return *process_; }

private:
    std::string portable_;
    std::unique_ptr<test::ChildProcess> process_;
};

} // namespace korvane::bench
