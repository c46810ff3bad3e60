#include "store/chain_cipher.h"

#include <algorithm>
#include <stdexcept>

namespace korvane {

void BurnBytes(void* data, std::size_t size) {
    // Volatile stores, so the compiler cannot drop them as dead.
    volatile std::uint8_t* bytes = static_cast<volatile std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = 0;
    }
}

void ChainCipher::initialise(std::span<const std::uint8_t> key) {
    // nettle's key schedule crashes on an empty key.
    if (key.empty() || key.size() > kMaxKeySize) {
        throw std::invalid_argument("Blowfish key of 1 to 56 bytes expected");
    }
    // A weak key is reported but the schedule is complete and usable.
    static_cast<void>(blowfish_set_key(&context_, key.size(), key.data()));
    iv_.fill(0);
    encipherBlock(iv_.data());
    cv_ = iv_;
}

void ChainCipher::encipher(std::span<std::uint8_t> data) {
    const std::size_t full = data.size() - data.size() % kBlockSize;
    for (std::size_t at = 0; at < full; at += kBlockSize) {
        std::uint8_t* block = data.data() + at;
        for (std::size_t i = 0; i < kBlockSize; ++i) {
            block[i] ^= cv_[i];
        }
        encipherBlock(block);
        std::copy(block, block + kBlockSize, cv_.begin());
    }
    tail(data.subspan(full));
}

void ChainCipher::decipher(std::span<std::uint8_t> data) {
    const std::size_t full = data.size() - data.size() % kBlockSize;
    for (std::size_t at = 0; at < full; at += kBlockSize) {
        std::uint8_t* block = data.data() + at;
        Block cipherBlock;
        std::copy(block, block + kBlockSize, cipherBlock.begin());
        blowfish_decrypt(&context_, kBlockSize, block, block);
        for (std::size_t i = 0; i < kBlockSize; ++i) {
            block[i] ^= cv_[i];
        }
        cv_ = cipherBlock;
    }
    // The chaining value is the last cipher block again, as it was when enciphering.
    tail(data.subspan(full));
}

void ChainCipher::burn() {
    BurnBytes(&context_, sizeof context_);
    BurnBytes(iv_.data(), iv_.size());
    BurnBytes(cv_.data(), cv_.size());
}

void ChainCipher::encipherBlock(std::uint8_t* block) const {
    blowfish_encrypt(&context_, kBlockSize, block, block);
}

// The same keystream step serves both directions, so it restores what it hid.
void ChainCipher::tail(std::span<std::uint8_t> rest) {
    if (rest.empty()) {
        return;
    }
    encipherBlock(cv_.data());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        rest[i] ^= cv_[i];
    }
}

} // namespace korvane
