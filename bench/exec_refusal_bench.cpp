#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/ratio_reporter.h"
#include "engine/kill_set.h"
#include "platform/linux/fanotify_execution_guard.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace korvane;
using Clock = std::chrono::steady_clock;

constexpr int kRefusals = 1000;
constexpr int kMarks = 100;
constexpr int kRounds = 10;
constexpr int kStartsPerRound = 500;

std::unique_ptr<FanotifyExecutionGuard> Guard(const std::vector<std::string>& files) {
    auto guard = FanotifyExecutionGuard::Create();
    if (guard) {
        guard->replace(std::make_shared<const KillSet>(1, files, std::vector<std::string>{}));
    }
    return guard;
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

// The milliseconds of each of kRefusals starts of `program`, and how many ran.
std::pair<std::vector<double>, int> TimeStarts(const std::string& program, const std::string& marker) {
    std::vector<double> latencies;
    int ran = 0;
    for (int i = 0; i < kRefusals; ++i) {
        const auto start = Clock::now();
        const test::ProgramRun run = test::RunToEnd(program, {marker});
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        ran += run.execError == 0 ? 1 : 0;
    }
    return {latencies, ran + (std::filesystem::exists(marker) ? 1 : 0)};
}

void Record(benchmark::State& state, const std::vector<double>& latencies, int ran) {
    state.counters["starts"] = static_cast<double>(latencies.size());
    state.counters["ran"] = ran;
    state.counters["p50_ms"] = Percentile(latencies, 0.50);
    state.counters["p99_ms"] = Percentile(latencies, 0.99);
    state.counters["max_ms"] = Percentile(latencies, 1.0);
}

// Starts of a Kill-listed copy of a program that writes a marker file: how many ran
// any of their code, and how long the refusal took.
void ExecToRefusal(benchmark::State& state) {
    test::TempFolder folder;
    const std::string banned = folder.file("banned");
    const std::string marker = folder.file("marker");
    test::CopyMarkerWriter(banned);
    auto guard = Guard({banned});
    if (!guard) {
        state.SkipWithError("no fanotify group: run as root");
        return;
    }
    for (auto _ : state) {
        const auto [latencies, ran] = TimeStarts(banned, marker);
        Record(state, latencies, ran);
    }
}
BENCHMARK(ExecToRefusal)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same starts failing without a guard (the file may not be executed): what the
// start and its failure cost on this machine now, the guard's answer apart.
void ExecToFailureWithoutGuard(benchmark::State& state) {
    test::TempFolder folder;
    const std::string denied = folder.file("denied");
    test::CopyMarkerWriter(denied);
    std::filesystem::permissions(denied, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    for (auto _ : state) {
        const auto [latencies, ran] = TimeStarts(denied, folder.file("marker"));
        Record(state, latencies, ran);
    }
}
BENCHMARK(ExecToFailureWithoutGuard)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Start and end of a program that is not marked, without a guard and with a guard
// holding kMarks marks on other files.
class UnmarkedRig {
public:
    UnmarkedRig() {
        std::filesystem::copy_file("/bin/true", program);
        for (int i = 0; i < kMarks; ++i) {
            marked.push_back(folder.file("marked_" + std::to_string(i)));
            std::filesystem::copy_file("/bin/true", marked.back());
        }
    }
    test::TempFolder folder;
    std::string program = folder.file("unmarked");
    std::vector<std::string> marked;
};

// The mean microseconds of a start and end of the unmarked program, over kStartsPerRound.
double MeanStart(const UnmarkedRig& rig) {
    const auto start = Clock::now();
    for (int i = 0; i < kStartsPerRound; ++i) {
        benchmark::DoNotOptimize(test::RunToEnd(rig.program, {}));
    }
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / kStartsPerRound;
}

// Starts without a guard and with one holding kMarks marks, in alternating rounds (one
// order, then the other), so that the machine's drift over the run weighs on both alike;
// the medians of the rounds' means are compared.
void UnmarkedStarts(benchmark::State& state) {
    const UnmarkedRig rig;
    std::vector<double> without;
    std::vector<double> with;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            for (const bool guarded : {round % 2 == 1, round % 2 == 0}) {
                const auto guard = guarded ? Guard(rig.marked) : nullptr;
                if (guarded && (!guard || guard->markedPaths().size() != static_cast<std::size_t>(kMarks))) {
                    state.SkipWithError("no fanotify group: run as root");
                    return;
                }
                (guarded ? with : without).push_back(MeanStart(rig));
            }
        }
    }
    state.counters["without_us"] = Percentile(without, 0.5);
    state.counters["with_us"] = Percentile(with, 0.5);
}
BENCHMARK(UnmarkedStarts)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void PrintRatios(const bench::RatioReporter::Runs& runs) {
    using bench::RatioReporter;
    if (!runs.contains("ExecToRefusal")) {
        std::printf("no fanotify group (not root): nothing is refused before it starts\n");
        return;
    }
    std::printf("exec of a Kill-listed file that ran any of its code: %.0f of %.0f (goal 0 of 1,000)\n",
                RatioReporter::Counter(runs, "ExecToRefusal", "ran"),
                RatioReporter::Counter(runs, "ExecToRefusal", "starts"));
    std::printf("exec of a Kill-listed file to its refusal, p99: %.3f ms (goal <= 1 ms); p50 %.3f ms, max %.3f ms\n",
                RatioReporter::Counter(runs, "ExecToRefusal", "p99_ms"),
                RatioReporter::Counter(runs, "ExecToRefusal", "p50_ms"),
                RatioReporter::Counter(runs, "ExecToRefusal", "max_ms"));
    std::printf("the same starts failing without a guard, p99: %.3f ms; p50 %.3f ms\n",
                RatioReporter::Counter(runs, "ExecToFailureWithoutGuard", "p99_ms"),
                RatioReporter::Counter(runs, "ExecToFailureWithoutGuard", "p50_ms"));
    const double without = RatioReporter::Counter(runs, "UnmarkedStarts", "without_us");
    const double with = RatioReporter::Counter(runs, "UnmarkedStarts", "with_us");
    if (without > 0 && with > 0) {
        std::printf("exec + exit of an unmarked program, guard with %d marks / no guard: %.3f (goal <= 1.05); "
                    "%.0f us against %.0f us, medians of %d alternating rounds of %d starts\n",
                    kMarks, with / without, with, without, kRounds, kStartsPerRound);
    }
}

} // namespace

int main(int argc, char** argv) {
    return korvane::bench::RunWithRatios(argc, argv, PrintRatios);
}
