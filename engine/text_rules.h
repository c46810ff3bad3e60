#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// The system's text rules work on bytes: only A-Z are lower-cased, and trimming
// removes leading and trailing bytes with codes up to 32. Never locale-aware.

std::string LowerCase(std::string_view text);
std::string Trim(std::string_view text);

// No "[": the text unchanged. Otherwise the text before the first "[", trimmed.
std::string StripBrackets(std::string_view text);
// No "[": the text unchanged. Otherwise StripBrackets, lower-cased.
std::string LowerStripBrackets(std::string_view text);

// Lines separated by CR LF.
std::string JoinLines(const std::vector<std::string>& lines);

// True when `needle` occurs in `haystack`, case significant. An empty needle
// occurs nowhere: an empty path must never count as listed.
bool Occurs(std::string_view needle, std::string_view haystack);

// Order of sorted panes: A-Z folded to lower case, otherwise byte by byte.
int CompareListText(std::string_view a, std::string_view b);

} // namespace korvane
