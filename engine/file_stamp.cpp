#include "engine/file_stamp.h"

#include <functional>

#include <sys/stat.h>

namespace korvane {

std::optional<FileStamp> RegularFileStamp(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return StampOf(info);
}

std::size_t FileStampHash::operator()(const FileStamp& stamp) const {
    // Boost's hash_combine: enough to spread a few thousand stamps.
    std::size_t seed = 0;
    const auto mix = [&seed](auto value) {
        seed ^= std::hash<decltype(value)>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    };
    mix(stamp.device);
    mix(stamp.inode);
    mix(stamp.size);
    mix(stamp.modifiedNs);
    mix(stamp.changedNs);
    return seed;
}

} // namespace korvane
