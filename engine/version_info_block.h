#pragma once

#include <optional>
#include <string_view>

namespace korvane {

// Queries one VS_VERSIONINFO resource the way VerQueryValue does. `subBlock` names
// the way down from the root, keys separated by backslashes (empty keys, such as
// those of a doubled leading backslash, are skipped): "\\StringFileInfo\\040904e4\\CompanyName".
// Keys compare with A-Z folded. Returns the value bytes of the block reached: for a
// text block the UTF-16 text with its terminating zero where present, for a binary
// one exactly its bytes. Nothing when a block on the way is missing or malformed.
// Every length, offset and key is checked against the bytes, and the walk only ever
// moves forward: no input makes it loop, and it allocates nothing.
std::optional<std::string_view> QueryVersionValue(std::string_view resource, std::string_view subBlock);

} // namespace korvane
