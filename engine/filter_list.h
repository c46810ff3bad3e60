#pragma once

#include <string>
#include <string_view>

#include "engine/path_list.h"

namespace korvane {

// Executables that are never questioned: the program itself, then a fixed list of
// the other OS's core programs that stored lists may still name.
class FilterList {
public:
    explicit FilterList(const std::string& ownExecutable);

    // True when `path` is one of the list's paths, exactly (see PathList).
    bool InFilterList(std::string_view path) const;

private:
    PathList paths_;
};

} // namespace korvane
