#include "store/encryption.h"

#include <algorithm>

#include <nettle/sha1.h>

#include "store/raw_file.h"

namespace korvane {

namespace {

// Burns the cipher on every way out of a call, failures included.
class BurnOnExit {
public:
    explicit BurnOnExit(ChainCipher& cipher) : cipher_(cipher) {}
    ~BurnOnExit() { cipher_.burn(); }
    BurnOnExit(const BurnOnExit&) = delete;
    BurnOnExit& operator=(const BurnOnExit&) = delete;

private:
    ChainCipher& cipher_;
};

// Streams the rest of `in` through `step` into `out`, chunk by chunk, until a short read.
void Pump(RawFile& in, RawFile& out, ChainCipher& cipher, void (ChainCipher::*step)(std::span<std::uint8_t>)) {
    std::array<std::uint8_t, TEncryption::kChunkSize> buffer;
    std::size_t got = 0;
    do {
        got = in.read(buffer.data(), buffer.size());
        (cipher.*step)(std::span(buffer.data(), got));
        out.write(buffer.data(), got);
    } while (got == buffer.size());
    BurnBytes(buffer.data(), buffer.size());
}

} // namespace

TEncryption::KeyBlock TEncryption::DeriveKeyBlock(std::string_view passphrase) {
    static_assert(SHA1_DIGEST_SIZE <= kKeyBlockSize);
    KeyBlock key;
    key.fill(0xFF);
    sha1_ctx hash;
    sha1_init(&hash);
    sha1_update(&hash, passphrase.size(), reinterpret_cast<const std::uint8_t*>(passphrase.data()));
    sha1_digest(&hash, SHA1_DIGEST_SIZE, key.data());
    BurnBytes(&hash, sizeof hash);
    return key;
}

TEncryption::KeyBlock TEncryption::begin(std::string_view passphrase) {
    KeyBlock block = DeriveKeyBlock(passphrase);
    cipher_.initialise(block);
    cipher_.encipher(block);
    cipher_.reset();
    return block;
}

void TEncryption::CEncryptBtnClick(const std::string& passphrase, const std::string& source,
                                   const std::string& destination) {
    RawFile in = RawFile::OpenRead(source);
    RawFile out = RawFile::Create(destination);
    {
        const BurnOnExit burn(cipher_);
        const KeyBlock check = begin(passphrase);
        out.write(check.data(), check.size());
        Pump(in, out, cipher_, &ChainCipher::encipher);
    }
    in.close();
    out.close();
}

bool TEncryption::CDecryptBtnClick(const std::string& passphrase, const std::string& source,
                                   const std::string& destination) {
    RawFile in = RawFile::OpenRead(source);
    RawFile out = RawFile::Create(destination);
    bool matched = false;
    {
        const BurnOnExit burn(cipher_);
        const KeyBlock expected = begin(passphrase);
        KeyBlock stored;
        const std::size_t got = in.read(stored.data(), stored.size());
        matched = got == stored.size() && std::equal(stored.begin(), stored.end(), expected.begin());
        if (matched) {
            Pump(in, out, cipher_, &ChainCipher::decipher);
        }
    }
    in.close();
    out.close();
    return matched;
}

} // namespace korvane
