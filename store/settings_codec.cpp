#include "store/settings_codec.h"

#include <array>
#include <cstdint>
#include <optional>

#include "engine/text_lines.h"
#include "engine/whole_file.h"

namespace korvane {

namespace {

static_assert(kSettingsAlphabet.size() == 64);

std::uint8_t SymbolIndex(char symbol) {
    const std::size_t index = kSettingsAlphabet.find(symbol);
    return index == std::string_view::npos ? 0 : static_cast<std::uint8_t>(index);
}

} // namespace

std::string EncodeSettingsText(std::string_view plain) {
    std::string text = TerminateLines(SplitLines(plain));
    text.resize(text.size() - text.size() % 3);
    std::string encoded;
    encoded.reserve(text.size() / 3 * 4 + 2);
    for (std::size_t i = 0; i < text.size(); i += 3) {
        const auto b0 = static_cast<std::uint8_t>(text[i]);
        const auto b1 = static_cast<std::uint8_t>(text[i + 1]);
        const auto b2 = static_cast<std::uint8_t>(text[i + 2]);
        encoded += kSettingsAlphabet[b0 >> 2];
        encoded += kSettingsAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
        encoded += kSettingsAlphabet[((b1 & 15) << 2) | (b2 >> 6)];
        encoded += kSettingsAlphabet[b2 & 63];
    }
    encoded += "\r\n";
    return encoded;
}

std::string DecodeSettingsText(std::string_view encoded) {
    const std::string_view line = encoded.substr(0, encoded.find_first_of("\r\n"));
    std::string plain;
    plain.reserve(line.size() / 4 * 3);
    for (std::size_t i = 0; i + 4 <= line.size(); i += 4) {
        const std::uint8_t i0 = SymbolIndex(line[i]);
        const std::uint8_t i1 = SymbolIndex(line[i + 1]);
        const std::uint8_t i2 = SymbolIndex(line[i + 2]);
        const std::uint8_t i3 = SymbolIndex(line[i + 3]);
        plain += static_cast<char>((i0 << 2) | (i1 >> 4));
        plain += static_cast<char>(((i1 & 15) << 4) | (i2 >> 2));
        plain += static_cast<char>(((i2 & 3) << 6) | i3);
    }
    if (const std::size_t zero = plain.find('\0'); zero != std::string::npos) {
        plain.resize(zero);
    }
    return TerminateLines(SplitLines(plain));
}

void EncodeSettingsFile(const std::string& path) {
    if (const std::optional<std::string> plain = ReadFileIfExists(path)) {
        WriteWholeFile(path, EncodeSettingsText(*plain));
    }
}

void DecodeSettingsFile(const std::string& path) {
    if (const std::optional<std::string> encoded = ReadFileIfExists(path)) {
        WriteWholeFile(path, DecodeSettingsText(*encoded));
    }
}

} // namespace korvane
