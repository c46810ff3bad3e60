#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "engine/checksums.h"

namespace {

// Large enough that start-up costs vanish, small enough to stay in the page cache,
// so both sides measure hashing and reading, not the disk.
constexpr std::size_t kFileBytes = 256u << 20;

std::string& FilePath() {
    static std::string path;
    return path;
}

void MakeFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvane-digest-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        std::abort();
    }
    std::FILE* file = ::fdopen(fd, "wb");
    std::vector<char> block(1 << 20);
    std::uint32_t state = 1;
    for (std::size_t written = 0; written < kFileBytes; written += block.size()) {
        for (char& byte : block) {
            state = state * 1103515245u + 12345u;
            byte = static_cast<char>(state >> 24);
        }
        std::fwrite(block.data(), 1, block.size(), file);
    }
    std::fclose(file);
    FilePath() = pattern;
}

void BM_FileDigest(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(korvane::FileDigest(FilePath()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
}

double ChildCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The reference: the system's md5sum on the same file, start-up included (about 1 ms).
// Timed either by the wall clock or, on a busy machine, by the child's CPU time.
void BM_Md5sum(benchmark::State& state) {
    const bool cpuTime = state.range(0) != 0;
    const std::string command = "md5sum '" + FilePath() + "' > /dev/null";
    for (auto _ : state) {
        const double cpuBefore = ChildCpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("md5sum failed");
            break;
        }
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallBefore;
        state.SetIterationTime(cpuTime ? ChildCpuSeconds() - cpuBefore : wall.count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
}

// Argument 0: wall time; 1: CPU time, comparable while other work shares the cores.
BENCHMARK(BM_Md5sum)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(3.0);
BENCHMARK(BM_FileDigest)->Name("BM_FileDigest/0")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_FileDigest)->Name("BM_FileDigest/1")->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    MakeFile();
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove(FilePath());
    benchmark::Shutdown();
    return 0;
}
