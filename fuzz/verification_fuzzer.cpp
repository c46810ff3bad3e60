// Fuzzes the watch cycle and the Safe-list verification over the fake platform:
// fuzzed Safe, Kill and Never Kill lists, fuzzed executable paths, processes that
// start and end between and inside ticks, nested ticks while the questionable
// dialog is up. After every tick it checks what must always hold.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "engine/checksums.h"
#include "engine/file_error.h"
#include "engine/kill_list.h"
#include "engine/path_rules.h"
#include "engine/watch_engine.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_window.h"
#include "tests/support/memory_list_pane.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

const char* const kReasons[] = {" [not in Safe list]", " [corrupt checksum]"};

// Folders and executables made once for the whole run. The program folder holds no
// log, so decisions are dropped as with a missing log, without disk writes.
struct Files {
    Files() {
        std::filesystem::create_directory(program.path() / "system");
        for (const char* name : {"alpha", "Beta", "gamma [x]"}) {
            const std::string path = bins.file(name);
            test::WriteFileBytes(path, std::string("contents of ") + name);
            executables.emplace_back(path, DigestText(FileDigest(path)));
        }
    }
    test::TempFolder program;
    test::TempFolder bins;
    std::vector<std::pair<std::string, std::string>> executables; // path, digest text
};

const Files& TheFiles() {
    static const Files files;
    return files;
}

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

class Run {
public:
    explicit Run(FuzzedDataProvider& data) : data_(data), files_(TheFiles()) {
        fillLists();
        engine_ = std::make_unique<WatchEngine>(
            platform_.services, ProgramLocation{files_.program.folder() + "Korvane", files_.program.folder()},
            WatchPanes{current_, safe_, kill_, neverKill_}, host_, preferences_, dialog_);
        dialog_.onClose = [this] {
            engine_->flags().DialogUp = false;
            // The user decides on some lines; the rest stay for the next showing.
            const std::size_t decided = data_.ConsumeIntegralInRange<std::size_t>(0, dialog_.entries.size());
            dialog_.entries.erase(dialog_.entries.begin(), dialog_.entries.begin() + decided);
        };
    }

    void play() {
        for (int i = 0; i < 3; ++i) {
            startProcess();
        }
        engine_->takeFirstSnapshot();
        while (data_.remaining_bytes() > 0) {
            step(/*nested=*/false);
        }
    }

private:
    std::string fuzzedText(std::size_t max) { return data_.ConsumeRandomLengthString(max); }

    std::string someExecutable() {
        const auto& list = files_.executables;
        return list[data_.ConsumeIntegralInRange<std::size_t>(0, list.size() - 1)].first;
    }

    std::string processPath() {
        switch (data_.ConsumeIntegralInRange(0, 4)) {
        case 0:
            return someExecutable();
        case 1:
            return someExecutable() + fuzzedText(16);
        case 2:
            return files_.program.folder() + fuzzedText(16);
        case 3: {
            // The program's folder seen from elsewhere or in other letter case.
            std::string folder = files_.program.folder();
            folder[data_.ConsumeIntegralInRange<std::size_t>(1, folder.size() - 1)] ^= 0x20;
            return (data_.ConsumeBool() ? folder : "/home/x" + files_.program.folder()) + fuzzedText(8);
        }
        default:
            return "/" + fuzzedText(40);
        }
    }

    std::string listEntry() {
        switch (data_.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return someExecutable();
        case 1: {
            const auto& [path, digest] =
                files_.executables[data_.ConsumeIntegralInRange<std::size_t>(0, files_.executables.size() - 1)];
            return path + "     [" + (data_.ConsumeBool() ? digest : fuzzedText(34)) + "]";
        }
        case 2:
            return "   " + fuzzedText(12); // the stored password line
        default:
            return fuzzedText(48);
        }
    }

    void fillLists() {
        for (test::MemoryListPane* pane : {&safe_, &kill_, &neverKill_}) {
            const int count = data_.ConsumeIntegralInRange(0, 6);
            for (int i = 0; i < count; ++i) {
                pane->add(listEntry());
                if (pane == &kill_) {
                    kill_.setChecked(kill_.count() - 1, data_.ConsumeBool());
                }
            }
        }
    }

    void startProcess() {
        const std::string path = processPath();
        if (data_.ConsumeBool()) {
            platform_.executables->locked.insert(path);
        }
        platform_.table->start(path);
    }

    void endProcess() {
        auto& processes = platform_.table->processes;
        if (!processes.empty()) {
            platform_.table->end(processes[data_.ConsumeIntegralInRange<std::size_t>(0, processes.size() - 1)].id);
        }
    }

