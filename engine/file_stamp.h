#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct stat;

namespace korvane {

// What tells a file's contents apart without reading them: the file (device and
// inode), its size and its modification and change times, in nanoseconds. Rewriting
// a file moves its change time even when the modification time is put back, and a
// file put in the place of another is another inode.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file `info` describes.
FileStamp StampOf(const struct stat& info);
// The stamp of the regular file at `path`, links followed; nullopt when there is none.
std::optional<FileStamp> RegularFileStamp(const std::string& path);

struct FileStampHash {
    std::size_t operator()(const FileStamp& stamp) const;
};

} // namespace korvane
