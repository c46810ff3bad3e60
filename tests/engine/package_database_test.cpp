#include "engine/packages/package_database.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/checksums.h"
#include "engine/packages/md5sums_line.h"
#include "tests/support/dpkg_database_folder.h"
#include "tests/support/safe_entries.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

const std::string kDigits = "0123456789abcdef0123456789ABCDEF";

std::vector<std::string> PathsRead(const std::string& text) {
    std::vector<std::string> paths;
    ForEachMd5sumsRecord(text, [&](Md5sumsRecord&& record) { paths.push_back(record.path); });
    return paths;
}

TEST(Md5sumsLineTest, ReadsTheFormsMd5sumWrites) {
    const std::optional<Md5sumsRecord> text = ReadMd5sumsLine(kDigits + "  usr/bin/tool");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->path, "usr/bin/tool");
    EXPECT_EQ(DigestText(text->digest), "0123456789ABCDEF0123456789ABCDEF");

    const std::optional<Md5sumsRecord> binary = ReadMd5sumsLine(kDigits + " *usr/bin/tool two");
    ASSERT_TRUE(binary);
    EXPECT_EQ(binary->path, "usr/bin/tool two");
    // A name with a line break or a backslash is escaped, the line marked by a "\".
    const std::optional<Md5sumsRecord> escaped = ReadMd5sumsLine("\\" + kDigits + "  usr/bin/a\\nb\\\\c\\r");
    ASSERT_TRUE(escaped);
    EXPECT_EQ(escaped->path, "usr/bin/a\nb\\c\r");
    const std::optional<Md5sumsRecord> fromRoot = ReadMd5sumsLine(kDigits + "  /usr/bin/tool");
    ASSERT_TRUE(fromRoot);
    EXPECT_EQ(fromRoot->path, "usr/bin/tool");
}

TEST(Md5sumsLineTest, TruncatedAndGarbledLinesAreSkippedWithoutLosingTheOthers) {
    const std::string good = kDigits + "  usr/bin/good";
    const std::vector<std::string> garbled = {
        kDigits.substr(0, 31) + "  usr/bin/short",          // digest cut short
        "0123456789abcdeg0123456789abcdef  usr/bin/nothex", // not a hexadecimal digit
        kDigits + " usr/bin/oneblank",                      // one blank only
        kDigits + "\tusr/bin/tab",
        kDigits + "  ",                     // no path
        kDigits,                            // cut after the digest
        kDigits + "  usr/../../etc/passwd", // leads out of the root
        kDigits + "  usr/bin/./dot",
        kDigits + "  usr//bin/empty",
        kDigits + "  usr/bin/", // a folder
        kDigits + "  " + std::string("usr/bin/n\0ul", 12),
        "\\" + kDigits + "  usr/bin/bad\\escape",
        "\\" + kDigits + "  usr/bin/trailing\\",
        "",
    };
    std::string text = good + "\n";
    for (const std::string& line : garbled) {
        EXPECT_FALSE(ReadMd5sumsLine(line)) << line;
        text += line + "\n" + good + "2\n";
    }
    // A file cut off inside its last line: that line's path could be cut short too.
    text += kDigits + "  usr/bin/good-but-cut";
    std::vector<std::string> expected(garbled.size() + 1, "usr/bin/good2");
    expected.front() = "usr/bin/good";
    EXPECT_EQ(PathsRead(text), expected) << "every good line, and nothing else";
}

// A database under a root of the test's own, with a merged /usr as Debian has it.
class PackageDatabaseTest : public ::testing::Test {
protected:
    PackageDatabaseTest() {
        std::filesystem::create_directories(root.path() / "usr" / "bin");
        std::filesystem::create_directory_symlink("usr/bin", root.path() / "bin");
    }
    PackageIndex read() { return ReadPackageDatabase(root.path().string()).index; }
    std::string at(const std::string& relative) const { return dpkg.at(relative); }
    // The packages that record the file at `path`, and whether its bytes match.
    std::vector<std::string> owners(const PackageIndex& index, const std::string& path) {
        std::vector<std::string> names;
        for (const PackageRecord& record : index.find(path)) {
            names.push_back(index.packageName(record));
        }
        return names;
    }

    test::TempFolder root;
    test::DpkgDatabaseFolder dpkg{root.path().string()};
};

TEST_F(PackageDatabaseTest, RecordsNameFilesAsTheKernelDoesUnderAMergedUsr) {
    dpkg.install("tool", {{"bin/tool", "old-style path"}, {"usr/lib/tool/helper", "helper"}});
    const PackageIndex index = read();
    EXPECT_EQ(owners(index, at("usr/bin/tool")), std::vector<std::string>{"tool"});
    EXPECT_TRUE(owners(index, at("bin/tool")).empty()) << "the kernel never shows the path through the link";
    EXPECT_EQ(owners(index, at("usr/lib/tool/helper")), std::vector<std::string>{"tool"});
    EXPECT_TRUE(owners(index, at("usr/lib/tool")).empty());
    const std::span<const PackageRecord> records = index.find(at("usr/bin/tool"));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(DigestText(records[0].digest), test::DigestOf(at("usr/bin/tool")));
}

