#pragma once

#include <string>

namespace korvane::test {

// The digest text of the file at `path`, as the Safe list stores it.
std::string DigestOf(const std::string& path);
// A Safe list line as the program writes it: path, five spaces, digest in brackets.
std::string SafeEntry(const std::string& path, const std::string& digest);
// The Safe list line that trusts the file now at `path`.
std::string SafeEntryFor(const std::string& path);

} // namespace korvane::test
