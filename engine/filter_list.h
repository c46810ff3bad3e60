#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Executables that are never questioned: the program itself, then a fixed list of
// the other OS's core programs that stored lists may still name.
class FilterList {
public:
    explicit FilterList(const std::string& ownExecutable);

    const std::vector<std::string>& lines() const { return lines_; }
    // True when `text`, lower-cased, occurs in the lower-cased joined list.
    bool InFilterList(std::string_view text) const;

private:
    std::vector<std::string> lines_;
    std::string joined_; // lines_ joined by CR LF; built once, the list never changes
};

} // namespace korvane
