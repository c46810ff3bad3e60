#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace korvane {

// A byte-range lock on an open file, held until this object is destroyed, which
// unlocks the range and closes the file.
class FileLock {
public:
    virtual ~FileLock() = default;
};

class FileLocker {
public:
    virtual ~FileLocker() = default;
    // Opens the file for reading and locks its bytes 0 to length - 1 against writing
    // by others. Nothing when the file cannot be opened or the range cannot be locked.
    virtual std::unique_ptr<FileLock> lockFile(const std::string& path, std::uint64_t length) = 0;
};

} // namespace korvane
