#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <unistd.h>

#include "bench/ratio_reporter.h"
#include "platform/linux/linux_process_events.h"
#include "platform/linux/linux_process_table.h"
#include "store/seed_folder.h"
#include "store/settings_codec.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace korvane;
using namespace std::chrono_literals;

constexpr int kSleepers = 500;
constexpr auto kWarmUp = 10s;
constexpr auto kIdle = 60s;

// The CPU time the process has used, all its threads, ended ones included.
double CpuSeconds(pid_t pid) {
    clockid_t clock{};
    timespec used{};
    if (::clock_getcpuclockid(pid, &clock) != 0 || ::clock_gettime(clock, &used) != 0) {
        return -1;
    }
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

// utime + stime from /proc/PID/stat (fields 14 and 15), in clock ticks.
long long StatTicks(pid_t pid) {
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
double StatusMiB(pid_t pid, const std::string& name) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(file, line);) {
        if (line.starts_with(name + ":")) {
            return std::stod(line.substr(name.size() + 1)) / 1024;
        }
    }
    return -1;
}

std::size_t RunningProcesses() {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        count += !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
    }
    return count;
}

// The executables the guard should let run without a question: the core programs,
// as the seeding tool finds them, and every program running now.
std::vector<std::string> KnownPrograms() {
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
// lock and data files stay out of the build), runs headless, activated, at the
// default interval of 1000 ms, with 500 sleeping processes started from its folder.
// The folder is seeded as the seeding tool seeds one, with every program running at
// the start on the Never Kill list: an idle guard in use, which questions nothing.
// Once it has settled, its CPU time over a minute and its resident memory are taken.
// Program starts by other sessions during that minute are counted: each makes the
// guard read the process table at once.
void IdleGuard(benchmark::State& state) {
    test::TempFolder folder;
    const std::string portable = folder.file("portable");
    const std::string run = folder.file("run");
    std::filesystem::create_directories(portable + "/sleepers");
    std::filesystem::create_directories(run);
    std::filesystem::permissions(run, std::filesystem::perms::owner_all);
    const std::string executable = portable + "/Korvane";
    std::filesystem::copy_file(KORVANE_EXECUTABLE, executable);
    SeedFolder(portable + "/", KnownPrograms());
    test::WriteFileBytes(portable + "/Korvane.ini",
                         EncodeSettingsText("[Form1]\r\nEdit1.Text=1000\r\nCheckBox7.Checked=FALSE\r\n"));

    const std::string sleeper = portable + "/sleepers/sleeper";
    test::CopySleepBinary(sleeper);
    std::vector<std::unique_ptr<test::ChildProcess>> sleepers;
    for (int i = 0; i < kSleepers; ++i) {
        sleepers.push_back(std::make_unique<test::ChildProcess>(sleeper, std::vector<std::string>{"3600"}));
    }

    test::ChildProcess korvane(executable, {},
                               {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + run,
                                "XDG_CONFIG_HOME=" + folder.file("config"), "XDG_CONFIG_DIRS=" + folder.file("xdg")});
    std::this_thread::sleep_for(kWarmUp);
    if (korvane.ended()) {
        state.SkipWithError(
            ("Korvane ended during its start, exit code " + std::to_string(korvane.exitCode())).c_str());
        return;
    }

    LinuxProcessEvents others;
    double cpu = 0;
    long long ticks = 0;
    int startBursts = 0;
    for (auto _ : state) {
        const double cpuBefore = CpuSeconds(korvane.pid());
        const long long ticksBefore = StatTicks(korvane.pid());
        const auto end = std::chrono::steady_clock::now() + kIdle;
        others.takeEvents();
        while (std::chrono::steady_clock::now() < end) {
            pollfd ready{others.descriptor(), POLLIN, 0};
            ::poll(&ready, 1, 100);
            startBursts += others.takeEvents().exec ? 1 : 0;
        }
        cpu = CpuSeconds(korvane.pid()) - cpuBefore;
        ticks = StatTicks(korvane.pid()) - ticksBefore;
        state.SetIterationTime(std::chrono::duration<double>(kIdle).count());
    }
    const double idleSeconds = std::chrono::duration<double>(kIdle).count();
    state.counters["processes"] = static_cast<double>(RunningProcesses());
    state.counters["cpu_percent"] = 100 * cpu / idleSeconds;
    state.counters["cpu_percent_stat"] =
        100 * static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK)) / idleSeconds;
    state.counters["rss_mib"] = StatusMiB(korvane.pid(), "VmRSS");
    state.counters["peak_rss_mib"] = StatusMiB(korvane.pid(), "VmHWM");
    state.counters["events"] = others.subscribed() ? 1 : 0;
    state.counters["start_bursts"] = startBursts;
    ::kill(korvane.pid(), SIGTERM);
    korvane.waitEnded(10000);
}
BENCHMARK(IdleGuard)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void PrintRatios(const bench::RatioReporter::Runs& runs) {
    using bench::RatioReporter;
    if (!runs.contains("IdleGuard")) {
        return;
    }
    std::printf("CPU of the idle guard over %.0f s with %.0f processes, interval 1000 ms: %.4f %% of a core "
                "(goal <= 0.05 %%); from /proc/PID/stat, to a clock tick: %.3f %%\n",
                std::chrono::duration<double>(kIdle).count(), RatioReporter::Counter(runs, "IdleGuard", "processes"),
                RatioReporter::Counter(runs, "IdleGuard", "cpu_percent"),
                RatioReporter::Counter(runs, "IdleGuard", "cpu_percent_stat"));
    if (RatioReporter::Counter(runs, "IdleGuard", "events") == 0) {
        std::printf("process events unavailable (not root): program starts by others were not counted\n");
    } else {
        std::printf("program starts by other processes during the minute, in bursts of up to 100 ms: %.0f\n",
                    RatioReporter::Counter(runs, "IdleGuard", "start_bursts"));
    }
    std::printf("resident memory of the running program: %.1f MiB (goal <= 60 MB); peak %.1f MiB\n",
                RatioReporter::Counter(runs, "IdleGuard", "rss_mib"),
                RatioReporter::Counter(runs, "IdleGuard", "peak_rss_mib"));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    korvane::bench::RatioReporter reporter(PrintRatios);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
