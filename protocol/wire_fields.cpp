#include "protocol/wire_fields.h"

namespace korvane::protocol {

namespace {

void AppendUnsigned(std::vector<std::byte>& out, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(static_cast<std::byte>(value >> (8 * i)));
    }
}

} // namespace

void FieldWriter::u8(std::uint8_t value) {
    AppendUnsigned(out_, value, 1);
}

void FieldWriter::u16(std::uint16_t value) {
    AppendUnsigned(out_, value, 2);
}

void FieldWriter::u32(std::uint32_t value) {
    AppendUnsigned(out_, value, 4);
}

void FieldWriter::u64(std::uint64_t value) {
    AppendUnsigned(out_, value, 8);
}

void FieldWriter::bytes(const std::string& text) {
    for (const char c : text) {
        out_.push_back(static_cast<std::byte>(c));
    }
}

std::optional<std::uint64_t> FieldReader::unsignedField(std::size_t size) {
    if (body_.size() - at_ < size) {
        at_ = body_.size();
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint64_t>(body_[at_ + i]) << (8 * i);
    }
    at_ += size;
    return value;
}

std::optional<std::uint8_t> FieldReader::u8() {
    const auto value = unsignedField(1);
    return value ? std::optional<std::uint8_t>(static_cast<std::uint8_t>(*value)) : std::nullopt;
}

std::optional<std::uint16_t> FieldReader::u16() {
    const auto value = unsignedField(2);
    return value ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*value)) : std::nullopt;
}

std::optional<std::uint32_t> FieldReader::u32() {
    const auto value = unsignedField(4);
    return value ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*value)) : std::nullopt;
}

std::optional<std::uint64_t> FieldReader::u64() {
    return unsignedField(8);
}

std::optional<std::string> FieldReader::bytes(std::size_t count) {
    if (body_.size() - at_ < count) {
        at_ = body_.size();
        return std::nullopt;
    }
    std::string text(reinterpret_cast<const char*>(body_.data() + at_), count);
    at_ += count;
    return text;
}

} // namespace korvane::protocol
