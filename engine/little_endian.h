#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvane {

// Unsigned little-endian fields of Windows file formats. The caller has checked
// that the field lies inside `bytes`.

inline std::uint16_t LittleEndianWord(std::string_view bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                      static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

inline std::uint32_t LittleEndianDword(std::string_view bytes, std::size_t offset) {
    return LittleEndianWord(bytes, offset) | static_cast<std::uint32_t>(LittleEndianWord(bytes, offset + 2)) << 16;
}

} // namespace korvane