    void step(bool nested) {
        switch (data_.ConsumeIntegralInRange(0, nested ? 5 : 8)) {
        case 0:
        case 1:
            startProcess();
            break;
        case 2:
            endProcess();
            break;
        case 3:
        case 4:
            tick();
            break;
        case 5:
            preferences_.autoKill = data_.ConsumeBool();
            preferences_.autoKillChecksums = data_.ConsumeBool();
            preferences_.uncheckAtEoj = data_.ConsumeBool();
            host_.activated = data_.ConsumeIntegralInRange(0, 3) != 0;
            break;
        case 6:
            if (kill_.count() > 0) {
                const std::size_t at = data_.ConsumeIntegralInRange<std::size_t>(0, kill_.count() - 1);
                kill_.setChecked(at, !kill_.checked(at));
                engine_->flags().ForceCheck = true;
            }
            break;
        case 7: {
            // The next showing of the dialog runs ticks of its own.
            const int inner = data_.ConsumeIntegralInRange(0, 4);
            dialog_.whileShown = [this, inner] {
                for (int i = 0; i < inner && data_.remaining_bytes() > 0; ++i) {
                    step(/*nested=*/true);
                }
            };
            break;
        }
        default:
            // A process ends between the snapshot and the verification pass.
            engine_->snapshot().RefreshTaskListNT();
            endProcess();
            verifyAlone();
            break;
        }
    }

    void tick() {
        const bool checks = host_.activated;
        // A requested re-check runs the checks whatever the snapshot did.
        const bool checksSurelyRun = checks && engine_->flags().ForceCheck;
        const std::size_t killsBefore = platform_.terminator->terminated.size();
        try {
            engine_->Timer1Timer();
        } catch (const FileError&) {
            // A digest that fails ends the tick, as the window's error handler would.
            checkDialog();
            return;
        }
        checkDialog();
        checkKills(killsBefore);
        if (checksSurelyRun && !neverKillClean()) {
            Broken("a blank-led entry (the password line) stayed on the Never Kill pane");
        }
        if (!checks && platform_.terminator->terminated.size() != killsBefore) {
            Broken("a stopped watch terminated a process");
        }
    }

    void verifyAlone() {
        const std::size_t killsBefore = platform_.terminator->terminated.size();
        try {
            engine_->verifier().CheckSafeProcessesList();
        } catch (const FileError&) {
        }
        checkDialog();
        checkKills(killsBefore);
    }

    bool neverKillClean() const {
        for (std::size_t i = 0; i < neverKill_.count(); ++i) {
            const std::string entry = neverKill_.item(i);
            if (entry.empty() || static_cast<unsigned char>(entry.front()) <= 32) {
                return false;
            }
        }
        return true;
    }

    // Every line is its process's entry and one reason; each process once.
    void checkDialog() const {
        std::set<std::tuple<std::string, int, std::uint64_t>> seen;
        for (const auto& [line, entry] : dialog_.entries) {
            if (line != entry.text + kReasons[0] && line != entry.text + kReasons[1]) {
                Broken("a dialog line is not its entry and a reason");
            }
            if (!seen.emplace(entry.path, entry.id.pid, entry.id.startTime).second) {
                Broken("a process is listed twice in the dialog");
            }
            if (InProgramFolder(entry.path, files_.program.folder())) {
                Broken("a process from the program's folder was questioned");
            }
        }
    }

    // The program's folder exempts from the verification only: the Kill list is
    // enforced there too.
    void checkKills(std::size_t from) const {
        const auto& terminated = platform_.terminator->terminated;
        for (std::size_t i = from; i < terminated.size(); ++i) {
            const std::optional<SnapshotEntry> entry = snapshotEntryOf(terminated[i]);
            if (entry && InProgramFolder(entry->path, files_.program.folder()) && !killListed(*entry)) {
                Broken("a process from the program's folder was terminated");
            }
        }
    }

    bool killListed(const SnapshotEntry& entry) const {
        for (std::size_t k = 0; k < kill_.count(); ++k) {
            if (KillEntryMatches(kill_.item(k), entry.text)) {
                return true;
            }
        }
        return false;
    }

    // The entry of a process, while the latest snapshot still holds it.
    std::optional<SnapshotEntry> snapshotEntryOf(const ProcessIdentity& id) const {
        for (const SnapshotEntry& entry : engine_->snapshot().StgLst()) {
            if (entry.id == id) {
                return entry;
            }
        }
        return std::nullopt;
    }

    FuzzedDataProvider& data_;
    const Files& files_;
    test::FakePlatform platform_;
    test::MemoryListPane current_{"TextListBox1", true};
    test::MemoryListPane safe_{"TextListBox2", true};
    test::MemoryListPane kill_{"CheckListBox3", false};
    test::MemoryListPane neverKill_{"TextListBox4", true};
    test::FakeWatchHost host_;
    test::FakePreferences preferences_;
    test::FakeQuestionableDialog dialog_;
    std::unique_ptr<WatchEngine> engine_;
};

} // namespace
} // namespace korvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    korvane::Run(data).play();
    return 0;
}
