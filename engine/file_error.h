#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace korvane {

// A file that cannot be opened, created, read or written. The message is the text
// the user would be shown, e.g. "Cannot open file /x/system/KVlog.txt"; path() names
// the file, so a caller can tell which of the files it used failed.
class FileError : public std::runtime_error {
public:
    FileError(const std::string& message, std::string path) : std::runtime_error(message), path_(std::move(path)) {}

    static FileError cannotOpen(const std::string& path) { return {"Cannot open file " + path, path}; }
    static FileError cannotCreate(const std::string& path) { return {"Cannot create file " + path, path}; }
    static FileError readFailed(const std::string& path) { return {"Stream read error " + path, path}; }
    static FileError writeFailed(const std::string& path) { return {"Stream write error " + path, path}; }

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace korvane
