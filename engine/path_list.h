#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// A list of full paths whose entries exempt exactly the files they name: the Never
// Kill list and the filter list. A path is on it when it equals an entry, byte for
// byte. Any prefix of an entry, or the entry in other letter case, is another file on
// Linux, which someone else may be able to create, so it must not borrow the entry.
class PathList {
public:
    PathList() = default;
    explicit PathList(const std::vector<std::string>& entries);

    // A path holding CR or LF is on no list: a list file cannot store it as one line.
    bool contains(std::string_view path) const;

private:
    std::set<std::string, std::less<>> entries_;
};

} // namespace korvane
