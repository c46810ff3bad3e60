#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/byte_stream.h"

namespace korvane {

// A file opened read-only, read through a large buffer so that small reads stay cheap.
class FileByteStream : public ByteStream {
public:
    // Throws FileError "Cannot open file <path>" when the file cannot be opened for reading.
    explicit FileByteStream(std::string path);
    ~FileByteStream() override;
    FileByteStream(const FileByteStream&) = delete;
    FileByteStream& operator=(const FileByteStream&) = delete;

    std::int64_t size() override;
    std::int64_t position() override;
    void seek(std::int64_t position) override;
    std::size_t read(void* buffer, std::size_t count) override;

private:
    std::string path_;
    std::FILE* file_ = nullptr;
};

} // namespace korvane
