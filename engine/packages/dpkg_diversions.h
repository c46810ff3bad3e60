#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace korvane {

// A packaged file that dpkg installs elsewhere (dpkg-divert).
struct Diversion {
    std::string divertedTo; // absolute path
    std::string by;         // the package that diverted it, ":" for the administrator
};

// /var/lib/dpkg/diversions: three lines per diversion (the path diverted, where its
// file goes, who diverted it), by the path diverted. An incomplete last group is
// ignored.
std::unordered_map<std::string, Diversion> ReadDiversions(std::string_view text);

} // namespace korvane
