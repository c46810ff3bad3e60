#include "engine/packages/dpkg_diversions.h"

#include <array>

namespace korvane {

std::unordered_map<std::string, Diversion> ReadDiversions(std::string_view text) {
    std::unordered_map<std::string, Diversion> diversions;
    std::array<std::string_view, 3> group;
    std::size_t filled = 0;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        group[filled++] = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (filled == group.size()) {
            diversions[std::string(group[0])] = Diversion{std::string(group[1]), std::string(group[2])};
            filled = 0;
        }
    }
    return diversions;
}

} // namespace korvane
