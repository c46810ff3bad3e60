#include "widgets/text_list_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <QApplication>
#include <QScrollBar>

namespace korvane {
namespace {

// Small views where showing one scroll bar makes the other needed: the list must
// settle (it once switched the bars on and off in a recursion that overflowed the
// stack) with the range its widest item asks for.
TEST(TextListBoxLayout, ScrollBarsSettleInSmallViews) {
    for (int width = 40; width <= 140; width += 3) {
        for (int height = 20; height <= 40; height += 5) {
            for (std::size_t length = 1; length <= 30; length += 3) {
                TTextListBox list;
                list.resize(width, height);
                list.show();
                list.addText(std::string(length, 'a'));
                list.addText(std::string(length, 'a'));
                QApplication::processEvents();
                EXPECT_EQ(list.horizontalScrollBar()->maximum(),
                          std::max(0, list.horizontalExtent() - list.viewport()->width()))
                    << width << "x" << height << ", " << length << " characters";
            }
        }
    }
}

} // namespace
} // namespace korvane
