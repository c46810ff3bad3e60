#include "protocol/frame_decoder.h"

#include <algorithm>

#include "protocol/message_types.h"
#include "protocol/wire_fields.h"

namespace korvane::protocol {

namespace {

using Result = FrameDecoder::Result;

Result Failed(FrameError error) {
    return {std::nullopt, error};
}

// The message when the reader ended exactly after the last field.
template <class T> Result Finished(const FieldReader& reader, bool complete, T message) {
    if (!complete) {
        return Failed(FrameError::Truncated);
    }
    if (!reader.atEnd()) {
        return Failed(FrameError::Trailing);
    }
    return {Message(std::move(message)), std::nullopt};
}

std::optional<Identity> ReadIdentity(FieldReader& reader) {
    const auto pid = reader.u32();
    const auto start = reader.u64();
    if (!pid || !start) {
        return std::nullopt;
    }
    return Identity{static_cast<std::int32_t>(*pid), *start};
}

bool IsDigestText(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

Result DecodeProcessList(FieldReader& reader) {
    const auto flags = reader.u8();
    const auto count = reader.u32();
    if (!flags || !count) {
        return Failed(FrameError::Truncated);
    }
    if ((*flags & ~3u) != 0) {
        return Failed(FrameError::BadValue);
    }
    ProcessList list{(*flags & 1) != 0, (*flags & 2) != 0, {}};
    // A count the frame could never hold is refused before anything is reserved for it.
    if (*count > kMaxFrame / kEntryHead) {
        return Failed(FrameError::BadValue);
    }
    list.entries.reserve(*count);
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto id = ReadIdentity(reader);
        const auto length = id ? reader.u16() : std::nullopt;
        auto path = length ? reader.bytes(*length) : std::nullopt;
        if (!path) {
            return Failed(FrameError::Truncated);
        }
        list.entries.push_back({*id, std::move(*path)});
    }
    return Finished(reader, true, std::move(list));
}

// A count of texts, then each text; std::nullopt when the body ends inside them.
// A count the frame could never hold is refused before anything is reserved for it.
std::optional<std::vector<std::string>> ReadTexts(FieldReader& reader, bool& countTooLarge) {
    const auto count = reader.u32();
    if (!count) {
        return std::nullopt;
    }
    if (*count > kMaxFrame / kTextHead) {
        countTooLarge = true;
        return std::nullopt;
    }
    std::vector<std::string> texts;
    texts.reserve(*count);
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto length = reader.u16();
        auto text = length ? reader.bytes(*length) : std::nullopt;
        if (!text) {
            return std::nullopt;
        }
        texts.push_back(std::move(*text));
    }
    return texts;
}

Result DecodeKillSet(FieldReader& reader) {
    const auto generation = reader.u64();
    bool countTooLarge = false;
    auto entries = generation ? ReadTexts(reader, countTooLarge) : std::nullopt;
    auto neverKill = entries ? ReadTexts(reader, countTooLarge) : std::nullopt;
    if (countTooLarge) {
        return Failed(FrameError::BadValue);
    }
    if (!neverKill) {
        return Failed(FrameError::Truncated);
    }
    return Finished(reader, true, KillSet{*generation, std::move(*entries), std::move(*neverKill)});
}

Result DecodeChanged(FieldReader& reader) {
    const auto flags = reader.u8();
    const auto count = flags ? reader.u32() : std::nullopt;
    if ((flags && (*flags & ~7u) != 0) || (count && *count > kMostStarted)) {
        return Failed(FrameError::BadValue);
    }
    if (!count) {
        return Failed(FrameError::Truncated);
    }
    Changed changed{(*flags & 1) != 0, (*flags & 2) != 0, (*flags & 4) != 0};
    changed.started.reserve(*count);
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto pid = reader.u32();
        if (!pid) {
            return Failed(FrameError::Truncated);
        }
        changed.started.push_back(static_cast<std::int32_t>(*pid));
    }
    return Finished(reader, true, std::move(changed));
}

Result DecodeExecutionReported(FieldReader& reader) {
    const auto kind = reader.u8();
    if (kind && *kind > static_cast<std::uint8_t>(ReportKind::GaveUp)) {
        return Failed(FrameError::BadValue);
    }
    const auto pid = reader.u32();
    const auto pathLength = pid ? reader.u16() : std::nullopt;
    auto path = pathLength ? reader.bytes(*pathLength) : std::nullopt;
    const auto reasonLength = path ? reader.u16() : std::nullopt;
    auto reason = reasonLength ? reader.bytes(*reasonLength) : std::nullopt;
    if (!kind || !reason) {
        return Failed(FrameError::Truncated);
    }
    return Finished(reader, true,
                    ExecutionReported{static_cast<ReportKind>(*kind), static_cast<std::int32_t>(*pid), std::move(*path),
                                      std::move(*reason)});
}

} // namespace

