#include "engine/pe_version_resource.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "engine/file_version.h"
#include "tests/support/temp_folder.h"
#include "tests/support/version_fixture_files.h"

namespace korvane {
namespace {

using test::kFixtureArchitectures;
using test::VersionFixtureBytes;

std::uint32_t Get(const std::string& bytes, std::size_t offset, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t index = size; index-- > 0;) {
        value = value << 8 | static_cast<unsigned char>(bytes.at(offset + index));
    }
    return value;
}

void Put(std::string& bytes, std::size_t offset, std::size_t size, std::uint32_t value) {
    for (std::size_t index = 0; index < size; ++index, value >>= 8) {
        bytes.at(offset + index) = static_cast<char>(value & 0xFF);
    }
}

// Where the fields of a fixture lie, found here by the fixed layout mingw's linker
// writes (one .rsrc section holding the resource directory), so that each can be
// pushed out of range on its own.
struct Layout {
    std::size_t peHeader = 0;       // "PE\0\0"
    std::size_t optionalHeader = 0; // its magic
    std::size_t resourceDataDirectory = 0;
    std::size_t directoryCount = 0; // NumberOfRvaAndSizes
    std::size_t sectionTable = 0;
    std::size_t rsrcSection = 0;  // the .rsrc section header
    std::size_t resourceRoot = 0; // file offset of the resource directory
    std::size_t versionTypeEntry = 0;
    std::size_t nameDirectory = 0;
    std::size_t languageDirectory = 0;
    std::size_t dataEntry = 0;
    std::size_t resource = 0; // file offset of the VS_VERSIONINFO bytes
    std::size_t resourceSize = 0;

    explicit Layout(const std::string& bytes) {
        peHeader = Get(bytes, 0x3C, 4);
        optionalHeader = peHeader + 24;
        const bool pe32Plus = Get(bytes, optionalHeader, 2) == 0x20B;
        directoryCount = optionalHeader + (pe32Plus ? 108 : 92);
        resourceDataDirectory = directoryCount + 4 + 2 * 8;
        sectionTable = optionalHeader + Get(bytes, peHeader + 20, 2);
        for (std::size_t section = 0; section < Get(bytes, peHeader + 6, 2); ++section) {
            if (bytes.compare(sectionTable + 40 * section, 8, std::string(".rsrc\0\0\0", 8)) == 0) {
                rsrcSection = sectionTable + 40 * section;
            }
        }
        const std::uint32_t rsrcRva = Get(bytes, rsrcSection + 12, 4);
        resourceRoot = Get(bytes, rsrcSection + 20, 4) + (Get(bytes, resourceDataDirectory, 4) - rsrcRva);
        versionTypeEntry = FindEntry(bytes, resourceRoot, 16);
        nameDirectory = resourceRoot + (Get(bytes, versionTypeEntry + 4, 4) & 0x7FFFFFFF);
        languageDirectory = resourceRoot + (Get(bytes, nameDirectory + 16 + 4, 4) & 0x7FFFFFFF);
        dataEntry = resourceRoot + Get(bytes, languageDirectory + 16 + 4, 4);
        resource = Get(bytes, rsrcSection + 20, 4) + (Get(bytes, dataEntry, 4) - rsrcRva);
        resourceSize = Get(bytes, dataEntry + 4, 4);
    }

