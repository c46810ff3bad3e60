#include "store/settings_codec.h"

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "store/ini_section.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

const std::string kPlain = "[Form1]\r\nTop=10\r\nEdit1.Text=1000\r\n";
const std::string kEncoded = "r1469Q1C7d1sHPN3gRz3udYa4PK1DZq247E1gRz3DuLi\r\n";

TEST(SettingsAlphabet, IsAPermutationOfTheBase64Symbols) {
    std::string symbols(kSettingsAlphabet);
    std::sort(symbols.begin(), symbols.end());
    std::string base64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::sort(base64.begin(), base64.end());
    EXPECT_EQ(symbols, base64);
}

TEST(SettingsCodec, KnownAnswerInBothDirectionsAndNoFileFromNothing) {
    test::TempFolder folder;
    const std::string path = folder.file("Korvane.ini");
    EncodeSettingsFile(path);
    DecodeSettingsFile(path);
    ASSERT_FALSE(std::filesystem::exists(path));
    test::WriteFileBytes(path, kPlain);
    EncodeSettingsFile(path);
    EXPECT_EQ(test::ReadFileBytes(path), kEncoded);
    DecodeSettingsFile(path);
    EXPECT_EQ(test::ReadFileBytes(path), kPlain);
}

// Texts of length 3k, 3k+1 and 3k+2 once their lines end with CR LF: the last one
// or two bytes are lost in encoding and are line-break bytes, written again on decoding.
TEST(SettingsCodec, RoundTripsEveryLengthModuloThree) {
    for (const std::string plain : {"[Form1]\r\nA=1\r\n", "[Form1]\r\nA=12\r\n", "[Form1]\r\nA=123\r\n"}) {
        SCOPED_TRACE(plain.size() % 3);
        const std::string encoded = EncodeSettingsText(plain);
        EXPECT_EQ(encoded.size(), plain.size() / 3 * 4 + 2);
        EXPECT_EQ(encoded.find_first_not_of(kSettingsAlphabet), encoded.size() - 2);
        EXPECT_EQ(DecodeSettingsText(encoded), plain);
    }
    EXPECT_EQ(DecodeSettingsText(EncodeSettingsText("[S]\nA=1\rB=2")), "[S]\r\nA=1\r\nB=2\r\n");
}

TEST(SettingsCodec, DecodingStopsAtTheFirstLineAndAtAZeroByte) {
    // "LLLL" is three zero bytes; whatever follows it, and any second line, is lost.
    const std::string encoded = kEncoded.substr(0, 8) + "LLLL" + kEncoded.substr(8);
    EXPECT_EQ(DecodeSettingsText(encoded + "r146\r\n"), "[Form1\r\n");
    // An incomplete last group is ignored; a foreign symbol counts as index 0.
    EXPECT_EQ(DecodeSettingsText("r146"
                                 "9Q"),
              "[Fo\r\n");
    EXPECT_EQ(DecodeSettingsText("r1=6"), DecodeSettingsText("r1L6"));
}

TEST(SettingsCodec, APlainFileDecodesToJunkWithoutKeys) {
    test::TempFolder folder;
    const std::string path = folder.file("Korvane.ini");
    test::WriteFileBytes(path, kPlain);
    DecodeSettingsFile(path);
    const IniSection settings(path, "Form1");
    EXPECT_EQ(settings.readInteger("Top", 0), 0);
    EXPECT_EQ(settings.readString("Edit1.Text", ""), "");
}

} // namespace
} // namespace korvane
