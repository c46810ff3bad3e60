#pragma once

#include "engine/list_pane.h"

namespace korvane {

// Deletes every entry that equals the entry before it, A-Z case ignored. Only
// neighbours are compared: in a sorted pane that is every duplicate.
void DeleteNeighbourDuplicates(ListPane& list);

// Neighbouring duplicates, then entries that are empty after trimming.
void DeleteDupesBlanks(ListPane& list);

} // namespace korvane
