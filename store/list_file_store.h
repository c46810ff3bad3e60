#pragma once

#include <string>

#include "engine/file_replacement.h"
#include "engine/list_pane.h"
#include "store/encryption.h"

namespace korvane {

// How a list file loaded. Anything but Loaded leaves the pane empty.
enum class ListLoad {
    Loaded,     // the check block matched (the list may still be empty)
    Missing,    // there is no list file
    Unreadable, // the list file could not be opened or read
    Rejected,   // not this program's list file (the check block did not match), or damaged:
                // its text does not end with CR LF, so it was cut short
};

// The list round trip (EnDeCryptMajor): moves the Safe, Kill and Never Kill panes to
// and from their enciphered files in "system/", through the plain temporary file
// "source.pcd" beside the executable. That file is readable by its owner only and is
// overwritten with filler after every round trip, failed ones included.
class ListFileStore {
public:
    // `executableFolder` ends with its separator.
    explicit ListFileStore(std::string executableFolder);

    // Direction 0: replaces the pane's entries by the list file's lines, leaving out
    // blank ones (Kill marks come back cleared). A list file that is missing, cannot be
    // read (a FIFO or a device included), does not match or was cut short loads as an
    // empty list and says so. Throws FileError, with
    // the pane as it was, only when the temporary file fails.
    ListLoad LoadList(ListPane& pane);
    // Direction 1: enciphers the pane's entries into a replacement of its list file,
    // flushed to disk but not yet committed, so that several files can be put in place
    // together. Throws FileError.
    FileReplacement StoreList(const ListPane& pane);

    // Overwrites every byte of the file where it lies with lines of twenty 0xFF bytes
    // and CR LF, flushes them to disk, then cuts the file to 300 such lines.
    void ScrubFile(const std::string& path) const;

    // The list file of "TextListBox2", "CheckListBox3" or "TextListBox4".
    std::string listFilePath(const std::string& paneName) const;
    std::string tempFilePath() const;

private:
    // Runs one round trip over the temporary file and scrubs it afterwards, also when
    // the round trip fails (the first failure is the one reported).
    template <class RoundTrip> void throughTempFile(RoundTrip roundTrip);

    std::string folder_;
    TEncryption encryption_;
};

} // namespace korvane
