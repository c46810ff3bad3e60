#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/byte_stream.h"
#include "platform/api/file_stamp.h"

namespace korvane {

// A file opened read-only, read through a large buffer of its own so that small
// reads stay cheap.
class FileByteStream : public ByteStream {
public:
    // Throws FileError "Cannot open file <path>" when the path names no regular file
    // that can be opened for reading; never blocks in the attempt.
    explicit FileByteStream(std::string path);
    ~FileByteStream() override;
    FileByteStream(const FileByteStream&) = delete;
    FileByteStream& operator=(const FileByteStream&) = delete;

    std::int64_t size() override;
    std::int64_t position() override;
    void seek(std::int64_t position) override;
    // Reads `count` bytes, fewer only at the end of the file.
    std::size_t read(void* buffer, std::size_t count) override;
    // The stamp of the file that was opened, whatever lies at the path now, as it
    // was when it was opened.
    const FileStamp& stamp() const { return stamp_; }

private:
    struct PageAlignedDelete {
        void operator()(std::byte* bytes) const;
    };

    // Fills the buffer with the next bytes of the file; false at the end. The buffer
    // is made on the first read: a stream opened only for its stamp needs none.
    bool refill();

    std::string path_;
    int fd_ = -1;
    std::unique_ptr<std::byte[], PageAlignedDelete> buffer_;
    std::size_t next_ = 0; // first buffered byte not yet handed out
    std::size_t end_ = 0;  // end of the buffered bytes
    FileStamp stamp_;
};

} // namespace korvane
