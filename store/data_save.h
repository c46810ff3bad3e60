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
// was. Throws FileError.
void SaveDataFiles(ListFileStore& lists, const DataFiles& files, const StorePanes& panes);

} // namespace korvane