    static std::size_t FindEntry(const std::string& bytes, std::size_t directory, std::uint32_t id) {
        const std::size_t count = Get(bytes, directory + 12, 2) + Get(bytes, directory + 14, 2);
        for (std::size_t entry = directory + 16; entry < directory + 16 + 8 * count; entry += 8) {
            if (Get(bytes, entry, 4) == id) {
                return entry;
            }
        }
        throw std::runtime_error("fixture without the resource type");
    }
};

// The company name read from an image in memory; nothing when there is no version information.
std::optional<std::string> CompanyName(const std::string& image) {
    std::optional<std::string> resource = FindVersionResource(image);
    if (!resource) {
        return std::nullopt;
    }
    const std::optional<FileVersionInfo> info = FileVersionInfo::FromResource(std::move(*resource));
    return info ? std::optional<std::string>(info->Value("companyname")) : std::nullopt;
}

struct Corruption {
    const char* name;
    std::function<void(const Layout&, std::string&)> apply;
    std::optional<std::string> company = std::nullopt; // nothing: no version information
};

TEST(PeVersionResource, FieldsPushedOutOfRangeYieldNoVersionInformation) {
    const std::vector<Corruption> corruptions = {
        {"dos signature", [](const Layout&, std::string& b) { b[1] = 'X'; }},
        {"pe header beyond the file", [](const Layout&, std::string& b) { Put(b, 0x3C, 4, 0xFFFFFFF0); }},
        {"pe header at the end", [](const Layout&, std::string& b) { Put(b, 0x3C, 4, b.size() - 8); }},
        {"pe signature", [](const Layout& l, std::string& b) { b[l.peHeader + 2] = 'X'; }},
        {"optional header magic", [](const Layout& l, std::string& b) { Put(b, l.optionalHeader, 2, 0x107); }},
        {"optional header too small for the directories",
         [](const Layout& l, std::string& b) { Put(b, l.peHeader + 20, 2, 64); }},
        {"optional header beyond the file",
         [](const Layout& l, std::string& b) { Put(b, l.peHeader + 20, 2, 0xFFFF); }},
        {"two data directories only", [](const Layout& l, std::string& b) { Put(b, l.directoryCount, 4, 2); }},
        {"no resource directory", [](const Layout& l, std::string& b) { Put(b, l.resourceDataDirectory, 4, 0); }},
        {"resource directory outside every section",
         [](const Layout& l, std::string& b) { Put(b, l.resourceDataDirectory, 4, 0xFFFFFFF0); }},
        {"no sections", [](const Layout& l, std::string& b) { Put(b, l.peHeader + 6, 2, 0); }},
        {"section table beyond the file", [](const Layout& l, std::string& b) { Put(b, l.peHeader + 6, 2, 0xFFFF); }},
        {"section data beyond the file",
         [](const Layout& l, std::string& b) { Put(b, l.rsrcSection + 20, 4, 0xFFFFFF00); }},
        {"section data too short", [](const Layout& l, std::string& b) { Put(b, l.rsrcSection + 16, 4, 8); }},
        {"section moved away", [](const Layout& l, std::string& b) { Put(b, l.rsrcSection + 12, 4, 0x7FFF0000); }},
        {"type directory counts", [](const Layout& l, std::string& b) { Put(b, l.resourceRoot + 12, 4, 0xFFFFFFFF); }},
        {"no version type", [](const Layout& l, std::string& b) { Put(b, l.versionTypeEntry, 4, 17); }},
        {"version type as a data entry",
         [](const Layout& l, std::string& b) {
             Put(b, l.versionTypeEntry + 4, 4, Get(b, l.versionTypeEntry + 4, 4) & 0xFFFF);
         }},
        {"version type directory out of range",
         [](const Layout& l, std::string& b) { Put(b, l.versionTypeEntry + 4, 4, 0xFFFFFFF0); }},
        {"version type pointing back to the root",
         [](const Layout& l, std::string& b) { Put(b, l.versionTypeEntry + 4, 4, 0x80000000); }},
        {"name directory pointing to itself",
         [](const Layout& l, std::string& b) {
             Put(b, l.nameDirectory + 16 + 4, 4, 0x80000000 | (l.nameDirectory - l.resourceRoot));
         }},
        {"name other than 1", [](const Layout& l, std::string& b) { Put(b, l.nameDirectory + 16, 4, 2); }},
        {"language directory counts",
         [](const Layout& l, std::string& b) { Put(b, l.languageDirectory + 12, 4, 0xFFFFFFFF); }},
        {"no languages", [](const Layout& l, std::string& b) { Put(b, l.languageDirectory + 12, 4, 0); }},
        {"language as a directory pointing back to the root",
         [](const Layout& l, std::string& b) { Put(b, l.languageDirectory + 16 + 4, 4, 0x80000000); }},
        {"data entry beyond the section",
         [](const Layout& l, std::string& b) { Put(b, l.languageDirectory + 16 + 4, 4, 0x7FFFFFF0); }},
        {"resource outside every section", [](const Layout& l, std::string& b) { Put(b, l.dataEntry, 4, 0xFFFFFFF0); }},
        {"resource running past its section",
         [](const Layout& l, std::string& b) { Put(b, l.dataEntry, 4, Get(b, l.dataEntry, 4) + 0x1F0); }},
        {"resource size beyond the file",
         [](const Layout& l, std::string& b) { Put(b, l.dataEntry + 4, 4, 0xFFFFFFFF); }},
        {"resource size shorter than its block",
         [](const Layout& l, std::string& b) { Put(b, l.dataEntry + 4, 4, 40); }},
        {"resource size zero", [](const Layout& l, std::string& b) { Put(b, l.dataEntry + 4, 4, 0); }},
        {"root block length beyond the resource",
         [](const Layout& l, std::string& b) { Put(b, l.resource, 2, l.resourceSize + 1); }},
        {"root block length shorter than its header",
         [](const Layout& l, std::string& b) { Put(b, l.resource, 2, 5); }},
        {"root block key", [](const Layout& l, std::string& b) { b[l.resource + 6] = 'W'; }},
        // A size beyond what a version resource can hold (its length field has 16
        // bits) is read only up to that: the value is still found.
        {"resource size of 128 KiB inside its section",
         [](const Layout& l, std::string& b) {
             b.append(0x20000, '\0');
             Put(b, l.rsrcSection + 16, 4, Get(b, l.rsrcSection + 16, 4) + 0x20000);
             Put(b, l.dataEntry + 4, 4, 0x20000);
         },
         "Zeta Corp"},
        // Sanity of the table itself: a harmless change keeps the value.
        {"time stamp", [](const Layout& l, std::string& b) { Put(b, l.peHeader + 8, 4, 0x12345678); }, "Zeta Corp"},
    };
    for (const char* architecture : kFixtureArchitectures) {
        const std::string original = VersionFixtureBytes("unicode_neutral", architecture);
        const Layout layout(original);
        ASSERT_EQ(CompanyName(original), "Zeta Corp") << architecture;
        for (const Corruption& corruption : corruptions) {
            std::string image = original;
            corruption.apply(layout, image);
            EXPECT_EQ(CompanyName(image), corruption.company) << architecture << ": " << corruption.name;
        }
    }
}

TEST(PeVersionResource, EveryTruncationBeforeTheResourceEndsFails) {
    for (const char* architecture : kFixtureArchitectures) {
        const std::string original = VersionFixtureBytes("unicode_neutral", architecture);
        const Layout layout(original);
        const std::size_t resourceEnd = layout.resource + layout.resourceSize;
        for (std::size_t length = 0; length < resourceEnd; ++length) {
            ASSERT_EQ(CompanyName(original.substr(0, length)), std::nullopt) << architecture << " cut at " << length;
        }
        EXPECT_EQ(CompanyName(original.substr(0, resourceEnd)), "Zeta Corp") << architecture;
    }
}

TEST(PeVersionResource, TruncatedFilesOnDiskFail) {
    test::TempFolder folder;
    const std::string original = VersionFixtureBytes("unicode_neutral", "x86");
    const Layout layout(original);
    for (const std::size_t length : {std::size_t{1}, std::size_t{0x40}, layout.sectionTable + 20, layout.resource + 8,
                                     layout.resource + layout.resourceSize - 1}) {
        const std::string path = folder.file("cut" + std::to_string(length) + ".dll");
        test::WriteFileBytes(path, original.substr(0, length));
        EXPECT_EQ(File_Version("companyname", path), std::nullopt) << length;
    }
}

TEST(PeVersionResource, LanguagesAreChosenNeutralThenUsEnglishThenFirstListed) {
    for (const char* architecture : kFixtureArchitectures) {
        // The compiler sorts the directory; with its two entries swapped the first
        // listed is French, not the lower-numbered German.
        std::string image = VersionFixtureBytes("languages_foreign", architecture);
        const Layout layout(image);
        const std::size_t first = layout.languageDirectory + 16;
        const std::string german = image.substr(first, 8);
        image.replace(first, 8, image.substr(first + 8, 8));
        image.replace(first + 8, 8, german);
        EXPECT_EQ(CompanyName(image), "French") << architecture;

        // The neutral entry wins wherever it stands; with its language changed to
        // Spanish, US English does.
        std::string threeLanguages = VersionFixtureBytes("languages_with_neutral", architecture);
        const Layout three(threeLanguages);
        const std::size_t neutral = Layout::FindEntry(threeLanguages, three.languageDirectory, 0);
        EXPECT_EQ(CompanyName(threeLanguages), "Neutral") << architecture;
        Put(threeLanguages, neutral, 4, 0x0C0A);
        EXPECT_EQ(CompanyName(threeLanguages), "English") << architecture;
    }
}

} // namespace
} // namespace korvane
