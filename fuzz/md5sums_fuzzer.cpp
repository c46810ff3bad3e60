// The reader of the package database's md5sums lines. Every input is read as a whole
// md5sums file; each record it yields must be a plain path below the root, and must
// read back the same when written out again as md5sum(1) writes it.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "engine/packages/md5sums_line.h"

namespace {

using korvane::Md5sumsRecord;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string Written(const Md5sumsRecord& record) {
    static const char kHex[] = "0123456789abcdef";
    std::string digits;
    for (const std::uint8_t byte : record.digest) {
        digits += kHex[byte >> 4];
        digits += kHex[byte & 15];
    }
    std::string path;
    bool escaped = false;
    for (const char c : record.path) {
        if (c == '\\' || c == '\n' || c == '\r') {
            escaped = true;
            path += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : "\\r";
        } else {
            path += c;
        }
    }
    return (escaped ? "\\" : "") + digits + "  " + path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t lines = 0;
    for (char c : text) {
        lines += c == '\n' ? 1 : 0;
    }
    std::size_t records = 0;
    korvane::ForEachMd5sumsRecord(text, [&](Md5sumsRecord&& record) {
        ++records;
        const std::string_view path = record.path;
        Check(!path.empty() && !path.starts_with('/') && !path.ends_with('/'));
        Check(path.find('\0') == std::string_view::npos && path.find("//") == std::string_view::npos);
        Check(path != "." && path != ".." && !path.starts_with("./") && !path.starts_with("../"));
        Check(path.find("/./") == std::string_view::npos && path.find("/../") == std::string_view::npos);
        Check(!path.ends_with("/.") && !path.ends_with("/.."));
        const std::optional<Md5sumsRecord> again = korvane::ReadMd5sumsLine(Written(record));
        Check(again && again->digest == record.digest && again->path == record.path);
    });
    // Only lines with their line feed yield records, at most one each.
    Check(records <= lines);
    return 0;
}
