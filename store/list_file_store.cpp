#include "store/list_file_store.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/file_error.h"
#include "store/raw_file.h"

namespace korvane {

namespace {

const std::string kListPassphrase = "Xq4&Lm9!vR2#tB%h8=";
constexpr std::string_view kLineEnd = "\r\n";
constexpr int kScrubLines = 300;
constexpr std::size_t kScrubRun = 20;

// Lines end at CR LF, a lone CR or a lone LF; an unterminated last line counts and a
// zero byte ends the text.
std::vector<std::string> SplitLines(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

std::string ReadWhole(const std::string& path) {
    RawFile file = RawFile::OpenRead(path);
    std::string text;
    std::array<char, TEncryption::kChunkSize> buffer;
    std::size_t got = 0;
    do {
        got = file.read(buffer.data(), buffer.size());
        text.append(buffer.data(), got);
    } while (got == buffer.size());
    file.close();
    return text;
}

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
    for (std::size_t i = 0; i < pane.count(); ++i) {
        const std::string line = pane.item(i);
        plain.write(line.data(), line.size());
        plain.write(kLineEnd.data(), kLineEnd.size());
    }
    plain.close();
    encryption_.CEncryptBtnClick(kListPassphrase, tempFile, listFile);
}

void ListFileStore::load(ListPane& pane, const std::string& listFile, const std::string& tempFile) {
    encryption_.CDecryptBtnClick(kListPassphrase, listFile, tempFile);
    const std::vector<std::string> lines = SplitLines(ReadWhole(tempFile));
    pane.clear();
    for (const std::string& line : lines) {
        pane.add(line);
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
