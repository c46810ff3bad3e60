#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// The whole contents of a file; nothing when it does not exist. Throws FileError
// when it exists but cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Creates the file or replaces its whole contents. Throws FileError on failure.
void WriteWholeFile(const std::string& path, std::string_view contents);

} // namespace korvane
