#include "engine/path_list.h"

#include "engine/path_rules.h"

namespace korvane {

PathList::PathList(const std::vector<std::string>& entries) : entries_(entries.begin(), entries.end()) {}

bool PathList::contains(std::string_view path) const {
    return ListablePath(path) && entries_.contains(path);
}

} // namespace korvane
