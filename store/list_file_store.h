#pragma once

#include <string>

#include "engine/list_pane.h"
#include "store/encryption.h"

namespace korvane {

enum class ListDirection { Load = 0, Store = 1 };

// Moves the Safe, Kill and Never Kill panes to and from their enciphered files in
// "system/", through the plain temporary file "source.pcd" beside the executable,
// which is overwritten with filler after every round trip.
class ListFileStore {
public:
    // `executableFolder` ends with its separator.
    explicit ListFileStore(std::string executableFolder);

    // Store writes the pane's entries into its list file; Load replaces the pane's
    // entries by the file's lines (Kill marks come back cleared). A file from another
    // passphrase loads as an empty list. File failures throw FileError after the
    // temporary file has been scrubbed.
    void EnDeCryptMajor(ListPane& pane, ListDirection direction);
    // Replaces the file's contents by 300 lines of twenty 0xFF bytes and CR LF.
    void ScrubFile(const std::string& path) const;

    // The list file of "TextListBox2", "CheckListBox3" or "TextListBox4".
    std::string listFilePath(const std::string& paneName) const;
    std::string tempFilePath() const { return folder_ + "source.pcd"; }

private:
    void store(const ListPane& pane, const std::string& listFile, const std::string& tempFile);
    void load(ListPane& pane, const std::string& listFile, const std::string& tempFile);

    std::string folder_;
    TEncryption encryption_;
};

} // namespace korvane
