#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <unistd.h>

#include "bench/rig_main.h"
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
    PlatformServices platform = MakeLinuxPlatform();
    test::EngineRig watch{platform};
    std::vector<std::unique_ptr<test::ChildProcess>> children;
};

Rig* rig = nullptr;

// Time per process: the inverse of processes per second over all iterations.
void CountProcesses(benchmark::State& state, std::size_t processes) {
    state.counters["processes"] = static_cast<double>(processes);
    state.counters["per_process"] = benchmark::Counter(
        static_cast<double>(processes), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Snapshot(benchmark::State& state) {
    LinuxProcessTable table;
    ProcessSnapshot snapshot(table);
    for (auto _ : state) {
        snapshot.RefreshTaskListNT();
        benchmark::DoNotOptimize(snapshot.StgLst().data());
    }
    CountProcesses(state, snapshot.StgLst().size());
}
BENCHMARK(Snapshot)->Unit(benchmark::kMicrosecond);

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
    CountProcesses(state, readable);
}
BENCHMARK(BareLoop)->Unit(benchmark::kMicrosecond);

// A tick that finds the snapshot unchanged: it snapshots, compares, shows the
// tray icon and runs the priority watchdog, nothing else. The first tick (a
// forced check) runs before the loop.
void UnchangedTick(benchmark::State& state) {
    rig->watch.engine->Timer1Timer();
    std::vector<SnapshotEntry> previous = rig->watch.engine->snapshot().StgLst();
    std::int64_t changed = 0;
    for (auto _ : state) {
        rig->watch.engine->Timer1Timer();
        state.PauseTiming();
        if (rig->watch.engine->snapshot().StgLst() != previous) {
            ++changed;
            previous = rig->watch.engine->snapshot().StgLst();
        }
        state.ResumeTiming();
    }
    CountProcesses(state, previous.size());
    // Ticks in which another session started or ended a process; they cost a
    // Current list rebuild more.
    state.counters["changed_ticks"] = static_cast<double>(changed);
}
BENCHMARK(UnchangedTick)->Unit(benchmark::kMicrosecond);

// Prints the snapshot's cost per process relative to the bare loop's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that the output can be piped and parsed.
    RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto counter = run.counters.find("per_process");
            if (counter != run.counters.end() && !run.report_big_o && !run.report_rms) {
                perProcess_[run.run_name.function_name] = counter->second.value;
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (perProcess_.contains("Snapshot") && perProcess_.contains("BareLoop")) {
            std::printf("snapshot / bare loop, per process: %.2f\n", perProcess_["Snapshot"] / perProcess_["BareLoop"]);
        }
    }

private:
    std::map<std::string, double> perProcess_;
};

} // namespace

int main(int argc, char** argv) {
    RatioReporter reporter;
    return korvane::bench::RunWithRig(argc, argv, rig, &reporter);
}
