#include "widgets/text_list_box.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
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

TEST_F(TextListBoxTest, ClickIsRaisedByTheUserOnly) {
    for (const char* text : {"/a", "/b", "/c"}) {
        list.addText(text);
    }
    int clicks = 0;
    QObject::connect(&list, &TTextListBox::click, [&clicks] { ++clicks; });
    list.setCurrentRow(1);
    list.addText("/d");
    EXPECT_EQ(clicks, 0);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(0)).center());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(list.currentRow(), 0);
    // A click on the highlighted entry again counts too.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(0)).center());
    EXPECT_EQ(clicks, 2);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(list.currentRow(), 1);
    // A key that moves nothing raises nothing.
    QTest::keyClick(&list, Qt::Key_Home);
    QTest::keyClick(&list, Qt::Key_Up);
    EXPECT_EQ(clicks, 4);
}

TEST_F(TextListBoxTest, RowsTakeTheItemHeight) {
    list.addText("/a");
    list.addText("/b");
    list.setItemHeight(13);
    QApplication::processEvents();
    EXPECT_EQ(list.visualItemRect(list.item(0)).height(), 13);
    EXPECT_EQ(list.visualItemRect(list.item(1)).top(), list.visualItemRect(list.item(0)).top() + 13);
    list.setItemHeight(30);
    QApplication::processEvents();
    EXPECT_EQ(list.visualItemRect(list.item(1)).height(), 30);
}

TEST_F(TextListBoxTest, AddingInOneGoGivesWhatAddingOneByOneGives) {
    // Sorted by the text, shown as something else: a Current entry and its path.
    const std::vector<std::pair<std::string, std::string>> items{
        {"b", "b"},   {shortItem + " [1]", shortItem}, {"B", "B"}, {longItem, longItem}, {"a", "a"},
        {"b", "b 2"}, {middleItem, middleItem},        {"A", "A"}};
    TTextListBox oneByOne;
    for (TTextListBox* box : {&list, &oneByOne}) {
        box->setSorted(true);
        box->addText("a"); // an item that was there before
    }
    for (const auto& [text, shown] : items) {
        oneByOne.addText(text, shown);
    }
    list.addTexts(items);
    ASSERT_EQ(list.count(), oneByOne.count());
    for (int row = 0; row < list.count(); ++row) {
        EXPECT_EQ(list.text(row), oneByOne.text(row)) << row;
        EXPECT_EQ(list.item(row)->text(), oneByOne.item(row)->text()) << row;
    }
    EXPECT_EQ(list.horizontalExtent(), width(longItem));
    EXPECT_EQ(bar()->maximum(), width(longItem) - list.viewport()->width());
}

} // namespace
} // namespace korvane
