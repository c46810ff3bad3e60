#include "store/encryption.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <nettle/blowfish.h>

#include "store/chain_cipher.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

const std::string kPassphrase = "Xq4&Lm9!vR2#tB%h8=";

std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        text += digits[static_cast<std::uint8_t>(c) >> 4];
        text += digits[c & 15];
    }
    return text;
}

template <std::size_t N> std::string Hex(const std::array<std::uint8_t, N>& bytes) {
    return Hex(std::string_view(reinterpret_cast<const char*>(bytes.data()), N));
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 engine(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(engine() & 0xFF);
    }
    return bytes;
}

// The body a whole text gets from one uninterrupted pass of the chain.
std::string OnePass(const std::string& text) {
    const TEncryption::KeyBlock key = TEncryption::DeriveKeyBlock(kPassphrase);
    ChainCipher cipher;
    cipher.initialise(key);
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    cipher.encipher(bytes);
    return {bytes.begin(), bytes.end()};
}

class EncryptionFiles : public ::testing::Test {
protected:
    // Enciphers `text` and returns the stored file.
    std::string store(const std::string& text, const std::string& passphrase = kPassphrase) {
        test::WriteFileBytes(plain_, text);
        encryption_.CEncryptBtnClick(passphrase, plain_, stored_);
        return test::ReadFileBytes(stored_);
    }
    // Deciphers `stored` and returns the text written.
    std::string load(const std::string& stored) {
        test::WriteFileBytes(stored_, stored);
        test::WriteFileBytes(plain_, "previous contents");
        matched_ = encryption_.CDecryptBtnClick(kPassphrase, stored_, plain_);
        return test::ReadFileBytes(plain_);
    }

    test::TempFolder folder_;
    std::string plain_ = folder_.file("plain.txt");
    std::string stored_ = folder_.file("list.lst");
    TEncryption encryption_;
    bool matched_ = false; // the last load's check block matched
};

const std::string kCheckBlock = "FC2880A65775666D366D66E70361553674C7BFD5D62574A943A465F1605414AA";

TEST(ListCipherKey, KnownAnswersForKeyBlockAndIv) {
    const TEncryption::KeyBlock key = TEncryption::DeriveKeyBlock(kPassphrase);
    EXPECT_EQ(Hex(key), "7B29E32C9A4CDE4F7F792574ED2C7C15D2013804" + std::string(24, 'F'));

    ChainCipher cipher;
    cipher.initialise(key);
    EXPECT_EQ(Hex(cipher.iv()), "CA25B07A7A794C16");
    // Burning wipes the IV with the key schedule.
    cipher.burn();
    EXPECT_EQ(Hex(cipher.iv()), std::string(16, '0'));
}

TEST(ListCipherKey, RejectsKeysNettleCannotTake) {
    ChainCipher cipher;
    EXPECT_THROW(cipher.initialise({}), std::invalid_argument);
    const std::vector<std::uint8_t> tooLong(ChainCipher::kMaxKeySize + 1, 1);
    EXPECT_THROW(cipher.initialise(tooLong), std::invalid_argument);
}

TEST_F(EncryptionFiles, KnownAnswersForCheckBlockAndShortText) {
    EXPECT_EQ(Hex(store("")), kCheckBlock);
    EXPECT_EQ(Hex(store("abc")), kCheckBlock + "CE4B28");
}

TEST_F(EncryptionFiles, ShortTextsUseTheEncipheredIvAsKeystream) {
    // Keystream computed with the bare block cipher: E(IV), IV = E(0).
    const TEncryption::KeyBlock key = TEncryption::DeriveKeyBlock(kPassphrase);
    blowfish_ctx context;
    blowfish_set_key(&context, key.size(), key.data());
    std::uint8_t stream[8] = {};
    blowfish_encrypt(&context, 8, stream, stream);
    blowfish_encrypt(&context, 8, stream, stream);

    const std::string text = "K0rv@ne";
    for (std::size_t length = 1; length <= 7; ++length) {
        SCOPED_TRACE(length);
        const std::string file = store(text.substr(0, length));
        ASSERT_EQ(file.size(), 32 + length);
        for (std::size_t i = 0; i < length; ++i) {
            EXPECT_EQ(static_cast<std::uint8_t>(file[32 + i]), static_cast<std::uint8_t>(text[i]) ^ stream[i]);
        }
        EXPECT_EQ(load(file), text.substr(0, length));
    }
}

TEST_F(EncryptionFiles, ChunkedFilesEqualOnePassAndRoundTrip) {
    // Whole chunks (with the empty read after them), a chunk plus a tail, and
    // a text ending in full blocks after the first chunk.
    for (const std::size_t size : {8192u, 2u * 8192u, 3u * 8192u, 8192u + 13u, 8192u + 16u}) {
        SCOPED_TRACE(size);
        const std::string text = RandomBytes(size, static_cast<unsigned>(size));
        const std::string file = store(text);
        ASSERT_EQ(file.size(), 32 + size);
        EXPECT_EQ(Hex(file.substr(0, 32)), kCheckBlock);
        EXPECT_TRUE(file.substr(32) == OnePass(text));
        EXPECT_TRUE(load(file) == text);
    }
}

TEST_F(EncryptionFiles, ForeignOrShortFilesDecipherToNothing) {
    EXPECT_EQ(load(store("")), "");
    EXPECT_TRUE(matched_); // an empty list is no mismatch
    EXPECT_EQ(load(store("secret line\r\n", "another passphrase")), "");
    EXPECT_FALSE(matched_);
    EXPECT_EQ(load(RandomBytes(10, 7)), "");
    EXPECT_FALSE(matched_);
    // A check block cut short by one byte never matches.
    EXPECT_EQ(load(store("").substr(0, 31)), "");
    EXPECT_FALSE(matched_);
}

TEST_F(EncryptionFiles, TruncatedBodyDeciphersToShorterText) {
    const std::string text = "/usr/bin/first\r\n/usr/bin/second\r\n";
    const std::string file = store(text);
    // 33 bytes cut to 28: three whole blocks come back; the cut block, now a partial
    // group, goes through the tail rule and cannot be restored.
    const std::string shorter = load(file.substr(0, file.size() - 5));
    ASSERT_EQ(shorter.size(), text.size() - 5);
    EXPECT_EQ(shorter.substr(0, 24), text.substr(0, 24));
    EXPECT_NE(shorter.substr(24), text.substr(24, 4));
}

} // namespace
} // namespace korvane
