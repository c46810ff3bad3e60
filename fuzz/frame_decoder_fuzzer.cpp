#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "protocol/frame_decoder.h"
#include "protocol/messages.h"

namespace {

// A broken invariant is a finding: abort so that libFuzzer keeps the input.
void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace

// The first byte chooses how the rest is cut into the pieces a socket might deliver;
// every message decoded must encode into a frame of at most kMaxFrame bytes that
// decodes to the same message, and no buffered bytes may exceed one frame plus the
// piece that just came.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvane::protocol;
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = data[0] % 64 + 1;
    const std::span<const std::byte> stream(reinterpret_cast<const std::byte*>(data + 1), size - 1);
    FrameDecoder decoder;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        const std::span<const std::byte> bytes = stream.subspan(at, std::min(piece, stream.size() - at));
        decoder.append(bytes);
        Check(decoder.buffered() <= kMaxFrame + bytes.size());
        for (;;) {
            const FrameDecoder::Result result = decoder.next();
            Check(!(result.message && result.error));
            if (result.error) {
                Check(decoder.next().error == result.error);
                return 0;
            }
            if (!result.message) {
                break;
            }
            std::vector<std::byte> again;
            AppendFrame(again, *result.message);
            Check(again.size() <= kMaxFrame);
            FrameDecoder second;
            second.append(again);
            const FrameDecoder::Result repeated = second.next();
            Check(repeated.message == result.message && second.buffered() == 0);
        }
    }
    return 0;
}
