#include "engine/version_info_block.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/little_endian.h"

namespace korvane {

namespace {

// wLength, wValueLength, wType.
constexpr std::size_t kHeaderSize = 6;
constexpr std::uint16_t kBinaryType = 0;
constexpr std::uint16_t kTextType = 1;
constexpr std::string_view kRootKey = "VS_VERSION_INFO";

// Blocks, keys and values start on 32-bit boundaries of the resource.
std::size_t AlignUp4(std::size_t offset) {
    return (offset + 3) & ~std::size_t{3};
}

char FoldCase(char32_t unit) {
    return static_cast<char>(unit >= 'A' && unit <= 'Z' ? unit - 'A' + 'a' : unit);
}

// One block: header, zero-terminated UTF-16 key, value, then its child blocks.
// All offsets are from the start of the resource.
struct Block {
    std::size_t keyStart = 0;
    std::size_t keyEnd = 0; // the terminating zero
    std::size_t valueStart = 0;
    std::size_t valueEnd = 0;
    std::size_t childrenStart = 0;
    std::size_t end = 0;
};

// The block at `start`, which must end by `limit`; nothing when it is malformed.
std::optional<Block> ParseBlock(std::string_view resource, std::size_t start, std::size_t limit) {
    if (start > limit || limit - start < kHeaderSize) {
        return std::nullopt;
    }
    const std::size_t length = LittleEndianWord(resource, start);
    const std::size_t valueLength = LittleEndianWord(resource, start + 2);
    const std::uint16_t type = LittleEndianWord(resource, start + 4);
    if (length < kHeaderSize || length > limit - start || (type != kBinaryType && type != kTextType)) {
        return std::nullopt;
    }
    Block block;
    block.end = start + length;
    block.keyStart = start + kHeaderSize;
    std::size_t position = block.keyStart;
    for (;;) {
        if (block.end - position < 2) {
            return std::nullopt; // the key runs out of the block
        }
        if (LittleEndianWord(resource, position) == 0) {
            break;
        }
        position += 2;
    }
    block.keyEnd = position;
    block.valueStart = std::min(AlignUp4(block.keyEnd + 2), block.end);
    const std::size_t room = block.end - block.valueStart;
    if (type == kTextType) {
        // Text lengths count UTF-16 units, yet some compilers write bytes: the text
        // is cut at the block's end, and readers stop at its zero anyway.
        block.valueEnd = block.valueStart + std::min(room, 2 * valueLength);
    } else {
        if (valueLength > room) {
            return std::nullopt;
        }
        block.valueEnd = block.valueStart + valueLength;
    }
    block.childrenStart = std::min(AlignUp4(block.valueEnd), block.end);
    return block;
}

bool KeyEquals(std::string_view resource, const Block& block, std::string_view key) {
    if ((block.keyEnd - block.keyStart) / 2 != key.size()) {
        return false;
    }
    for (std::size_t index = 0; index < key.size(); ++index) {
        const char32_t unit = LittleEndianWord(resource, block.keyStart + 2 * index);
        if (unit > 0xFF || FoldCase(unit) != FoldCase(static_cast<unsigned char>(key[index]))) {
            return false;
        }
    }
    return true;
}

// The child of `parent` with the key; nothing when absent or when a sibling before
// it is malformed (the siblings after a broken one cannot be found).
std::optional<Block> FindChild(std::string_view resource, const Block& parent, std::string_view key) {
    std::size_t position = parent.childrenStart;
    while (position < parent.end) {
        const std::optional<Block> child = ParseBlock(resource, position, parent.end);
        if (!child) {
            return std::nullopt;
        }
        if (KeyEquals(resource, *child, key)) {
            return child;
        }
        // A block is at least a header long, so the walk always moves on.
        position = AlignUp4(child->end);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string_view> QueryVersionValue(std::string_view resource, std::string_view subBlock) {
    std::optional<Block> block = ParseBlock(resource, 0, resource.size());
    if (!block || !KeyEquals(resource, *block, kRootKey)) {
        return std::nullopt;
    }
    std::size_t position = 0;
    while (block && position <= subBlock.size()) {
        const std::size_t separator = std::min(subBlock.find('\\', position), subBlock.size());
        const std::string_view key = subBlock.substr(position, separator - position);
        if (!key.empty()) {
            block = FindChild(resource, *block, key);
        }
        position = separator + 1;
    }
    if (!block) {
        return std::nullopt;
    }
    return resource.substr(block->valueStart, block->valueEnd - block->valueStart);
}

} // namespace korvane
