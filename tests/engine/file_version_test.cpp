#include "engine/file_version.h"

#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tests/support/version_fixture_files.h"

namespace korvane {
namespace {

using test::kFixtureArchitectures;
using test::VersionFixture;

struct LookupCase {
    const char* fixture;
    const char* key;
    std::optional<std::string> expected; // nothing: the lookup fails
};

TEST(FileVersion, LooksUpStringsUnderTheFirstTranslationOfRealImages) {
    const std::vector<LookupCase> cases = {
        {"unicode_neutral", "companyname", "Zeta Corp"},
        {"unicode_neutral", "COMPANYNAME", "Zeta Corp"},
        {"unicode_neutral", "CompanyName", "Zeta Corp"},
        {"unicode_neutral", "fileversion", "9.0.1"},
        {"unicode_neutral", "productversion", "8.1"},
        {"unicode_neutral", "originalfilename", "zeta.dll"},
        {"unicode_neutral", "productname", "Zeta \xC3\x9Cnicode \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"unicode_neutral", "legalcopyright", ""},  // "(" first
        {"unicode_neutral", "legaltrademarks", ""}, // blank first
        {"unicode_neutral", "comments", ""},        // missing
        {"unicode_neutral", "company", ""},         // a prefix of a key is another key
        {"ansi_english", "companyname", "MICROSOFT Corporation and friends"},
        {"ansi_english", "fileversion", "10.0.19041.1 (WinBuild.160101.0800)"},
        {"ansi_english", "comments", "x"},        // from the table of the first translation, not the decoy
        {"ansi_english", "productname", ""},      // first character above 127
        {"ansi_english", "internalname", ""},     // missing
        {"other_translation", "companyname", ""}, // no table for the translation
        {"languages_with_neutral", "companyname", "Neutral"},
        {"languages_with_english", "companyname", "English"},
        {"languages_foreign", "companyname", "German"},
        {"no_translation", "companyname", std::nullopt},
        {"no_version", "companyname", std::nullopt},
    };
    for (const char* architecture : kFixtureArchitectures) {
        for (const LookupCase& lookup : cases) {
            EXPECT_EQ(File_Version(lookup.key, VersionFixture(lookup.fixture, architecture)), lookup.expected)
                << lookup.fixture << "." << architecture << " " << lookup.key;
        }
    }
}

TEST(FileVersion, TranslationIsEightLowerCaseHexadecimalDigits) {
    for (const char* architecture : kFixtureArchitectures) {
        const std::optional<FileVersionInfo> unicode =
            FileVersionInfo::Read(VersionFixture("unicode_neutral", architecture));
        const std::optional<FileVersionInfo> ansi = FileVersionInfo::Read(VersionFixture("ansi_english", architecture));
        ASSERT_TRUE(unicode && ansi) << architecture;
        EXPECT_EQ(unicode->translation(), "000004b0");
        EXPECT_EQ(ansi->translation(), "040904e4");
    }
}

TEST(FileVersion, TheEntryIsCutAtItsFirstBracketAndTrimmed) {
    const std::string path = VersionFixture("unicode_neutral", "x64");
    for (const std::string& entry :
         {path, "  " + path + " \t", path + " [1234]", path + "     [0123456789ABCDEF] [x]"}) {
        EXPECT_EQ(File_Version("companyname", entry), "Zeta Corp") << entry;
    }
    EXPECT_EQ(EntryFilePath(" /a b/c.exe [12] [3]"), "/a b/c.exe");
}

TEST(FileVersion, FilesWithoutAReadableImageFail) {
    test::TempFolder folder;
    test::WriteFileBytes(folder.file("notes.txt"), "MZ but nothing else of a PE image\n");
    test::WriteFileBytes(folder.file("empty.exe"), "");
    ASSERT_EQ(::mkfifo(folder.file("pipe.exe").c_str(), 0600), 0);
    // The FIFO has no writer: a blocking open would never return.
    for (const std::string& path : {folder.file("notes.txt"), folder.file("empty.exe"), folder.file("missing.exe"),
                                    folder.folder(), folder.file("pipe.exe"), std::string("/dev/zero")}) {
        EXPECT_EQ(File_Version("companyname", path), std::nullopt) << path;
    }
}

TEST(IsPlausibleVersionText, OnlyTheFirstCharacterDecides) {
    struct Case {
        const char* text;
        bool plausible;
    };
    const std::vector<Case> cases = {
        {"9.0.1", true}, {"Zeta Corp", true}, {"8.1", true},       {"a", true},     {"Z(", true},
        {"0 ", true},    {"", false},         {" 9.0", false},     {"(c)", false},  {"\t1", false},
        {"-1", false},   {"_x", false},       {"\xC3\x9C", false}, {"\x7F", false}, {"@", false},
        {"[", false},    {"`a", false},       {"{", false},        {"/", false},    {":", false},
    };
    for (const Case& check : cases) {
        EXPECT_EQ(IsPlausibleVersionText(check.text), check.plausible) << '"' << check.text << '"';
    }
}

} // namespace
} // namespace korvane
