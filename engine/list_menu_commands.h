#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "engine/list_pane.h"

namespace korvane {

// What the list panes' popup menus do to the lists. `highlighted` is the index of the
// pane's highlighted entry, if one is highlighted; without one nothing changes.

// "Delete highlighted file from Kill list".
void DeleteFocusedKillProcess1Click(ListPane& kill, std::optional<std::size_t> highlighted);

// "Strip down to exe name only": the highlighted Kill entry becomes its bare file
// name, trimmed, in the same place and with the same "Bypass" mark.
void StripDownToExeNameOnly1Click(ListPane& kill, std::optional<std::size_t> highlighted);

// "Remove these file from Safe list": every Safe entry whose path is on the Never
// Kill list (PathList) is deleted.
void RemoveTheseFilesFromSafeList1Click(const ListPane& neverKill, ListPane& safe);

// The text "Copy list to Clipboard" puts on the clipboard: every entry followed by
// CR LF, in the pane's order; empty for an empty pane.
std::string ListClipboardText(const ListPane& list);

// The Yes of "Delete highlighted file from Safe list" (and of the Never Kill list's
// counterpart): deletes the highlighted entry of `list`. True when the Safe list is to
// be checked at once: the watch is activated and no entry of `other` (the Never Kill
// list for a Safe entry, the Safe list for a Never Kill entry) records exactly the
// removed path, so a running process the entry let pass may now be questioned.
bool DeleteHighlightedEntry(ListPane& list, std::optional<std::size_t> highlighted, const ListPane& other,
                            bool activated);

} // namespace korvane
