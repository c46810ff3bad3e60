#pragma once

#include <cstddef>
#include <cstdint>

namespace korvane {

// An open, seekable stream of bytes. Failures throw FileError.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    virtual std::int64_t size() = 0;
    virtual std::int64_t position() = 0;
    virtual void seek(std::int64_t position) = 0;
    // Reads up to `count` bytes; returns how many were read, 0 at the end.
    virtual std::size_t read(void* buffer, std::size_t count) = 0;
};

} // namespace korvane
