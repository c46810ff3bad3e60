#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// The whole contents of a file. Throws FileError "Cannot open file <path>" when it
// cannot be opened (a missing file included), and a read error when reading fails.
std::string ReadWholeFile(const std::string& path);

// The whole contents of a file; nothing when it does not exist.
std::optional<std::string> ReadFileIfExists(const std::string& path);

// True when something (a file, a folder, a link, even a broken one) has this name.
bool PathExists(const std::string& path);

// Creates the file or replaces its whole contents. Throws FileError on failure.
void WriteWholeFile(const std::string& path, std::string_view contents);

} // namespace korvane
