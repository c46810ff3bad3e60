#include "engine/utf16_text.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(Utf16Text, LittleEndianUnitsBecomeUtf8UpToTheFirstZero) {
    struct Case {
        std::string utf16;
        std::string utf8;
    };
    using namespace std::string_literals;
    const std::vector<Case> cases = {
        {""s, ""s},
        {"A\0b\0"s, "Ab"s},
        {"A\0\0\0B\0"s, "A"s},                              // stops at the zero
        {"A\0B"s, "A"s},                                    // odd last byte
        {"\xDC\0\xAC\x20"s, "\xC3\x9C\xE2\x82\xAC"s},       // two and three bytes
        {"\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80"s},         // surrogate pair
        {"\x3D\xD8"s, "\xEF\xBF\xBD"s},                     // high surrogate at the end
        {"\x3D\xD8Z\0"s, "\xEF\xBF\xBDZ"s},                 // high surrogate before a letter
        {"\x00\xDE\x3D\xD8"s, "\xEF\xBF\xBD\xEF\xBF\xBD"s}, // pair in the wrong order
        {"\xFF\xFF"s, "\xEF\xBF\xBF"s},
    };
    for (const Case& check : cases) {
        EXPECT_EQ(Utf16LeToUtf8(check.utf16), check.utf8);
    }
}

} // namespace
} // namespace korvane
