#include "protocol/messages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "protocol/message_types.h"
#include "protocol/wire_fields.h"

namespace korvane::protocol {

namespace {

template <class... Handlers> struct Overloaded : Handlers... { using Handlers::operator()...; };
template <class... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

void WriteIdentity(FieldWriter& writer, const Identity& id) {
    writer.u32(static_cast<std::uint32_t>(id.pid));
    writer.u64(id.startTime);
}

void WriteText(FieldWriter& writer, const std::string& text) {
    writer.u16(static_cast<std::uint16_t>(text.size()));
    writer.bytes(text);
}

void WriteTexts(FieldWriter& writer, const std::vector<std::string>& texts) {
    writer.u32(static_cast<std::uint32_t>(texts.size()));
    for (const std::string& text : texts) {
        WriteText(writer, text);
    }
}

void WriteBody(FieldWriter& writer, const Message& message) {
    std::visit(Overloaded{
                   [&](const Hello& hello) {
                       writer.u8(static_cast<std::uint8_t>(MessageType::Hello));
                       writer.u32(kHelloMagic);
                       writer.u16(hello.version);
                   },
                   [&](const ListProcesses&) { writer.u8(static_cast<std::uint8_t>(MessageType::ListProcesses)); },
                   [&](const ProcessList& list) {
                       writer.u8(static_cast<std::uint8_t>(MessageType::ProcessList));
                       writer.u8(static_cast<std::uint8_t>((list.last ? 1 : 0) | (list.available ? 2 : 0)));
                       writer.u32(static_cast<std::uint32_t>(list.entries.size()));
                       for (const ProcessEntry& entry : list.entries) {
                           WriteIdentity(writer, entry.id);
                           writer.u16(static_cast<std::uint16_t>(entry.path.size()));
                           writer.bytes(entry.path);
                       }
                   },
                   [&](const DigestImage& request) {
                       writer.u8(static_cast<std::uint8_t>(MessageType::DigestImage));
                       WriteIdentity(writer, request.id);
                   },
                   [&](const ImageDigest& reply) {
                       writer.u8(static_cast<std::uint8_t>(MessageType::ImageDigest));
                       writer.u8(static_cast<std::uint8_t>(reply.outcome));
                       if (reply.outcome == DigestOutcome::Digested) {
                           writer.bytes(reply.text);
                       }
                   },
                   [&](const Kill& request) {
                       writer.u8(static_cast<std::uint8_t>(MessageType::Kill));
                       WriteIdentity(writer, request.id);
                   },
                   [&](const KillResult& reply) {
                       writer.u8(static_cast<std::uint8_t>(MessageType::KillResult));
                       writer.u8(static_cast<std::uint8_t>(reply.outcome));
                   },
                   [&](const Changed& changed) {
                       writer.u8(static_cast<std::uint8_t>(MessageType::Changed));
                       writer.u8(static_cast<std::uint8_t>((changed.exec ? 1 : 0) | (changed.changed ? 2 : 0) |
                                                           (changed.lost ? 4 : 0)));
                       writer.u32(static_cast<std::uint32_t>(changed.started.size()));
                       for (const std::int32_t pid : changed.started) {
                           writer.u32(static_cast<std::uint32_t>(pid));
                       }
                   },
                   [&](const KillSet& set) {
                       writer.u8(static_cast<std::uint8_t>(MessageType::KillSet));
                       writer.u64(set.generation);
                       WriteTexts(writer, set.entries);
                       WriteTexts(writer, set.neverKill);
                   },
                   [&](const ExecutionReported& report) {
                       writer.u8(static_cast<std::uint8_t>(MessageType::ExecutionReported));
                       writer.u8(static_cast<std::uint8_t>(report.kind));
                       writer.u32(static_cast<std::uint32_t>(report.pid));
                       WriteText(writer, report.path);
                       WriteText(writer, report.reason);
                   },
                   [&](const LookUpProcess& request) {
                       writer.u8(static_cast<std::uint8_t>(MessageType::LookUpProcess));
                       writer.u32(static_cast<std::uint32_t>(request.pid));
                   },
               },
               message);
}

std::size_t EntrySize(const ProcessEntry& entry) {
    return kEntryHead + entry.path.size();
}

} // namespace

bool SentByWindow(const Message& message) {
    return std::holds_alternative<Hello>(message) || std::holds_alternative<ListProcesses>(message) ||
           std::holds_alternative<DigestImage>(message) || std::holds_alternative<Kill>(message) ||
           std::holds_alternative<KillSet>(message) || std::holds_alternative<LookUpProcess>(message);
}

void AppendFrame(std::vector<std::byte>& out, const Message& message) {
    const std::size_t start = out.size();
    out.resize(start + kLengthField);
    FieldWriter writer(out);
    WriteBody(writer, message);
    const auto length = static_cast<std::uint32_t>(out.size() - start - kLengthField);
    for (std::size_t i = 0; i < kLengthField; ++i) {
        out[start + i] = static_cast<std::byte>(length >> (8 * i));
    }
}

bool FitsInFrame(const Message& message) {
    const auto fits = [](const std::string& text) { return text.size() <= UINT16_MAX; };
    if (const auto* set = std::get_if<KillSet>(&message);
        set != nullptr && !(std::all_of(set->entries.begin(), set->entries.end(), fits) &&
                            std::all_of(set->neverKill.begin(), set->neverKill.end(), fits))) {
        return false;
    }
    if (const auto* report = std::get_if<ExecutionReported>(&message);
        report != nullptr && !(fits(report->path) && fits(report->reason))) {
        return false;
    }
    std::vector<std::byte> frame;
    AppendFrame(frame, message);
    return frame.size() <= kMaxFrame;
}

std::vector<ProcessList> SplitProcessList(std::vector<ProcessEntry> entries) {
    std::vector<ProcessList> parts(1);
    std::size_t size = kLengthField + kListHead;
    for (ProcessEntry& entry : entries) {
        if (size + EntrySize(entry) > kMaxFrame && !parts.back().entries.empty()) {
            parts.back().last = false;
            parts.emplace_back();
            size = kLengthField + kListHead;
        }
        size += EntrySize(entry);
        parts.back().entries.push_back(std::move(entry));
    }
    return parts;
}

} // namespace korvane::protocol
