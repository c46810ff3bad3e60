#include "engine/packages/md5sums_line.h"

namespace korvane {

namespace {

constexpr std::size_t kDigits = 32;

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool ReadDigest(std::string_view digits, Digest& digest) {
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const int high = HexValue(digits[2 * i]);
        const int low = HexValue(digits[2 * i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        digest[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return true;
}

// md5sum's escapes: "\\", "\n" and "\r". Anything else after a "\" is garbled.
std::optional<std::string> Unescaped(std::string_view path) {
    std::string plain;
    plain.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '\\') {
            plain += path[i];
            continue;
        }
        if (++i == path.size()) {
            return std::nullopt;
        }
        switch (path[i]) {
        case '\\':
            plain += '\\';
            break;
        case 'n':
            plain += '\n';
            break;
        case 'r':
            plain += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return plain;
}

// A path that names a file below the root and nothing else: no empty, "." or ".."
// component (which could lead out of the root, or name a folder), no NUL.
bool PlainRelativePath(std::string_view path) {
    if (path.empty() || path.find('\0') != std::string_view::npos) {
        return false;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('/', start);
        const std::string_view component = path.substr(start, end - start);
        if (component.empty() || component == "." || component == "..") {
            return false;
        }
        if (end == std::string_view::npos) {
            return true;
        }
        start = end + 1;
    }
}

} // namespace

std::optional<Md5sumsRecord> ReadMd5sumsLine(std::string_view line) {
    const bool escaped = line.starts_with('\\');
    if (escaped) {
        line.remove_prefix(1);
    }
    if (line.size() < kDigits + 3 || line[kDigits] != ' ' || (line[kDigits + 1] != ' ' && line[kDigits + 1] != '*')) {
        return std::nullopt;
    }
    Md5sumsRecord record;
    if (!ReadDigest(line.substr(0, kDigits), record.digest)) {
        return std::nullopt;
    }
    std::string_view path = line.substr(kDigits + 2);
    // Some packages recorded their paths from the root.
    if (path.starts_with('/')) {
        path.remove_prefix(1);
    }
    if (escaped) {
        std::optional<std::string> plain = Unescaped(path);
        if (!plain) {
            return std::nullopt;
        }
        record.path = std::move(*plain);
    } else {
        record.path = path;
    }
    if (!PlainRelativePath(record.path)) {
        return std::nullopt;
    }
    return record;
}

void ForEachMd5sumsRecord(std::string_view text, const std::function<void(Md5sumsRecord&&)>& take) {
    // Every line ends with a line feed: a last line without one was cut off (a file
    // being written, or truncated), and its path could be cut short too.
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        if (std::optional<Md5sumsRecord> record = ReadMd5sumsLine(text.substr(0, end))) {
            take(std::move(*record));
        }
        text.remove_prefix(end + 1);
    }
}

} // namespace korvane
