#include "engine/text_lines.h"

namespace korvane {

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
    return lines;
}

std::string NormaliseLineBreaks(std::string_view text) {
    const std::vector<std::string_view> lines = SplitLines(text);
    std::string normalised;
    normalised.reserve(text.size() + lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            normalised += "\r\n";
        }
        normalised += lines[i];
    }
    if (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        normalised += "\r\n";
    }
    return normalised;
}

} // namespace korvane
