#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace korvane {

// Fills `out` with the bytes at `offset`; false when any of them lies beyond the
// end or the read fails.
using ReadAt = std::function<bool(std::uint64_t offset, std::span<char> out)>;

// The VS_VERSIONINFO resource of a PE image (PE32 or PE32+), found through the
// section table and the resource directory: type RT_VERSION, name 1, and of its
// languages the neutral one, else US English (1033), else the first listed, as an
// English Windows system chooses. Nothing when the image has none or any structure
// on the way lies outside the file or its section. Reads only the headers, the
// directories on the way and the resource itself, at most 64 KiB of it (its own
// length field has 16 bits); every directory is bounded by its 16-bit counts.
std::optional<std::string> FindVersionResource(const ReadAt& readAt);

// The same over an image held in memory.
std::optional<std::string> FindVersionResource(std::string_view image);

// The version resource of the file at `path`. Nothing for a missing or unreadable
// file and for anything but a regular file (a FIFO or a device is never opened
// for reading, so it cannot block or stream forever).
std::optional<std::string> ReadVersionResource(const std::string& path);

} // namespace korvane
