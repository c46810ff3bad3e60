#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The lines of a text broken at CR LF, a lone CR or a lone LF. A break at the very end
// starts no further line, so "a\r\n" and "a" both give one line.
std::vector<std::string> SplitLines(std::string_view text);

// Every line followed by CR LF, the form the settings file is written in.
std::string TerminateLines(const std::vector<std::string>& lines);

} // namespace korvane
