#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include <benchmark/benchmark.h>

namespace korvane::bench {

// The console table, then the summary lines a benchmark program prints from the
// runs of this very run (the ratios of the goals). Runs are found by the name of
// their function.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    using Runs = std::map<std::string, Run>;
    using Summary = std::function<void(const Runs&)>;

    // Colours only on a terminal, so that the output can be piped and parsed.
    explicit RatioReporter(Summary summary)
        : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular), summary_(std::move(summary)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (!run.report_big_o && !run.report_rms && !run.error_occurred) {
                runs_[run.run_name.function_name] = run;
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        summary_(runs_);
    }

    // A counter of a run, or 0 when the run or the counter is missing.
    static double Counter(const Runs& runs, const std::string& name, const std::string& counter) {
        const auto run = runs.find(name);
        if (run == runs.end()) {
            return 0;
        }
        const auto found = run->second.counters.find(counter);
        return found == run->second.counters.end() ? 0 : found->second.value;
    }
    // CPU seconds per iteration of a run, or 0 when it is missing.
    static double CpuSeconds(const Runs& runs, const std::string& name) {
        const auto run = runs.find(name);
        return run == runs.end()
                   ? 0
                   : run->second.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run->second.time_unit);
    }

private:
    Summary summary_;
    Runs runs_;
};

// Runs the benchmarks named on the command line, then prints `summary` of their goals.
inline int RunWithRatios(int argc, char** argv, RatioReporter::Summary summary) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter(std::move(summary));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace korvane::bench
