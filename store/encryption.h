#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/chain_cipher.h"

namespace korvane {

// Enciphers and deciphers list files. A stored file is a 32-byte check block (the key
// block put through the chain) followed by the text put through the chain afresh from
// the IV; it is exactly 32 bytes longer than the text. Each call derives the key anew
// and burns it before returning.
class TEncryption {
public:
    static constexpr std::size_t kKeyBlockSize = 32;
    static constexpr std::size_t kChunkSize = 8192;
    using KeyBlock = std::array<std::uint8_t, kKeyBlockSize>;

    // SHA-1 of the passphrase bytes, then twelve 0xFF bytes: a 256-bit Blowfish key.
    static KeyBlock DeriveKeyBlock(std::string_view passphrase);

    // Enciphers the whole source file into the destination (created or truncated).
    void CEncryptBtnClick(const std::string& passphrase, const std::string& source, const std::string& destination);
    // Deciphers the source into the destination (created or truncated) when its check
    // block belongs to this passphrase; otherwise the destination stays empty, silently.
    // True when the check block matched.
    bool CDecryptBtnClick(const std::string& passphrase, const std::string& source, const std::string& destination);

private:
    // Keys the cipher and returns the check block, with the chain back at the IV.
    KeyBlock begin(std::string_view passphrase);

    ChainCipher cipher_;
};

} // namespace korvane
