#include "store/ini_section.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

class IniSectionTest : public testing::Test {
protected:
    std::string write(const std::string& text) {
        test::WriteFileBytes(path, text);
        return path;
    }
    test::TempFolder folder;
    const std::string path = folder.file("Korvane.ini");
};

TEST_F(IniSectionTest, ReadsOnlyItsOwnSectionIgnoringCase) {
    write("[Other]\r\nTop=5\r\n[form1]\r\n top =7\r\nEdit1.Text= spaced \r\n[Next]\r\nLeft=9\r\n");
    const IniSection settings(path, "Form1");
    EXPECT_EQ(settings.readInteger("Top", 0), 7);
    EXPECT_EQ(settings.readInteger("TOP", 0), 7);
    EXPECT_EQ(settings.readInteger("Left", -1), -1);
    EXPECT_EQ(settings.readString("Edit1.Text", "x"), " spaced ");
    EXPECT_EQ(settings.readString("Missing", "x"), "x");
}

TEST_F(IniSectionTest, IntegersFallBackToTheDefaultAndValuesFitTheBuffer) {
    write("[Form1]\r\nA=-12\r\nB=+3\r\nC=12a\r\nD=\r\nE=99999999999\r\nF= 4\r\nLong=" + std::string(3000, 'v') +
          "\r\n");
    const IniSection settings(path, "Form1");
    EXPECT_EQ(settings.readString("Long", ""), std::string(IniSection::kValueBuffer - 1, 'v'));
    EXPECT_EQ(settings.readInteger("A", 0), -12);
    EXPECT_EQ(settings.readInteger("B", 0), 3);
    for (const char* key : {"C", "D", "E", "F", "G"}) {
        EXPECT_EQ(settings.readInteger(key, 42), 42) << key;
    }
}

TEST_F(IniSectionTest, WritingKeepsKeyOrderAndOtherSections) {
    write("[Form1]\r\nLeft=1\r\nTop=2\r\n\r\n[Other]\r\nx=y\r\n");
    IniSection settings(path, "Form1");
    settings.writeInteger("Top", 20);
    settings.writeString("Edit1.Text", "new");
    settings.writeInteger("left", -3);
    settings.save();
    EXPECT_EQ(test::ReadFileBytes(path), "[Form1]\r\nleft=-3\r\nTop=20\r\nEdit1.Text=new\r\n\r\n[Other]\r\nx=y\r\n");
}

TEST_F(IniSectionTest, CreatesFileAndSectionInWritingOrder) {
    IniSection settings(path, "Form1");
    EXPECT_EQ(settings.readString("Top", "none"), "none");
    settings.writeInteger("Top", 1);
    settings.writeString("Edit1.Text", "a\r\nInjected=1");
    settings.writeString("ParmEdit.Text", "");
    settings.save();
    EXPECT_EQ(test::ReadFileBytes(path), "[Form1]\r\nTop=1\r\nEdit1.Text=a\r\nParmEdit.Text=\r\n");
}

} // namespace
} // namespace korvane
