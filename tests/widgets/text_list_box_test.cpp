#include "widgets/text_list_box.h"

#include <string>

#include <gtest/gtest.h>

#include <QFontMetrics>
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
        return QFontMetrics(list.font()).horizontalAdvance(QString::fromStdString(text) + QLatin1Char('x'));
    }
    int row(const std::string& text) const {
        for (int i = 0; i < list.count(); ++i) {
            if (list.text(i) == text) {
                return i;
            }
        }
        return -1;
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
    list.addText(shortItem);
    list.addText(longItem);
    list.addText(middleItem);
    EXPECT_EQ(list.horizontalExtent(), width(longItem));
    EXPECT_EQ(bar()->maximum(), width(longItem) - list.viewport()->width());

    scrollRight();
    delete list.takeItem(row(middleItem));
    EXPECT_EQ(list.horizontalExtent(), width(longItem));
    EXPECT_GT(bar()->value(), 0);

    list.addText(middleItem);
    scrollRight();
    delete list.takeItem(row(longItem));
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_EQ(list.horizontalExtent(), width(middleItem));
}

TEST_F(TextListBoxTest, RemovingOneOfTwoWidestItemsRemeasures) {
    list.addText(longItem);
    list.addText(longItem);
    scrollRight();
    delete list.takeItem(0);
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_EQ(list.horizontalExtent(), width(longItem));
}

TEST_F(TextListBoxTest, ClearRemovesTheScrollRange) {
    list.addText(longItem);
    scrollRight();
    list.clear();
    EXPECT_EQ(list.horizontalExtent(), 0);
    EXPECT_EQ(bar()->maximum(), 0);
    EXPECT_EQ(bar()->value(), 0);

    list.addText("");
    EXPECT_EQ(list.horizontalExtent(), width(""));
    EXPECT_GT(list.horizontalExtent(), 0);
}

TEST_F(TextListBoxTest, FontChangeRemeasures) {
    list.addText(longItem);
    QFont bigger = list.font();
    bigger.setPointSize(bigger.pointSize() * 2);
    list.setFont(bigger);
    EXPECT_EQ(list.horizontalExtent(), width(longItem));
    EXPECT_EQ(list.horizontalExtent(), QFontMetrics(bigger).horizontalAdvance(QString::fromStdString(longItem + "x")));
}

TEST_F(TextListBoxTest, SortedListFoldsOnlyCapitalsAndPutsEqualItemsLast) {
    list.setSorted(true);
    for (const char* text : {"b", "B2", "A", "\xC4z", " password", "a", "_x"}) {
        list.addText(text);
    }
    std::vector<std::string> order;
    for (int i = 0; i < list.count(); ++i) {
        order.push_back(list.text(i));
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

} // namespace
} // namespace korvane
