#pragma once

#include "engine/list_pane.h"
#include "store/data_files.h"
#include "store/list_file_store.h"

namespace korvane {

// The three stored lists: Safe (TextListBox2), Kill (CheckListBox3), Never Kill
// (TextListBox4).
struct StorePanes {
    ListPane& safe;
    ListPane& kill;
    ListPane& neverKill;
};

// Stores the three lists as they stand, then the seal over the files just written and
// its backup. Every file is written beside its place first, and only when all five are
// written and flushed are they renamed into place, in the order Safe, Kill, Never Kill,
// seal, backup: a failure before that leaves every old file, and the old seal, as it
// was. Before the first rename the new seal is announced as pending, and withdrawn
// after the last, so that a save cut short between the renames is not taken for
// tampering at the next start. Throws FileError.
void SaveDataFiles(ListFileStore& lists, const DataFiles& files, const StorePanes& panes);

// Removes the temporary files of saves that died before they finished: the files
// written beside the lists, the seal, its backup and the pending seals.
void RemoveSaveLeftovers(const DataFiles& files);

} // namespace korvane
