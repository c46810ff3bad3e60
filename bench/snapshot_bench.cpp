#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <unistd.h>

#include "bench/ratio_reporter.h"
#include "bench/rig_main.h"
#include "bench/snapshot_timing.h"
#include "engine/process_snapshot.h"
#include "engine/watch_engine.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/linux_process_table.h"
#include "tests/support/child_process.h"
#include "tests/support/engine_rig.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace korvane;

constexpr int kChildren = 300;

// Counts the readings of the process table, so that a tick that kept its snapshot
// can be told from one that read /proc.
class CountingTable : public ProcessTable {
public:
    explicit CountingTable(std::unique_ptr<ProcessTable> table) : table_(std::move(table)) {}
    std::optional<std::vector<ProcessRecord>> enumerate() override {
        ++readings;
        return table_->enumerate();
    }
    std::int64_t readings = 0;

private:
    std::unique_ptr<ProcessTable> table_;
};

PlatformServices CountingLinuxPlatform(CountingTable*& counter) {
    PlatformServices platform = MakeLinuxPlatform();
    auto table = std::make_unique<CountingTable>(std::move(platform.processes));
    counter = table.get();
    platform.processes = std::move(table);
    return platform;
}

// 300 extra running processes, so that the per-process cost dominates what a
// snapshot of this machine costs.
struct Rig {
    Rig() {
        const std::string sleeper = bins.file("sleeper");
        test::CopySleepBinary(sleeper);
        for (int i = 0; i < kChildren; ++i) {
            children.push_back(std::make_unique<test::ChildProcess>(sleeper, std::vector<std::string>{"600"}));
        }
        // Stopped: a tick that finds a change (another session's build starting a
        // compiler) then only rebuilds the Current list instead of checking it.
        watch.host.activated = false;
        watch.engine->takeFirstSnapshot();
    }

    test::TempFolder bins;
    CountingTable* table = nullptr;
    PlatformServices platform = CountingLinuxPlatform(table);
    test::EngineRig watch{platform};
    std::vector<std::unique_ptr<test::ChildProcess>> children;
};

Rig* rig = nullptr;

// What every reading of the table costs once the processes are known: their
// identities come from the held pidfds, only the executable links are read.
void Snapshot(benchmark::State& state) {
    LinuxProcessTable table;
    ProcessSnapshot snapshot(table);
    snapshot.RefreshTaskListNT();
    bench::TimeSnapshots(state, snapshot);
}
BENCHMARK(Snapshot)->Unit(benchmark::kMicrosecond);

// The first reading, when every process is new: a pidfd opened and the start time
// read for each.
void SnapshotOfNewProcesses(benchmark::State& state) {
    std::size_t processes = 0;
    for (auto _ : state) {
        LinuxProcessTable table;
        ProcessSnapshot snapshot(table);
        snapshot.RefreshTaskListNT();
        processes = snapshot.StgLst().size();
    }
    bench::CountProcesses(state, processes);
}
BENCHMARK(SnapshotOfNewProcesses)->Unit(benchmark::kMicrosecond);

// The least any enumeration of executables costs: list /proc, read each exe link.
std::size_t BareProcLoop() {
    DIR* proc = ::opendir("/proc");
    std::size_t readable = 0;
    char link[300]; // "/proc/" + a name of up to 255 bytes + "/exe"
    char target[4096];
    while (const dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') {
            continue;
        }
        std::snprintf(link, sizeof link, "/proc/%s/exe", entry->d_name);
        if (::readlink(link, target, sizeof target) > 0) {
            ++readable;
        }
    }
    ::closedir(proc);
    return readable;
}

void BareLoop(benchmark::State& state) {
    std::size_t readable = 0;
    for (auto _ : state) {
        readable = BareProcLoop();
    }
    bench::CountProcesses(state, readable);
}
BENCHMARK(BareLoop)->Unit(benchmark::kMicrosecond);

// Ticks that find nothing changed: with process events subscribed, all but one in
// ScanSchedule::kCyclesPerFullScan keep their snapshot and that one reads the table. Each tick is timed on its own, so
// that the ticks that kept the snapshot ("quiet") are reported apart; ticks that
// read the table because another session started or ended a process count among
// the reading ones. The first tick (a forced check) runs before the loop.
void UnchangedTick(benchmark::State& state) {
    WatchEngine& engine = *rig->watch.engine;
    engine.Timer1Timer();
    double quietSeconds = 0;
    std::int64_t quietTicks = 0;
    std::int64_t readingTicks = 0;
    for (auto _ : state) {
        const std::int64_t readings = rig->table->readings;
        const auto start = std::chrono::steady_clock::now();
        engine.Timer1Timer();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        if (rig->table->readings == readings) {
            quietSeconds += took.count();
            ++quietTicks;
        } else {
            ++readingTicks;
        }
    }
    state.counters["quiet_tick_us"] = quietTicks > 0 ? quietSeconds / static_cast<double>(quietTicks) * 1e6 : 0;
    state.counters["quiet_ticks"] = static_cast<double>(quietTicks);
    state.counters["reading_ticks"] = static_cast<double>(readingTicks);
    state.counters["events"] = rig->platform.processEvents->subscribed() ? 1 : 0;
}
BENCHMARK(UnchangedTick)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(20000);

// The ratios of the goals, each from figures of this run.
void PrintRatios(const bench::RatioReporter::Runs& runs) {
    using bench::RatioReporter;
    const double snapshot = RatioReporter::Counter(runs, "Snapshot", "per_process");
    const double bare = RatioReporter::Counter(runs, "BareLoop", "per_process");
    if (snapshot > 0 && bare > 0) {
        std::printf("snapshot / bare loop, per process: %.2f (goal <= 1.5)\n", snapshot / bare);
    }
    const double snapshotSeconds = RatioReporter::CpuSeconds(runs, "Snapshot");
    const auto tick = runs.find("UnchangedTick");
    if (snapshotSeconds <= 0 || tick == runs.end()) {
        return;
    }
    if (RatioReporter::Counter(runs, "UnchangedTick", "events") == 0) {
        std::printf("process events unavailable (not root): every tick reads the table\n");
    }
    const double quiet = RatioReporter::Counter(runs, "UnchangedTick", "quiet_tick_us") / 1e6;
    const double average = tick->second.GetAdjustedRealTime() / 1e6;
    std::printf("tick with nothing changed, events healthy / snapshot: %.3f (goal <= 0.1); "
                "averaged with the reading of every %dth tick: %.3f\n",
                quiet / snapshotSeconds, ScanSchedule::kCyclesPerFullScan, average / snapshotSeconds);
}

} // namespace

int main(int argc, char** argv) {
    korvane::bench::RatioReporter reporter(PrintRatios);
    return korvane::bench::RunWithRig(argc, argv, rig, &reporter);
}
