#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>
#include <unistd.h>

#include "bench/guard_process.h"
#include "bench/ratio_reporter.h"
#include "platform/linux/linux_process_events.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace korvane;
using namespace std::chrono_literals;

constexpr int kSleepers = 500;
constexpr auto kWarmUp = 10s;
constexpr auto kIdle = 60s;

// The real program (GuardProcess), with 500 sleeping processes started from its folder:
// an idle guard in use, which questions nothing.
// Once it has settled, its CPU time over a minute and its resident memory are taken.
// Program starts by other sessions during that minute are counted: each makes the
// guard read the process table at once.
void IdleGuard(benchmark::State& state) {
    test::TempFolder folder;
    bench::GuardProcess guard(folder, KORVANE_EXECUTABLE);
    const std::string sleeper = guard.folder() + "sleepers/sleeper";
    std::filesystem::create_directories(guard.folder() + "sleepers");
    test::CopySleepBinary(sleeper);
    std::vector<std::unique_ptr<test::ChildProcess>> sleepers;
    for (int i = 0; i < kSleepers; ++i) {
        sleepers.push_back(std::make_unique<test::ChildProcess>(sleeper, std::vector<std::string>{"3600"}));
    }

    test::ChildProcess& korvane = guard.process();
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
        const double cpuBefore = bench::CpuSeconds(korvane.pid());
        const long long ticksBefore = bench::StatTicks(korvane.pid());
        const auto end = std::chrono::steady_clock::now() + kIdle;
        others.takeEvents();
        while (std::chrono::steady_clock::now() < end) {
            pollfd ready{others.descriptor(), POLLIN, 0};
            ::poll(&ready, 1, 100);
            startBursts += others.takeEvents().exec ? 1 : 0;
        }
        cpu = bench::CpuSeconds(korvane.pid()) - cpuBefore;
        ticks = bench::StatTicks(korvane.pid()) - ticksBefore;
        state.SetIterationTime(std::chrono::duration<double>(kIdle).count());
    }
    const double idleSeconds = std::chrono::duration<double>(kIdle).count();
    state.counters["processes"] = static_cast<double>(bench::RunningProcesses());
    state.counters["cpu_percent"] = 100 * cpu / idleSeconds;
    state.counters["cpu_percent_stat"] =
        100 * static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK)) / idleSeconds;
    state.counters["rss_mib"] = bench::StatusMiB(korvane.pid(), "VmRSS");
    state.counters["peak_rss_mib"] = bench::StatusMiB(korvane.pid(), "VmHWM");
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
    return korvane::bench::RunWithRatios(argc, argv, PrintRatios);
}
