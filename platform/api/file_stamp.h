#pragma once

#include <cstdint>

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

// The stamp of a POSIX stat result (struct stat, or anything with its fields).
template <class Stat> FileStamp StampOf(const Stat& info) {
    constexpr std::int64_t kNsPerSecond = 1'000'000'000;
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * kNsPerSecond + info.st_mtim.tv_nsec,
            static_cast<std::int64_t>(info.st_ctim.tv_sec) * kNsPerSecond + info.st_ctim.tv_nsec};
}

} // namespace korvane
