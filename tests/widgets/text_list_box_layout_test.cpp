#include "widgets/text_list_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <QApplication>
#include <QEvent>
#include <QListWidgetItem>
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

// Counts the viewport's resizes: a list whose bars keep switching each other resizes
// it on every turn of the event loop.
class ResizeCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        resizes += event->type() == QEvent::Resize ? 1 : 0;
        return false;
    }
    int resizes = 0;
};

// Check boxes widen an item beyond its text. The view's own layout and the range set
// for the widest text must not disagree about the horizontal bar, or they switch it
// on and off for ever and the window hangs at a full core (seen in the questionable
// dialog with a dozen entries about as wide as the list).
TEST(TextListBoxLayout, CheckableItemsAsWideAsTheViewSettle) {
    for (std::size_t length = 40; length <= 80; ++length) {
        TTextListBox list;
        list.resize(481, 97);
        list.show();
        for (int row = 0; row < 12; ++row) {
            QListWidgetItem* item = list.item(list.addText(std::string(length, 'a')));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
        for (int turn = 0; turn < 5; ++turn) {
            QApplication::processEvents();
        }
        ResizeCounter counter;
        list.viewport()->installEventFilter(&counter);
        for (int turn = 0; turn < 20; ++turn) {
            QApplication::processEvents();
        }
        EXPECT_EQ(counter.resizes, 0) << length << " characters";
    }
}

} // namespace
} // namespace korvane
