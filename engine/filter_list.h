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
    // True when `text` is the program's own executable, exactly, or when it occurs,
    // lower-cased, in the lower-cased fixed paths. The own path is not searched as
    // text: any prefix of it, or a copy differing in case, is another file on Linux,
    // which someone else may have made.
    bool InFilterList(std::string_view text) const;

private:
    std::string ownExecutable_;
    std::vector<std::string> lines_;
    std::string fixedJoined_; // the fixed lines joined by CR LF; the list never changes
};

} // namespace korvane
