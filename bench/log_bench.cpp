#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/activity_log.h"
#include "platform/linux/linux_clock.h"

namespace {

class QuietHost : public korvane::WatchHost {
public:
    bool isActivated() const override { return true; }
    void setTrayIconActive(bool) override {}
    void paintLogAlert() override {}
    void hideMainWindow() override {}
};

// A log of `bytes` made of entries as the program writes them.
std::string LogOfSize(std::size_t bytes) {
    const std::string entry = "03/07/2008 14:05:09  -  \r\n/usr/lib/some/program  Terminated, found in Kill Processes "
                              "list.\r\n";
    std::string text = "[This file may be emptied anytime.]\r\n";
    while (text.size() + entry.size() <= bytes) {
        text += entry;
    }
    return text;
}

// One entry into a log of the given size; the log is put back to that size between
// entries, outside the timing. Wall time: the cost is mostly file traffic, fsync included.
void BM_LogIt(benchmark::State& state) {
    std::string folder = (std::filesystem::temp_directory_path() / "korvane-log-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        std::abort();
    }
    const std::string path = folder + "/KVlog.txt";
    const std::string text = LogOfSize(static_cast<std::size_t>(state.range(0)));
    korvane::LinuxClock clock;
    QuietHost host;
    korvane::ActivityLog log(path, clock, host);
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        state.ResumeTiming();
        log.LogIt("/usr/lib/some/program [4711]", "Terminated, found in Kill Processes list.", false);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    std::filesystem::remove_all(folder);
}

BENCHMARK(BM_LogIt)->RangeMultiplier(8)->Range(1 << 10, 10 << 20)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
