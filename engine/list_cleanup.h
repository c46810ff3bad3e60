#pragma once

#include "engine/list_pane.h"

namespace korvane {

// Deletes every entry that equals an entry before it, byte for byte, with nothing but
// its case variants (A-Z) between them: in a sorted pane that is every duplicate, in
// the unsorted Kill list the neighbouring ones. Entries differing in case are kept:
// on Linux they name different files.
void DeleteNeighbourDuplicates(ListPane& list);

// Neighbouring duplicates, then entries that are empty after trimming. One rule for
// the text lists and for the Kill list (its DeleteDupesCBlanks): the pane deletes an
// entry with its mark, so every "Bypass" mark stays with the entry it belongs to.
void DeleteDupesBlanks(ListPane& list);

// Takes the stored password line, and anything that sorts before it, off the head of
// the Never Kill pane: every leading entry that is empty or begins with a code up to
// 32. No path begins that way, and such an entry sorts before the password line, so
// stopping at the first non-blank would let the password line survive behind it.
void DeletePasswordLines(ListPane& neverKill);

} // namespace korvane
