#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include <nettle/md5.h>

#include "engine/byte_stream.h"

namespace korvane {

// MD5 (RFC 1321) of files, and the one text form every stored, shown or compared
// checksum has: 32 upper-case hexadecimal digits.

struct DigestContext {
    md5_ctx state;
};

using Digest = std::array<std::uint8_t, 16>;

void DigestInit(DigestContext& context);
void DigestUpdate(DigestContext& context, const void* bytes, std::size_t count);
// Finishes the digest and wipes the context.
Digest DigestFinal(DigestContext& context);

// Digest of the whole stream, whatever its position; the position is restored,
// also when a read fails.
Digest StreamDigest(ByteStream& stream);
// Digest of the file's contents; throws FileError "Cannot open file <path>".
Digest FileDigest(const std::string& path);
std::string DigestText(const Digest& digest);

} // namespace korvane
