#pragma once

#include "platform/api/file_locker.h"

namespace korvane {

// Open-file-description locks (F_OFD_SETLK): they belong to the one open file, so
// closing some other descriptor of the same file in this process, as reading it for a
// checksum does, cannot drop them, which classic fcntl locks would. The file is
// opened read-only, so the lock is a shared one: it keeps any other process from
// taking the range for writing. Locks are advisory on Linux.
class LinuxFileLocker : public FileLocker {
public:
    std::unique_ptr<FileLock> lockFile(const std::string& path, std::uint64_t length) override;
};

} // namespace korvane
