#include "tests/support/safe_entries.h"

#include "engine/checksums.h"

namespace korvane::test {

std::string DigestOf(const std::string& path) {
    return DigestText(FileDigest(path));
}

std::string SafeEntry(const std::string& path, const std::string& digest) {
    return path + "     [" + digest + "]";
}

std::string SafeEntryFor(const std::string& path) {
    return SafeEntry(path, DigestOf(path));
}

} // namespace korvane::test
