#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/list_pane.h"
#include "store/encryption.h"
#include "store/list_file_store.h"

namespace {

// Every figure is wall time: it includes the file traffic, not only the cipher.
constexpr std::size_t kListBytes = 1 << 20;

// The Kill pane in user order, so the figures are the cipher's, not a sort's.
class VectorPane : public korvane::ListPane {
public:
    std::string name() const override { return "CheckListBox3"; }
    std::size_t count() const override { return items_.size(); }
    std::string item(std::size_t index) const override { return items_.at(index); }
    void add(const std::string& text) override {
        items_.push_back(text);
        ++revision_;
    }
    void remove(std::size_t index) override {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
        ++revision_;
    }
    void clear() override {
        items_.clear();
        ++revision_;
    }
    bool checked(std::size_t) const override { return false; }
    void setChecked(std::size_t, bool) override {}
    std::uint64_t revision() const override { return revision_; }

private:
    std::vector<std::string> items_;
    std::uint64_t revision_ = 0;
};

// A fresh executable folder with its "system/" data folder, removed afterwards.
class BenchFolder {
public:
    BenchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvane-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
        std::filesystem::create_directory(path_ / "system");
    }
    ~BenchFolder() { std::filesystem::remove_all(path_); }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    std::string folder() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

// About 1 MiB of Safe-style lines (path, blanks, digest) including their CR LF.
void FillList(korvane::ListPane& pane) {
    std::size_t bytes = 0;
    for (int i = 0; bytes < kListBytes; ++i) {
        const std::string line =
            "/usr/lib/korvane/bench/program" + std::to_string(i) + "     [0123456789ABCDEF0123456789ABCDEF]";
        pane.add(line);
        bytes += line.size() + 2;
    }
}

void StoreList(benchmark::State& state) {
    BenchFolder folder;
    korvane::ListFileStore store(folder.folder());
    VectorPane pane;
    FillList(pane);
    for (auto _ : state) {
        store.StoreList(pane).commit();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kListBytes));
}
BENCHMARK(StoreList)->Unit(benchmark::kMillisecond)->UseRealTime();

void LoadList(benchmark::State& state) {
    BenchFolder folder;
    korvane::ListFileStore store(folder.folder());
    VectorPane pane;
    FillList(pane);
    store.StoreList(pane).commit();
    for (auto _ : state) {
        store.LoadList(pane);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kListBytes));
}
BENCHMARK(LoadList)->Unit(benchmark::kMillisecond)->UseRealTime();

// The file-to-file cipher alone, without the pane and the temporary file.
void EncipherFile(benchmark::State& state) {
    BenchFolder folder;
    korvane::ListFileStore store(folder.folder());
    VectorPane pane;
    FillList(pane);
    store.StoreList(pane).commit();
    const std::string stored = store.listFilePath(pane.name());
    korvane::TEncryption encryption;
    for (auto _ : state) {
        encryption.CDecryptBtnClick("Xq4&Lm9!vR2#tB%h8=", stored, folder.folder() + "plain");
        encryption.CEncryptBtnClick("Xq4&Lm9!vR2#tB%h8=", folder.folder() + "plain", stored);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 2 * kListBytes));
}
BENCHMARK(EncipherFile)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
