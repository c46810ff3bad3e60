#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <malloc.h>

#include "bench/ratio_reporter.h"
#include "bench/rig_main.h"
#include "engine/checksums.h"
#include "engine/packages/package_database.h"
#include "engine/packages/package_trust.h"
#include "engine/text_rules.h"
#include "tests/support/engine_rig.h"
#include "tests/support/fake_platform.h"

namespace {

using namespace korvane;
using namespace std::chrono_literals;

// Some 340 of them are left once the paths that lie inside others are taken out.
constexpr std::size_t kCandidates = 360;

// Resident memory of this process, in bytes.
double ResidentBytes() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// A watch engine over the fake platform whose processes run this machine's packaged
// programs; the package database is this machine's.
struct Watch {
    Watch() {
        fake.services.packageRoot = "/";
        rig = std::make_unique<test::EngineRig>(fake.services);
    }
    test::FakePlatform fake;
    std::unique_ptr<test::EngineRig> rig;
};

// The same 300 packaged programs, verified two ways: by their Safe entries, and by
// the package database's records with an empty Safe list.
struct Rig {
    Rig() {
        const PackageDatabase database = ReadPackageDatabase("/");
        for (const auto& entry : std::filesystem::directory_iterator("/usr/bin")) {
            const std::string path = entry.path().string();
            if (!entry.is_regular_file() || entry.is_symlink() || database.index.find(path).empty()) {
                continue;
            }
            if (RecordWithDigest(database.index.find(path), FileDigest(path)) == nullptr) {
                continue;
            }
            paths.push_back(path);
            if (paths.size() == kCandidates) {
                break;
            }
        }
        // The Safe list matches a path inside a longer entry ("/usr/bin/cp" in
        // "/usr/bin/cpio"): such pairs would be judged by the longer entry's digest.
        std::erase_if(paths, [&](const std::string& path) {
            return std::any_of(paths.begin(), paths.end(), [&](const std::string& other) {
                return other != path && LowerCase(other).find(LowerCase(path)) != std::string::npos;
            });
        });
        for (const std::string& path : paths) {
            bySafeList.rig->safe.add(path + "     [" + DigestText(FileDigest(path)) + "]");
            bySafeList.fake.table->start(path);
            byPackages.fake.table->start(path);
        }
        byPackages.rig->preferences.trustPackages = true;
        byPackages.rig->engine->packages().index();
        byPackages.rig->engine->packages().waitForReading(60s);
        for (Watch* watch : {&bySafeList, &byPackages}) {
            watch->rig->engine->snapshot().RefreshTaskListNT();
            watch->rig->engine->verifier().CheckSafeProcessesList();
        }
    }

    bool allPassed() const { return bySafeList.rig->dialog.count() == 0 && byPackages.rig->dialog.count() == 0; }

    std::vector<std::string> paths;
    Watch bySafeList;
    Watch byPackages;
};

Rig* rig = nullptr;

// Reading this machine's whole database: every md5sums file of every installed package.
void ReadDatabase(benchmark::State& state) {
    std::size_t records = 0;
    for (auto _ : state) {
        const PackageDatabase database = ReadPackageDatabase("/");
        records = database.index.size();
    }
    state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(ReadDatabase)->Unit(benchmark::kMillisecond)->Iterations(5);

// What the index keeps resident once read, the reading's buffers given back.
void IndexResidentMemory(benchmark::State& state) {
    for (auto _ : state) {
        ::malloc_trim(0);
        const double before = ResidentBytes();
        auto database = std::make_unique<PackageDatabase>(ReadPackageDatabase("/"));
        ::malloc_trim(0);
        state.counters["index_MiB"] = (ResidentBytes() - before) / (1024.0 * 1024.0);
        state.counters["records"] = static_cast<double>(database->index.size());
    }
}
BENCHMARK(IndexResidentMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

void Pass(benchmark::State& state, Watch& watch, bool listsChanged) {
    test::MemoryListPane& safe = watch.rig->safe;
    for (auto _ : state) {
        if (listsChanged) {
            // Any change of a list makes every path be looked up again.
            safe.add("~bench entry"); // sorts last
            safe.remove(safe.count() - 1);
        }
        watch.rig->engine->verifier().CheckSafeProcessesList();
    }
    if (!rig->allPassed()) {
        state.SkipWithError("a packaged program did not pass");
    }
    state.counters["processes"] = static_cast<double>(rig->paths.size());
}
// A pass after a list changed looks every path up: in the Safe list, or in the index.
void SafeListLookUps(benchmark::State& state) {
    Pass(state, rig->bySafeList, true);
}
void PackageLookUps(benchmark::State& state) {
    Pass(state, rig->byPackages, true);
}
// A pass with nothing changed finds what each path's look-up gave.
void SafeListUnchanged(benchmark::State& state) {
    Pass(state, rig->bySafeList, false);
}
void PackagesUnchanged(benchmark::State& state) {
    Pass(state, rig->byPackages, false);
}
BENCHMARK(SafeListLookUps)->Unit(benchmark::kMicrosecond);
BENCHMARK(PackageLookUps)->Unit(benchmark::kMicrosecond);
BENCHMARK(SafeListUnchanged)->Unit(benchmark::kMicrosecond);
BENCHMARK(PackagesUnchanged)->Unit(benchmark::kMicrosecond);

void PrintRatios(const bench::RatioReporter::Runs& runs) {
    using bench::RatioReporter;
    std::printf("reading %.0f records: %.0f ms CPU (goal <= 250)\n",
                RatioReporter::Counter(runs, "ReadDatabase", "records"),
                RatioReporter::CpuSeconds(runs, "ReadDatabase") * 1000);
    std::printf("index resident: %.1f MiB (goal <= 16)\n",
                RatioReporter::Counter(runs, "IndexResidentMemory", "index_MiB"));
    const double processes = RatioReporter::Counter(runs, "PackageLookUps", "processes");
    for (const auto& [packages, safe] :
         {std::pair("PackageLookUps", "SafeListLookUps"), std::pair("PackagesUnchanged", "SafeListUnchanged")}) {
        const double byPackages = RatioReporter::CpuSeconds(runs, packages);
        const double bySafe = RatioReporter::CpuSeconds(runs, safe);
        if (byPackages > 0 && bySafe > 0 && processes > 0) {
            std::printf("%s / %s over %.0f processes: %.2f / %.2f us per process, ratio %.2f (goal <= 1)\n", packages,
                        safe, processes, byPackages * 1e6 / processes, bySafe * 1e6 / processes, byPackages / bySafe);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    korvane::bench::RatioReporter reporter(PrintRatios);
    return korvane::bench::RunWithRig(argc, argv, rig, &reporter);
}
