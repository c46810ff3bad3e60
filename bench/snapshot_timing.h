#pragma once

#include <cstddef>

#include <benchmark/benchmark.h>

#include "engine/process_snapshot.h"

namespace korvane::bench {

// Time per process: the inverse of processes per second over all iterations.
inline void CountProcesses(benchmark::State& state, std::size_t processes) {
    state.counters["processes"] = static_cast<double>(processes);
    state.counters["per_process"] = benchmark::Counter(
        static_cast<double>(processes), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Times readings of `snapshot` once it has been read a first time (the processes known).
inline void TimeSnapshots(benchmark::State& state, ProcessSnapshot& snapshot) {
    for (auto _ : state) {
        snapshot.RefreshTaskListNT();
        benchmark::DoNotOptimize(snapshot.StgLst().data());
    }
    CountProcesses(state, snapshot.StgLst().size());
}

} // namespace korvane::bench
