#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "engine/file_descriptor.h"

namespace korvane {

// A regular file opened for one operation and read or written as raw bytes. Every
// failure throws FileError naming the path. Opening never blocks and takes regular
// files only: a FIFO or a device in a data file's place is a file that cannot be opened.
class RawFile {
public:
    static RawFile OpenRead(const std::string& path);
    // Creates the file (readable by its owner only) or truncates an existing one. A
    // symbolic link at `path` is never followed: the open fails instead, so a link
    // planted there cannot make the program write through it.
    static RawFile Create(const std::string& path);
    // As Create, and an existing file is made readable by its owner only as well: for
    // files that hold plain list text.
    static RawFile CreatePrivate(const std::string& path);
    // Opens an existing file (or creates one, readable by its owner only) for writing
    // over its bytes in place, at the start; nothing is cut off. No link is followed,
    // and an existing file is made readable by its owner only.
    static RawFile OverwritePrivate(const std::string& path);

    RawFile(RawFile&& other) noexcept = default;
    RawFile& operator=(RawFile&& other) noexcept = default;

    // Reads up to `count` bytes; fewer only at the end of the file.
    std::size_t read(void* buffer, std::size_t count);
    void write(const void* buffer, std::size_t count);
    // The file's size now.
    std::size_t size() const;
    // Flushes the written bytes to disk.
    void sync();
    // Cuts the file to `length` bytes.
    void truncate(std::size_t length);
    // Closes now, so that a failed delayed write is reported.
    void close();

private:
    RawFile(Descriptor file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}
    static RawFile OpenWrite(const std::string& path, int flags, bool restrictExisting);

    Descriptor file_;
    std::string path_;
};

} // namespace korvane
