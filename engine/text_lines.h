#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The lines of a text broken at CR LF, a lone CR or a lone LF. A break at the very end
// starts no further line, so "a\r\n" and "a" both give one line. The lines are views
// into `text`, which must outlive them: a large log is split without a copy per line.
std::vector<std::string_view> SplitLines(std::string_view text);

// The text with every line break (CR LF, lone CR, lone LF) written as CR LF; a text
// that did not end with a break gets none.
std::string NormaliseLineBreaks(std::string_view text);

// Every line followed by CR LF, the form the program's text files are written in.
template <class Lines> std::string TerminateLines(const Lines& lines) {
    std::size_t size = 0;
    for (const auto& line : lines) {
        size += std::string_view(line).size() + 2;
    }
    std::string text;
    text.reserve(size);
    for (const auto& line : lines) {
        text.append(line);
        text.append("\r\n");
    }
    return text;
}

} // namespace korvane
