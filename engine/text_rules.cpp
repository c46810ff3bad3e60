#include "engine/text_rules.h"

#include <algorithm>

namespace korvane {

namespace {

unsigned char LowerByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string LowerCase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return static_cast<char>(LowerByte(static_cast<unsigned char>(c))); });
    return result;
}

std::string Trim(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsTrimmed(text[first])) {
        ++first;
    }
    while (last > first && IsTrimmed(text[last - 1])) {
        --last;
    }
    return std::string(text.substr(first, last - first));
}

std::string StripBrackets(std::string_view text) {
    const std::size_t bracket = text.find('[');
    if (bracket == std::string_view::npos) {
        return std::string(text);
    }
    return Trim(text.substr(0, bracket));
}

std::string LowerStripBrackets(std::string_view text) {
    if (text.find('[') == std::string_view::npos) {
        return std::string(text);
    }
    return LowerCase(StripBrackets(text));
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string result;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            result += "\r\n";
        }
        result += lines[i];
    }
    return result;
}

bool Occurs(std::string_view needle, std::string_view haystack) {
    return !needle.empty() && haystack.find(needle) != std::string_view::npos;
}

int CompareListText(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ca = LowerByte(static_cast<unsigned char>(a[i]));
        const unsigned char cb = LowerByte(static_cast<unsigned char>(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

} // namespace korvane
