#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>

namespace korvane {

// A file opened for one operation and read or written as raw bytes. Every failure
// throws FileError naming the path; the destructor closes without reporting.
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

    ~RawFile();
    RawFile(RawFile&& other) noexcept;
    RawFile& operator=(RawFile&& other) noexcept;
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    // Reads up to `count` bytes; fewer only at the end of the file.
    std::size_t read(void* buffer, std::size_t count);
    void write(const void* buffer, std::size_t count);
    // Closes now, so that a failed flush of written data is reported.
    void close();

private:
    RawFile(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {}
    static RawFile CreateFile(const std::string& path, bool restrictExisting);

    std::FILE* file_;
    std::string path_;
};

} // namespace korvane
