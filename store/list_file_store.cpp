#include "store/list_file_store.h"

#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/file_error.h"
#include "engine/text_lines.h"
#include "engine/whole_file.h"
#include "store/raw_file.h"

namespace korvane {

namespace {

const std::string kListPassphrase = "Xq4&Lm9!vR2#tB%h8=";
constexpr std::string_view kLineEnd = "\r\n";
constexpr int kScrubLines = 300;
constexpr std::size_t kScrubRun = 20;

} // namespace

ListFileStore::ListFileStore(std::string executableFolder) : folder_(std::move(executableFolder)) {}

std::string ListFileStore::listFilePath(const std::string& paneName) const {
    std::string base;
    if (paneName == "TextListBox2") {
        base = "Safe";
    } else if (paneName == "CheckListBox3") {
        base = "Kill";
    } else if (paneName == "TextListBox4") {
        base = "NeverKill";
    } else {
        throw std::invalid_argument("no list file for pane " + paneName);
    }
    return folder_ + "system/" + base + ".lst";
}

void ListFileStore::EnDeCryptMajor(ListPane& pane, ListDirection direction) {
    const std::string listFile = listFilePath(pane.name());
    const std::string tempFile = tempFilePath();
    try {
        if (direction == ListDirection::Store) {
            store(pane, listFile, tempFile);
        } else {
            load(pane, listFile, tempFile);
        }
    } catch (...) {
        // A failure may leave deciphered or not yet enciphered list text in the
        // temporary file; it must not stay on disk. The first failure is the one reported.
        try {
            ScrubFile(tempFile);
        } catch (const FileError&) {
        }
        throw;
    }
    ScrubFile(tempFile);
}

void ListFileStore::store(const ListPane& pane, const std::string& listFile, const std::string& tempFile) {
    RawFile plain = RawFile::Create(tempFile);
    const std::string text = TerminateLines(pane.items());
    plain.write(text.data(), text.size());
    plain.close();
    encryption_.CEncryptBtnClick(kListPassphrase, tempFile, listFile);
}

void ListFileStore::load(ListPane& pane, const std::string& listFile, const std::string& tempFile) {
    encryption_.CDecryptBtnClick(kListPassphrase, listFile, tempFile);
    const std::string text = ReadWholeFile(tempFile);
    // A zero byte ends the text.
    const std::vector<std::string_view> lines = SplitLines(std::string_view(text).substr(0, text.find('\0')));
    pane.clear();
    for (const std::string_view line : lines) {
        pane.add(std::string(line));
    }
}

void ListFileStore::ScrubFile(const std::string& path) const {
    std::string line(kScrubRun, '\xFF');
    line += kLineEnd;
    RawFile file = RawFile::Create(path);
    for (int i = 0; i < kScrubLines; ++i) {
        file.write(line.data(), line.size());
    }
    file.close();
}

} // namespace korvane
