#pragma once

#include <string>
#include <string_view>

#include "engine/list_pane.h"

namespace korvane {

// How the Safe list records a trusted executable: the path, five blanks, and the
// digest text in brackets.
std::string SafeListEntry(std::string_view path, std::string_view digestText);

// The path a Safe entry records: the text before its digest when it has the form
// SafeListEntry makes, else the text before its first "[", trimmed. Cut at the digest,
// a path holding "[" stays whole: cut at that bracket instead it would name a folder,
// and as a Kill entry match every program whose path begins with it.
std::string SafeListPath(std::string_view entry);

// Puts `path` on the Safe list with `digestText`, replacing the entries recorded for
// exactly that path before. A program admitted again after an update must be judged
// by its new checksum: the last matching entry decides, and an older one sorting after
// the new would keep it questioned however often the user admitted it.
void AdmitToSafeList(ListPane& safe, std::string_view path, std::string_view digestText);

} // namespace korvane
