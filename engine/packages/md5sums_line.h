#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/checksums.h"

namespace korvane {

// One line of a package's md5sums file (/var/lib/dpkg/info/*.md5sums), as md5sum(1)
// writes it: 32 hexadecimal digits, two blanks (or a blank and "*"), the path
// relative to the root ("usr/bin/bash"). A line that begins with "\" holds a path
// with "\\", "\n" or "\r" written as those escapes.
struct Md5sumsRecord {
    Digest digest{};
    std::string path; // relative to the root, without a leading "/"
};

// The record a line holds, without its line break. Nothing for a line that is
// truncated or garbled: a short or non-hexadecimal digest, no separator, an empty
// path, an empty, "." or ".." path component, a NUL byte or an unknown escape.
std::optional<Md5sumsRecord> ReadMd5sumsLine(std::string_view line);

// Every record of an md5sums file's text, in order. Lines that hold none are skipped,
// and so is a last line without its line feed.
void ForEachMd5sumsRecord(std::string_view text, const std::function<void(Md5sumsRecord&&)>& take);

} // namespace korvane
