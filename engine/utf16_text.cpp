#include "engine/utf16_text.h"

#include <cstddef>
#include <cstdint>

#include "engine/little_endian.h"

namespace korvane {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t code) {
    auto put = [&out](std::uint32_t byte) { out.push_back(static_cast<char>(byte)); };
    if (code < 0x80) {
        put(code);
    } else if (code < 0x800) {
        put(0xC0 | (code >> 6));
        put(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        put(0xE0 | (code >> 12));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    } else {
        put(0xF0 | (code >> 18));
        put(0x80 | ((code >> 12) & 0x3F));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    }
}

} // namespace

std::string Utf16LeToUtf8(std::string_view bytes) {
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [bytes](std::size_t index) -> char32_t { return LittleEndianWord(bytes, 2 * index); };
    std::string text;
    for (std::size_t index = 0; index < units; ++index) {
        const char32_t unit = unitAt(index);
        if (unit == 0) {
            break;
        }
        if (IsHighSurrogate(unit) && index + 1 < units && IsLowSurrogate(unitAt(index + 1))) {
            AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(index + 1) - 0xDC00));
            ++index;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(text, kReplacementCharacter);
        } else {
            AppendUtf8(text, unit);
        }
    }
    return text;
}

} // namespace korvane
