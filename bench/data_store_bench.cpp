#include <benchmark/benchmark.h>

#include <string>

#include "engine/activity_log.h"
#include "engine/memory_list_pane.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/linux_file_locker.h"
#include "store/data_store.h"
#include "store/seed_folder.h"
#include "tests/support/fake_window.h"
#include "tests/support/temp_folder.h"

namespace {

using korvane::MemoryListPane;

constexpr int kEntries = 300;

class QuietStoreHost : public korvane::DataStoreHost {
public:
    void paintTampered(korvane::ListPane&) override {}
    void startTamperAlarm() override {}
};

// A seeded program folder whose three lists hold 300 entries each, as a clean
// shutdown left them, and the data store a run of the program keeps over it.
class StoreRig {
public:
    StoreRig() {
        korvane::SeedFolder(folder.folder(), {});
        store.LoadLists(); // the seeded, empty lists: counted as loaded, so the save writes
        fill();
        store.SaveLists("");
        store.LoadLists();
        store.releaseLocks();
    }
    void fill() {
        for (int i = 0; i < kEntries; ++i) {
            const std::string n = std::to_string(i);
            safe.add("/usr/lib/korvane/bench/safe" + n + "     [0123456789ABCDEF0123456789ABCDEF]");
            kill.add("/opt/bench/kill" + n);
            neverKill.add("/usr/lib/korvane/bench/system" + n);
        }
    }

    korvane::test::TempFolder folder;
    MemoryListPane safe{"TextListBox2", true};
    MemoryListPane kill{"CheckListBox3", false};
    MemoryListPane neverKill{"TextListBox4", true};
    korvane::LinuxClock clock;
    korvane::test::FakeWatchHost window;
    korvane::ActivityLog log{folder.folder() + "system/KVlog.txt", clock, window};
    korvane::LinuxFileLocker locker;
    QuietStoreHost host;
    korvane::DataStore store{folder.folder(), {safe, kill, neverKill}, log, locker, host};
};

// The data side of a start up to the end of the first activation: the seal check
// (five digests), the three lists deciphered into their panes, the five files locked.
void BM_StartToFirstActivation(benchmark::State& state) {
    StoreRig rig;
    for (auto _ : state) {
        rig.store.VerifyDataSeal();
        rig.store.LoadLists();
        state.PauseTiming();
        rig.store.releaseLocks();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToFirstActivation)->Unit(benchmark::kMillisecond)->UseRealTime();

// The data side of HouseKeeping: three lists, the seal and its backup written beside
// their places, flushed to disk, renamed in, folders flushed.
void BM_FullSave(benchmark::State& state) {
    StoreRig rig;
    for (auto _ : state) {
        if (!rig.store.SaveLists("")) {
            state.SkipWithError("the save failed");
        }
    }
}
BENCHMARK(BM_FullSave)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
