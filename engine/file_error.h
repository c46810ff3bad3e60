#pragma once

#include <stdexcept>
#include <string>

namespace korvane {

// A file that cannot be opened, created, read or written. The message is the text
// the user would be shown, e.g. "Cannot open file /x/system/KVlog.txt".
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    static FileError cannotOpen(const std::string& path) { return FileError("Cannot open file " + path); }
    static FileError cannotCreate(const std::string& path) { return FileError("Cannot create file " + path); }
    static FileError readFailed(const std::string& path) { return FileError("Stream read error " + path); }
    static FileError writeFailed(const std::string& path) { return FileError("Stream write error " + path); }
};

} // namespace korvane
