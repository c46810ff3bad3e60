#include "store/list_file_store.h"

#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "engine/file_error.h"
#include "engine/text_lines.h"
#include "engine/text_rules.h"
#include "engine/whole_file.h"
#include "store/data_files.h"
#include "store/raw_file.h"

namespace korvane {

namespace {

const std::string kListPassphrase = "Xq4&Lm9!vR2#tB%h8=";
constexpr std::string_view kLineEnd = "\r\n";
constexpr int kScrubLines = 300;
constexpr std::size_t kScrubRun = 20;
// A list file made anew is the user's own business.
constexpr mode_t kNewListMode = S_IRUSR | S_IWUSR;

} // namespace

ListFileStore::ListFileStore(std::string executableFolder) : folder_(std::move(executableFolder)) {}

std::string ListFileStore::listFilePath(const std::string& paneName) const {
    const DataFiles files(folder_);
    if (paneName == "TextListBox2") {
        return files.safeList;
    }
    if (paneName == "CheckListBox3") {
        return files.killList;
    }
    if (paneName == "TextListBox4") {
        return files.neverKillList;
    }
    throw std::invalid_argument("no list file for pane " + paneName);
}

std::string ListFileStore::tempFilePath() const {
    return DataFiles(folder_).listTemp;
}

template <class RoundTrip> void ListFileStore::throughTempFile(RoundTrip roundTrip) {
    const std::string tempFile = tempFilePath();
    try {
        roundTrip(tempFile);
    } catch (...) {
        // A failure may leave deciphered or not yet enciphered list text in the
        // temporary file; it must not stay on disk.
        try {
            ScrubFile(tempFile);
        } catch (const FileError&) {
        }
        throw;
    }
    ScrubFile(tempFile);
}

ListLoad ListFileStore::LoadList(ListPane& pane) {
    const std::string listFile = listFilePath(pane.name());
    if (!PathExists(listFile)) {
        pane.clear();
        return ListLoad::Missing;
    }
    bool matched = false;
    std::string text;
    try {
        throughTempFile([&](const std::string& tempFile) {
            // Claimed for its owner before any plain text goes in.
            RawFile::CreatePrivate(tempFile).close();
            matched = encryption_.CDecryptBtnClick(kListPassphrase, listFile, tempFile);
            text = ReadWholeFile(tempFile);
        });
    } catch (const FileError& error) {
        if (error.path() != listFile) {
            throw;
        }
        pane.clear();
        return ListLoad::Unreadable;
    }
    pane.clear();
    if (matched && !text.empty() && !text.ends_with(kLineEnd)) {
        // Every stored entry ends with CR LF: without one the file was cut short, and
        // what is left of its last entry is a shorter path, which on the Kill list
        // would match every program below it.
        return ListLoad::Rejected;
    }
    // A zero byte ends the text. A blank line is no entry: in the Never Kill list it
    // would sort before the password line and be taken for it.
    for (const std::string_view line : SplitLines(std::string_view(text).substr(0, text.find('\0')))) {
        if (!Trim(line).empty()) {
            pane.add(std::string(line));
        }
    }
    return matched ? ListLoad::Loaded : ListLoad::Rejected;
}

FileReplacement ListFileStore::StoreList(const ListPane& pane) {
    FileReplacement replacement = FileReplacement::Create(listFilePath(pane.name()), kNewListMode);
    throughTempFile([&](const std::string& tempFile) {
        RawFile plain = RawFile::CreatePrivate(tempFile);
        const std::string text = TerminateLines(pane.items());
        plain.write(text.data(), text.size());
        plain.close();
        encryption_.CEncryptBtnClick(kListPassphrase, tempFile, replacement.temporaryPath());
    });
    replacement.flush();
    return replacement;
}

void ListFileStore::ScrubFile(const std::string& path) const {
    std::string filler;
    for (int i = 0; i < kScrubLines; ++i) {
        filler.append(kScrubRun, '\xFF');
        filler += kLineEnd;
    }
    // Written over the old bytes where they lie, all of them, and flushed before the
    // file is cut to the filler's length: a truncated file would have its filler
    // written to fresh blocks, leaving the plain text in the old ones.
    RawFile file = RawFile::OverwritePrivate(path);
    const std::size_t length = file.size();
    std::size_t done = 0;
    do {
        file.write(filler.data(), filler.size());
        done += filler.size();
    } while (done < length);
    file.sync();
    file.truncate(filler.size());
    file.close();
}

} // namespace korvane
