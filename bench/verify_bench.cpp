#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/ratio_reporter.h"
#include "bench/rig_main.h"
#include "engine/checksums.h"
#include "engine/text_rules.h"
#include "engine/watch_engine.h"
#include "platform/linux/linux_platform.h"
#include "tests/support/child_process.h"
#include "tests/support/engine_rig.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace korvane;

constexpr int kGuarded = 300;

// 300 running copies of one binary, each from a file of its own and each on the
// Safe list with its digest; every other process of the machine is on the Never
// Kill list, so a pass digests exactly the 300 copies.
struct Rig {
    Rig() {
        for (int i = 0; i < kGuarded; ++i) {
            const std::string path = bins.file("guarded-" + std::to_string(i));
            test::CopySleepBinary(path);
            safe.add(path + "     [" + DigestText(FileDigest(path)) + "]");
            imageBytes += std::filesystem::file_size(path);
            children.push_back(std::make_unique<test::ChildProcess>(path, std::vector<std::string>{"600"}));
        }
        // Installed programs are older than the digest cache's settling time.
        std::this_thread::sleep_for(DigestCache::kSettleTime + std::chrono::milliseconds(100));
        engine->snapshot().RefreshTaskListNT();
        for (const SnapshotEntry& entry : engine->snapshot().StgLst()) {
            if (!entry.text.starts_with(bins.folder())) {
                neverKill.add(StripBrackets(entry.text));
            }
        }
    }

    // Every guarded copy passed. Processes other sessions start meanwhile may be
    // questioned; they are not what is measured.
    bool allPassed() const {
        for (std::size_t i = 0; i < dialog.count(); ++i) {
            if (dialog.item(i).starts_with(bins.folder())) {
                return false;
            }
        }
        return host.logAlerts == 0;
    }

    test::TempFolder bins;
    PlatformServices platform = MakeLinuxPlatform();
    test::EngineRig watch{platform};
    test::MemoryListPane& safe = watch.safe;
    test::MemoryListPane& neverKill = watch.neverKill;
    test::FakeWatchHost& host = watch.host;
    test::FakeQuestionableDialog& dialog = watch.dialog;
    std::unique_ptr<WatchEngine>& engine = watch.engine;
    std::vector<std::unique_ptr<test::ChildProcess>> children;
    std::uint64_t imageBytes = 0;
};

Rig* rig = nullptr;

void Report(benchmark::State& state) {
    if (!rig->allPassed()) {
        state.SkipWithError("a guarded copy did not pass");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rig->imageBytes));
    state.counters["processes"] = kGuarded;
}

void VerifyPass(benchmark::State& state) {
    for (auto _ : state) {
        rig->engine->verifier().CheckSafeProcessesList();
    }
    Report(state);
}
// The first pass after the copies started digests every running image; the
// unchanged pass finds each digest remembered and what the lists say about each
// path too.
BENCHMARK(VerifyPass)->Name("VerifyFirstPass")->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(VerifyPass)->Name("VerifyUnchangedPass")->Unit(benchmark::kMillisecond)->UseRealTime();

// What a tick adds when the snapshot changed: a fresh snapshot of /proc first.
void SnapshotAndVerify(benchmark::State& state) {
    for (auto _ : state) {
        rig->engine->snapshot().RefreshTaskListNT();
        rig->engine->verifier().CheckSafeProcessesList();
    }
    Report(state);
}
BENCHMARK(SnapshotAndVerify)->Unit(benchmark::kMillisecond)->UseRealTime();

// One snapshot of the same machine, processes known, to measure the pass against.
void Snapshot(benchmark::State& state) {
    for (auto _ : state) {
        rig->engine->snapshot().RefreshTaskListNT();
    }
    state.counters["processes"] = static_cast<double>(rig->engine->snapshot().StgLst().size());
}
BENCHMARK(Snapshot)->Unit(benchmark::kMillisecond);

void PrintRatios(const bench::RatioReporter::Runs& runs) {
    using bench::RatioReporter;
    const double pass = RatioReporter::CpuSeconds(runs, "VerifyUnchangedPass");
    const double snapshot = RatioReporter::CpuSeconds(runs, "Snapshot");
    if (pass > 0 && snapshot > 0) {
        std::printf("verification pass over %d unchanged Safe-listed processes / one snapshot (%.0f processes), "
                    "CPU time: %.2f (goal <= 2)\n",
                    kGuarded, RatioReporter::Counter(runs, "Snapshot", "processes"), pass / snapshot);
    }
}

} // namespace

int main(int argc, char** argv) {
    korvane::bench::RatioReporter reporter(PrintRatios);
    return korvane::bench::RunWithRig(argc, argv, rig, &reporter);
}
