#pragma once

#include <memory>

#include <benchmark/benchmark.h>

namespace korvane::bench {

// Runs the benchmarks with a rig of real child processes built once for all of
// them and torn down (children ended and reaped) before the library shuts down.
template <class Rig>
int RunWithRig(int argc, char** argv, Rig*& rig, benchmark::BenchmarkReporter* reporter = nullptr) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    auto owner = std::make_unique<Rig>();
    rig = owner.get();
    if (reporter != nullptr) {
        benchmark::RunSpecifiedBenchmarks(reporter);
    } else {
        benchmark::RunSpecifiedBenchmarks();
    }
    owner.reset();
    rig = nullptr;
    benchmark::Shutdown();
    return 0;
}

} // namespace korvane::bench
