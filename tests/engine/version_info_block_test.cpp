#include "engine/version_info_block.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/file_version.h"
#include "engine/pe_version_resource.h"
#include "tests/support/version_fixture_files.h"

namespace korvane {
namespace {

using test::kFixtureArchitectures;

std::string Utf16(std::string_view ascii) {
    std::string bytes;
    for (const char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

void PutWord(std::string& bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<char>(value & 0xFF);
    bytes.at(offset + 1) = static_cast<char>(value >> 8);
}

std::uint16_t GetWord(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(offset)) |
                                      static_cast<unsigned char>(bytes.at(offset + 1)) << 8);
}

// The VS_VERSIONINFO bytes of a fixture, through the reader (tested on its own).
std::string FixtureResource(const char* name, const char* architecture) {
    std::optional<std::string> resource = ReadVersionResource(test::VersionFixture(name, architecture));
    if (!resource) {
        throw std::runtime_error("fixture without a version resource");
    }
    return *resource;
}

// The start of the block with the key: its header lies just before the key.
std::size_t BlockOf(const std::string& resource, std::string_view key) {
    const std::size_t position = resource.find(Utf16(key) + std::string(2, '\0'));
    if (position == std::string::npos) {
        throw std::runtime_error("no such key");
    }
    return position - 6;
}

struct Values {
    std::optional<std::string> company; // nothing: no version information
    std::string version = {};
    std::string product = {};
};

Values Read(std::string resource) {
    const std::optional<FileVersionInfo> info = FileVersionInfo::FromResource(std::move(resource));
    if (!info) {
        return {};
    }
    return {info->Value("companyname"), info->Value("fileversion"), info->Value("productname")};
}

bool operator==(const Values& a, const Values& b) {
    return a.company == b.company && a.version == b.version && a.product == b.product;
}

void PrintTo(const Values& values, std::ostream* out) {
    *out << (values.company ? "\"" + *values.company + "\"" : std::string("no version information")) << ", \""
         << values.version << "\", \"" << values.product << "\"";
}

const std::string kProduct = "Zeta \xC3\x9Cnicode \xE2\x82\xAC \xF0\x9F\x98\x80";

struct Corruption {
    const char* name;
    std::function<void(std::string&)> apply;
    Values expected;
};

// In the fixture the strings come in the order CompanyName, FileDescription,
// FileVersion, ..., ProductName, ProductVersion; VarFileInfo follows StringFileInfo.
TEST(VersionInfoBlock, MalformedBlocksAreNeverReadPastTheirBounds) {
    const Values none{};
    const std::vector<Corruption> corruptions = {
        {"root length zero", [](std::string& r) { PutWord(r, 0, 0); }, none},
        {"root length one past the resource", [](std::string& r) { PutWord(r, 0, r.size() + 1); }, none},
        {"root type neither text nor binary", [](std::string& r) { PutWord(r, 4, 2); }, none},
        {"root value longer than the block", [](std::string& r) { PutWord(r, 2, 0xFFFF); }, none},
        {"root key without its zero", [](std::string& r) { PutWord(r, 0, 6 + 8); }, none},
        // The translation lies behind StringFileInfo: a broken sibling hides it.
        {"StringFileInfo past its parent", [](std::string& r) { PutWord(r, BlockOf(r, "StringFileInfo"), 0xFFFF); },
         none},
        {"StringFileInfo shorter than a header", [](std::string& r) { PutWord(r, BlockOf(r, "StringFileInfo"), 4); },
         none},
        {"VarFileInfo past its parent", [](std::string& r) { PutWord(r, BlockOf(r, "VarFileInfo"), 0xFFFF); }, none},
        {"translation shorter than one pair", [](std::string& r) { PutWord(r, BlockOf(r, "Translation") + 2, 2); },
         none},
        {"translation longer than its block", [](std::string& r) { PutWord(r, BlockOf(r, "Translation") + 2, 0x7FFF); },
         none},
        {"translation as text of one unit",
         [](std::string& r) {
             PutWord(r, BlockOf(r, "Translation") + 2, 1);
             PutWord(r, BlockOf(r, "Translation") + 4, 1);
         },
         none},
        // Inside the table: the file has version information, strings go missing.
        {"string table past its parent", [](std::string& r) { PutWord(r, BlockOf(r, "000004b0"), 0xFFFF); }, {""}},
        {"string table key in another case",
         [](std::string& r) { r.replace(BlockOf(r, "000004b0") + 6, 16, Utf16("000004B0")); },
         {"Zeta Corp", "9.0.1", kProduct}},
        {"first string past the table", [](std::string& r) { PutWord(r, BlockOf(r, "CompanyName"), 0xFFFF); }, {""}},
        {"first string key runs out of its block",
         [](std::string& r) { PutWord(r, BlockOf(r, "CompanyName"), 10); },
         {""}},
        {"first string of a third type", [](std::string& r) { PutWord(r, BlockOf(r, "CompanyName") + 4, 3); }, {""}},
        // A text length counted in bytes, or reaching past the block, is cut at the
        // block's end; the text still ends at its zero.
        {"first string value longer than its block",
         [](std::string& r) { PutWord(r, BlockOf(r, "CompanyName") + 2, 0xFFFF); },
         {"Zeta Corp", "9.0.1", kProduct}},
        {"first string value of length zero",
         [](std::string& r) { PutWord(r, BlockOf(r, "CompanyName") + 2, 0); },
         {"", "9.0.1", kProduct}},
        // One byte off the end: the zero is cut in half, the text stays whole, and
        // the next block is still found on its 32-bit boundary.
        {"odd string length",
         [](std::string& r) {
             const std::size_t block = BlockOf(r, "CompanyName");
             PutWord(r, block, GetWord(r, block) - 1);
         },
         {"Zeta Corp", "9.0.1", kProduct}},
        {"string without its zero",
         [](std::string& r) {
             const std::size_t block = BlockOf(r, "CompanyName");
             PutWord(r, block, GetWord(r, block) - 2);
         },
         {"Zeta Corp", "9.0.1", kProduct}},
        // Cut inside its text: the text is cut, and the next block is looked for
        // where this one now ends, inside the old text, so none is found.
        {"string cut inside its text",
         [](std::string& r) {
             const std::size_t block = BlockOf(r, "CompanyName");
             PutWord(r, block, GetWord(r, block) - 8);
         },
         {"Zeta C", "", ""}},
        // A sibling before the product name broken: it and all after it are missing.
        {"middle string past the table",
         [](std::string& r) { PutWord(r, BlockOf(r, "OriginalFilename"), 0xFFFF); },
         {"Zeta Corp", "9.0.1", ""}},
        {"surrogate without its partner",
         [](std::string& r) {
             const std::size_t low = r.find(std::string("\x00\xDE", 2), BlockOf(r, "ProductName"));
             PutWord(r, low, 'X');
         },
         {"Zeta Corp", "9.0.1", "Zeta \xC3\x9Cnicode \xE2\x82\xAC \xEF\xBF\xBDX"}},
    };
    for (const char* architecture : kFixtureArchitectures) {
        const std::string original = FixtureResource("unicode_neutral", architecture);
        ASSERT_EQ(Read(original), (Values{"Zeta Corp", "9.0.1", kProduct}));
        for (const Corruption& corruption : corruptions) {
            std::string resource = original;
            corruption.apply(resource);
            EXPECT_EQ(Read(resource), corruption.expected) << architecture << ": " << corruption.name;
        }
    }
}

TEST(VersionInfoBlock, EveryTruncationOfTheResourceFails) {
    const std::string original = FixtureResource("unicode_neutral", "x64");
    for (std::size_t length = 0; length < GetWord(original, 0); ++length) {
        ASSERT_EQ(QueryVersionValue(original.substr(0, length), "\\VarFileInfo\\Translation"), std::nullopt) << length;
    }
}

TEST(VersionInfoBlock, PathsSkipEmptyKeysAndReachTheFixedInformation) {
    const std::string resource = FixtureResource("unicode_neutral", "x86");
    const std::string translation("\x00\x00\xB0\x04", 4);
    for (const char* path : {"\\VarFileInfo\\Translation", "\\\\VarFileInfo\\Translation",
                             "VarFileInfo\\\\Translation\\", "\\varfileinfo\\TRANSLATION"}) {
        EXPECT_EQ(QueryVersionValue(resource, path), translation) << path;
    }
    for (const char* path : {"\\VarFileInfo\\Translatio", "\\VarFileInfo\\Translation\\x", "\\Translation"}) {
        EXPECT_EQ(QueryVersionValue(resource, path), std::nullopt) << path;
    }
    // The root's value is VS_FIXEDFILEINFO: signature 0xFEEF04BD, then FILEVERSION 9,0,1,0.
    const std::optional<std::string_view> fixed = QueryVersionValue(resource, "\\");
    ASSERT_TRUE(fixed.has_value());
    ASSERT_EQ(fixed->size(), 52u);
    EXPECT_EQ(fixed->substr(0, 4), std::string_view("\xBD\x04\xEF\xFE", 4));
    EXPECT_EQ(fixed->substr(8, 8), std::string_view("\x00\x00\x09\x00\x00\x00\x01\x00", 8));
}

} // namespace
} // namespace korvane
