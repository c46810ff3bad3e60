#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/api/file_stamp.h"

namespace korvane::test {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as the program writes folders: with its trailing separator.
    std::string folder() const { return path_.string() + "/"; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Writes `bytes` to `relative` inside the folder, making the folders on the way.
    std::string write(const std::string& relative, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

// Whole-file helpers for tests: bytes in, bytes out.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// The stamp of the regular file at `path`, links followed; nullopt when there is none.
std::optional<FileStamp> StampAt(const std::string& path);

} // namespace korvane::test
