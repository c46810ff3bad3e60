#pragma once

#include <string>
#include <string_view>

namespace korvane {

// UTF-16 little-endian text, as Windows files store it, in the UTF-8 the program's
// text uses. Ends at the first zero unit or at the end of the bytes (an odd last
// byte is ignored); a surrogate without its partner becomes U+FFFD, so any bytes
// give valid UTF-8.
std::string Utf16LeToUtf8(std::string_view bytes);

} // namespace korvane
