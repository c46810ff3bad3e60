#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/api/file_stamp.h"

namespace korvane {

// The stamp of the regular file at `path`, links followed; nullopt when there is none.
std::optional<FileStamp> RegularFileStamp(const std::string& path);

struct FileStampHash {
    std::size_t operator()(const FileStamp& stamp) const;
};

} // namespace korvane
