#include "engine/checksums.h"

#include <string.h>

#include "engine/file_byte_stream.h"

namespace korvane {

void DigestInit(DigestContext& context) {
    context = DigestContext{};
    md5_init(&context.state);
}

void DigestUpdate(DigestContext& context, const void* bytes, std::size_t count) {
    if (count == 0) {
        return;
    }
    md5_update(&context.state, count, static_cast<const std::uint8_t*>(bytes));
}

Digest DigestFinal(DigestContext& context) {
    Digest digest{};
    md5_digest(&context.state, digest.size(), digest.data());
    // The context may have held the tail of the message; leave nothing of it behind.
    ::explicit_bzero(&context, sizeof context);
    return digest;
}

Digest StreamDigest(ByteStream& stream) {
    DigestContext context;
    DigestInit(context);
    const std::int64_t size = stream.size();
    const std::int64_t start = stream.position();
    stream.seek(0);
    try {
        std::uint8_t buffer[4096];
        std::int64_t total = 0;
        std::size_t count = 0;
        // Reads at least once, so a file whose reported size is 0 is still read to its end.
        do {
            count = stream.read(buffer, sizeof buffer);
            total += static_cast<std::int64_t>(count);
            DigestUpdate(context, buffer, count);
        } while (count != 0 && total != size);
    } catch (...) {
        stream.seek(start);
        throw;
    }
    stream.seek(start);
    return DigestFinal(context);
}

Digest FileDigest(const std::string& path) {
    FileByteStream stream(path);
    return StreamDigest(stream);
}

std::string DigestText(const Digest& digest) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string text(2 * digest.size(), '0');
    for (std::size_t i = 0; i < digest.size(); ++i) {
        text[2 * i] = kHexDigits[digest[i] >> 4];
        text[2 * i + 1] = kHexDigits[digest[i] & 0x0F];
    }
    return text;
}

} // namespace korvane
