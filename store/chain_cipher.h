#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include <nettle/blowfish.h>

namespace korvane {

// Overwrites key material so that it does not linger in freed memory.
void BurnBytes(void* data, std::size_t size);

// Blowfish with the list files' own chaining: CBC over the full blocks, then a
// final partial group XORed with the encipherment of the chaining value. The IV is
// the encipherment of the zero block. The chaining value runs on across calls, so
// a text handled in pieces of whole blocks gives the same bytes as one pass.
class ChainCipher {
public:
    static constexpr std::size_t kBlockSize = BLOWFISH_BLOCK_SIZE;
    static constexpr std::size_t kMaxKeySize = BLOWFISH_MAX_KEY_SIZE;
    using Block = std::array<std::uint8_t, kBlockSize>;

    ChainCipher() = default;
    ~ChainCipher() { burn(); }
    ChainCipher(const ChainCipher&) = delete;
    ChainCipher& operator=(const ChainCipher&) = delete;

    // Keys of 1 to 56 bytes; sets the IV and starts the chain from it.
    void initialise(std::span<const std::uint8_t> key);
    // Starts the chain again from the IV.
    void reset() { cv_ = iv_; }
    void encipher(std::span<std::uint8_t> data);
    void decipher(std::span<std::uint8_t> data);
    // Wipes the key schedule, the IV and the chaining value.
    void burn();

    const Block& iv() const { return iv_; }

private:
    void encipherBlock(std::uint8_t* block) const;
    void tail(std::span<std::uint8_t> rest);

    blowfish_ctx context_{};
    Block iv_{};
    Block cv_{};
};

} // namespace korvane