TEST_F(PackageDatabaseTest, ADivertedFileCountsWhereItWasPutAndNotWhereItCameFrom) {
    dpkg.install("tool", {{"usr/bin/tool", "the packaged tool"}});
    dpkg.install("wrapper", {{"usr/bin/tool", "the wrapper"}});
    dpkg.install("editor", {{"usr/bin/editor", "the editor"}});
    dpkg.divert("/usr/bin/tool", "/usr/bin/tool.real", "wrapper");
    dpkg.divert("/usr/bin/editor", "/bin/editor.local", ":"); // by the administrator, into a linked folder

    const PackageIndex index = read();
    const std::span<const PackageRecord> real = index.find(at("usr/bin/tool.real"));
    ASSERT_EQ(real.size(), 1u);
    EXPECT_EQ(index.packageName(real[0]), "tool");
    // The diverting package's own file stays where it is.
    EXPECT_EQ(owners(index, at("usr/bin/tool")), std::vector<std::string>{"wrapper"});
    EXPECT_EQ(owners(index, at("usr/bin/editor.local")), std::vector<std::string>{"editor"});
    EXPECT_TRUE(owners(index, at("usr/bin/editor")).empty());
}

TEST_F(PackageDatabaseTest, OnlyFullyInstalledPackagesCount) {
    dpkg.install("done", {{"usr/bin/done", "d"}});
    dpkg.install("broken", {{"usr/bin/broken", "b"}}, "half-installed");
    dpkg.install("unpacked", {{"usr/bin/unpacked", "u"}}, "unpacked");
    dpkg.install("libmulti:amd64", {{"usr/lib/libmulti.so", "m"}});
    dpkg.install("libmulti:i386", {{"usr/lib/i386/libmulti.so", "m32"}}, "half-configured");
    // dpkg's journal overrides the status file until it is folded into it.
    dpkg.install("upgrading", {{"usr/bin/upgrading", "g"}});
    dpkg.journal("0000", "upgrading", "half-installed");
    dpkg.install("finished", {{"usr/bin/finished", "f"}}, "unpacked");
    dpkg.journal("0001", "finished", "installed");
    // An md5sums file of a package the status does not know.
    dpkg.writeMd5sums("stray", test::DpkgDatabaseFolder::Md5sumsLine({"usr/bin/stray", "s"}));

    const PackageIndex index = read();
    EXPECT_FALSE(index.find(at("usr/bin/done")).empty());
    EXPECT_FALSE(index.find(at("usr/lib/libmulti.so")).empty());
    EXPECT_FALSE(index.find(at("usr/bin/finished")).empty());
    for (const char* path :
         {"usr/bin/broken", "usr/bin/unpacked", "usr/lib/i386/libmulti.so", "usr/bin/upgrading", "usr/bin/stray"}) {
        EXPECT_TRUE(index.find(at(path)).empty()) << path;
    }
    EXPECT_EQ(index.size(), 3u);
}

TEST_F(PackageDatabaseTest, ADamagedMd5sumsFileLosesOnlyItsBadLines) {
    dpkg.install("tool", {{"usr/bin/tool", "t"}});
    dpkg.writeMd5sums("tool", test::DpkgDatabaseFolder::Md5sumsLine({"usr/bin/a", "a"}) + "garbage\n" +
                                  kDigits.substr(0, 20) + "\n" +
                                  test::DpkgDatabaseFolder::Md5sumsLine({"usr/bin/b", "b"}) + kDigits + "  usr/bin/c");
    const PackageIndex index = read();
    EXPECT_EQ(index.size(), 2u);
    EXPECT_FALSE(index.find(at("usr/bin/a")).empty());
    EXPECT_FALSE(index.find(at("usr/bin/b")).empty());
}

TEST_F(PackageDatabaseTest, ChangeTimesMoveWhenDpkgReplacesAFile) {
    EXPECT_TRUE(HasPackageDatabase(root.path().string()));
    const DatabaseStamps before = ReadDatabaseStamps(root.path().string());
    EXPECT_EQ(ReadDatabaseStamps(root.path().string()), before);
    dpkg.setState("tool", "installed"); // a new status file renamed into place
    EXPECT_NE(ReadDatabaseStamps(root.path().string()), before);

    test::TempFolder bare;
    EXPECT_FALSE(HasPackageDatabase(bare.path().string()));
    EXPECT_EQ(ReadPackageDatabase(bare.path().string()).index.size(), 0u);
}

} // namespace
} // namespace korvane
