#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korvane::protocol {

// Little-endian fields of a frame body, written and read in order.

class FieldWriter {
public:
    explicit FieldWriter(std::vector<std::byte>& out) : out_(out) {}
    void u8(std::uint8_t value);
    void u16(std::uint16_t value);
    void u32(std::uint32_t value);
    void u64(std::uint64_t value);
    void bytes(const std::string& text);

private:
    std::vector<std::byte>& out_;
};

// Each read gives std::nullopt once the body ends inside the field, and from then on.
class FieldReader {
public:
    explicit FieldReader(std::span<const std::byte> body) : body_(body) {}
    std::optional<std::uint8_t> u8();
    std::optional<std::uint16_t> u16();
    std::optional<std::uint32_t> u32();
    std::optional<std::uint64_t> u64();
    std::optional<std::string> bytes(std::size_t count);
    bool atEnd() const { return at_ == body_.size(); }

private:
    std::optional<std::uint64_t> unsignedField(std::size_t size);

    std::span<const std::byte> body_;
    std::size_t at_ = 0;
};

} // namespace korvane::protocol