const char* FrameErrorText(FrameError error) {
    switch (error) {
    case FrameError::Oversized:
        return "oversized frame";
    case FrameError::Empty:
        return "empty frame";
    case FrameError::UnknownType:
        return "unknown frame type";
    case FrameError::Truncated:
        return "truncated frame";
    case FrameError::Trailing:
        return "trailing bytes in frame";
    case FrameError::BadValue:
        return "bad value in frame";
    }
    return "malformed frame";
}

Result DecodeBody(std::span<const std::byte> body) {
    if (body.empty()) {
        return Failed(FrameError::Empty);
    }
    FieldReader reader(body.subspan(1));
    switch (static_cast<MessageType>(body[0])) {
    case MessageType::Hello: {
        const auto magic = reader.u32();
        const auto version = reader.u16();
        if (magic && *magic != kHelloMagic) {
            return Failed(FrameError::BadValue);
        }
        return Finished(reader, version.has_value(), Hello{version.value_or(0)});
    }
    case MessageType::ListProcesses:
        return Finished(reader, true, ListProcesses{});
    case MessageType::ProcessList:
        return DecodeProcessList(reader);
    case MessageType::DigestImage: {
        const auto id = ReadIdentity(reader);
        return Finished(reader, id.has_value(), DigestImage{id.value_or(Identity{})});
    }
    case MessageType::ImageDigest: {
        const auto outcome = reader.u8();
        if (!outcome) {
            return Failed(FrameError::Truncated);
        }
        if (*outcome > static_cast<std::uint8_t>(DigestOutcome::ReadFailed)) {
            return Failed(FrameError::BadValue);
        }
        ImageDigest reply{static_cast<DigestOutcome>(*outcome), {}};
        if (reply.outcome == DigestOutcome::Digested) {
            auto text = reader.bytes(kDigestText);
            if (!text) {
                return Failed(FrameError::Truncated);
            }
            if (!IsDigestText(*text)) {
                return Failed(FrameError::BadValue);
            }
            reply.text = std::move(*text);
        }
        return Finished(reader, true, std::move(reply));
    }
    case MessageType::Kill: {
        const auto id = ReadIdentity(reader);
        return Finished(reader, id.has_value(), Kill{id.value_or(Identity{})});
    }
    case MessageType::KillResult: {
        const auto outcome = reader.u8();
        if (outcome && *outcome > static_cast<std::uint8_t>(KillOutcome::Refused)) {
            return Failed(FrameError::BadValue);
        }
        return Finished(reader, outcome.has_value(), KillResult{static_cast<KillOutcome>(outcome.value_or(0))});
    }
    case MessageType::Changed:
        return DecodeChanged(reader);
    case MessageType::LookUpProcess: {
        const auto pid = reader.u32();
        return Finished(reader, pid.has_value(), LookUpProcess{static_cast<std::int32_t>(pid.value_or(0))});
    }
    case MessageType::KillSet:
        return DecodeKillSet(reader);
    case MessageType::ExecutionReported:
        return DecodeExecutionReported(reader);
    }
    return Failed(FrameError::UnknownType);
}

void FrameDecoder::append(std::span<const std::byte> bytes) {
    // What was consumed goes before the buffer grows, so it holds at most one
    // partial frame and what just came.
    if (consumed_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(consumed_));
        consumed_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

FrameDecoder::Result FrameDecoder::next() {
    if (error_) {
        return Failed(*error_);
    }
    if (buffered() < kLengthField) {
        return {};
    }
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < kLengthField; ++i) {
        length |= static_cast<std::uint32_t>(buffer_[consumed_ + i]) << (8 * i);
    }
    if (length > kMaxFrame - kLengthField) {
        error_ = FrameError::Oversized;
        return Failed(*error_);
    }
    if (buffered() < kLengthField + length) {
        return {};
    }
    const std::span<const std::byte> body(buffer_.data() + consumed_ + kLengthField, length);
    consumed_ += kLengthField + length;
    Result result = DecodeBody(body);
    error_ = result.error;
    return result;
}

} // namespace korvane::protocol
