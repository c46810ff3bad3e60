#include "widgets/text_list_box.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>

namespace korvane {
namespace {

class TextListBoxTest : public testing::Test {
protected:
    void SetUp() override {
        list.resize(120, 100);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }
    int width(const std::string& text) const {
        return QFontMetrics(list.font()).horizontalAdvance(QString::fromStdString(text + "x"));
    }
    void remove(const std::string& text) {
        for (int row = 0; row < list.count(); ++row) {
            if (list.text(row) == text) {
                delete list.takeItem(row);
                return;
            }
        }
    }
    QScrollBar* bar() const { return list.horizontalScrollBar(); }
    void scrollRight() {
        bar()->setValue(bar()->maximum());
        ASSERT_GT(bar()->value(), 0);
    }
    TTextListBox list;
    const std::string shortItem = "/usr/bin/a";
    const std::string longItem = "/usr/lib/some/rather/long/folder/name/program";
    const std::string middleItem = "/usr/lib/some/medium/length/name";
};

TEST_F(TextListBoxTest, ExtentFollowsTheWidestItem) {
    for (const auto& text : {shortItem, longItem, middleItem}) {
        list.addText(text);
    }
    EXPECT_EQ(list.horizontalExtent(), width(longItem));
    EXPECT_EQ(bar()->maximum(), width(longItem) - list.viewport()->width());
    scrollRight();
    remove(middleItem);
    EXPECT_EQ(list.horizontalExtent(), width(longItem));
    EXPECT_GT(bar()->value(), 0);
    remove(longItem);
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_EQ(list.horizontalExtent(), width(shortItem));

    // One of two equally wide items going still counts as the widest going.
    list.addText(longItem);
    list.addText(longItem);
    scrollRight();
    remove(longItem);
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_EQ(list.horizontalExtent(), width(longItem));

    QFont bigger = list.font();
    bigger.setPointSize(bigger.pointSize() * 2);
    list.setFont(bigger);
    EXPECT_EQ(list.horizontalExtent(), width(longItem));

    scrollRight();
    list.clear();
    EXPECT_EQ(list.horizontalExtent(), 0);
    EXPECT_EQ(bar()->maximum(), 0);
    list.addText("");
    EXPECT_EQ(list.horizontalExtent(), width(""));
}

TEST_F(TextListBoxTest, SortedListFoldsOnlyCapitalsAndPutsEqualItemsLast) {
    list.setSorted(true);
    for (const char* text : {"b", "B2", "A", "\xC4z", " password", "a", "_x"}) {
        list.addText(text);
    }
    std::vector<std::string> order;
    for (int row = 0; row < list.count(); ++row) {
        order.push_back(list.text(row));
    }
    // "_" lies between the capitals and the small letters: folding puts it first.
    EXPECT_EQ(order, (std::vector<std::string>{" password", "_x", "A", "a", "b", "B2", "\xC4z"}));
}

TEST_F(TextListBoxTest, ItemsKeepTheirBytes) {
    const std::string odd = "/opt/\xFF\xFE/tool";
    list.addText(odd);
    list.addText("/opt/caf\xC3\xA9");
    EXPECT_EQ(list.text(0), odd);
    EXPECT_EQ(list.item(1)->text(), QStringLiteral("/opt/caf\u00e9"));
}

TEST_F(TextListBoxTest, AddingInOneGoGivesWhatAddingOneByOneGives) {
    const std::vector<std::string> texts{"b", shortItem, "B", longItem, "a", "b", middleItem, "A"};
    TTextListBox oneByOne;
    for (TTextListBox* box : {&list, &oneByOne}) {
        box->setSorted(true);
        box->addText("a"); // an item that was there before
    }
    for (const std::string& text : texts) {
        oneByOne.addText(text);
    }
    list.addTexts(texts);
    ASSERT_EQ(list.count(), oneByOne.count());
    for (int row = 0; row < list.count(); ++row) {
        EXPECT_EQ(list.text(row), oneByOne.text(row)) << row;
    }
    EXPECT_EQ(list.horizontalExtent(), width(longItem));
    EXPECT_EQ(bar()->maximum(), width(longItem) - list.viewport()->width());
}

} // namespace
} // namespace korvane
