#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The settings file is kept on disk packed like Base64 (3 bytes to 4 six-bit symbols,
// no padding) with this symbol order. It never changes: files written by one version
// must be read by the next.
inline constexpr std::string_view kSettingsAlphabet =
    "L8UuzaPMm+swDipgdxZR2Hr7v4Iy9oVbcEh/XKQnlYOFfW563Ct01jBASqTGkNeJ";

// Plain file contents to encoded file contents: the lines, each ended by CR LF, cut to
// a multiple of 3 bytes (losing at most the final line break), as one line of symbols
// followed by CR LF.
std::string EncodeSettingsText(std::string_view plain);

// Encoded file contents to plain file contents: the symbols of the first line, in
// complete groups of 4 (a foreign symbol counts as index 0), cut at the first zero
// byte, as lines each ended by CR LF. Anything not written by EncodeSettingsText
// decodes to junk.
std::string DecodeSettingsText(std::string_view encoded);

// Rewrite the file at `path` in place; nothing happens when it does not exist.
// Throw FileError when it cannot be read or written.
void EncodeSettingsFile(const std::string& path);
void DecodeSettingsFile(const std::string& path);

} // namespace korvane
