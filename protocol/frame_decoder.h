#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "protocol/messages.h"

namespace korvane::protocol {

// The ways a frame can be malformed. Any of them ends the connection it came on.
enum class FrameError {
    Oversized,   // the length field announces more than kMaxFrame
    Empty,       // a body without even its type byte
    UnknownType, // a type byte no message has
    Truncated,   // the body ends inside a field
    Trailing,    // bytes left after the last field
    BadValue,    // a field outside its range (an outcome, a flag byte, a digest text)
};

const char* FrameErrorText(FrameError error);

// Takes the bytes of a stream as they arrive and gives the messages in them. Never
// holds more than one frame's worth beyond what it was given: an oversized frame is
// refused from its length field alone.
class FrameDecoder {
public:
    void append(std::span<const std::byte> bytes);

    // The next whole message, std::nullopt when more bytes are needed. Once an error
    // was reported, it is reported again on every call.
    struct Result {
        std::optional<Message> message;
        std::optional<FrameError> error;
    };
    Result next();

    std::size_t buffered() const { return buffer_.size() - consumed_; }

private:
    std::vector<std::byte> buffer_;
    std::size_t consumed_ = 0;
    std::optional<FrameError> error_;
};

// Decodes one frame body (type byte and fields).
FrameDecoder::Result DecodeBody(std::span<const std::byte> body);

} // namespace korvane::protocol
