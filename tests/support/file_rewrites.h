#pragma once

#include <string>

namespace korvane::test {

// Counts how often a file is opened for writing and closed again, through inotify on
// its folder: once per rewrite, whether the rewrite renames a replacement over the
// file or writes it in place.
class FileRewrites {
public:
    explicit FileRewrites(const std::string& path);
    ~FileRewrites();
    FileRewrites(const FileRewrites&) = delete;
    FileRewrites& operator=(const FileRewrites&) = delete;

    // The rewrites since construction.
    int count();

private:
    std::string name_;
    int inotify_ = -1;
    int count_ = 0;
};

} // namespace korvane::test
