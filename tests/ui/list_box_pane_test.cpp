#include "ui/list_box_pane.h"

#include <functional>

#include <QListWidgetItem>

#include <gtest/gtest.h>

namespace korvane {
namespace {

// The pane's revision moves with every change of the box, also one made on the box
// itself rather than through the pane, as the user's edits are.
class ListBoxPaneRevisionTest : public ::testing::Test {
protected:
    ListBoxPaneRevisionTest() {
        box.setSorted(true);
        pane.add("/usr/bin/b     [00]");
        pane.add("/usr/bin/a     [00]");
    }

    // True when `change` moved the revision.
    bool moves(const std::function<void()>& change) {
        const std::uint64_t before = pane.revision();
        change();
        return pane.revision() != before;
    }

    TTextListBox box;
    ListBoxPane pane{box, true};
};

TEST_F(ListBoxPaneRevisionTest, ChangesThroughThePaneMoveIt) {
    EXPECT_TRUE(moves([&] { pane.add("/usr/bin/c"); }));
    EXPECT_TRUE(moves([&] { pane.setChecked(0, true); }));
    EXPECT_TRUE(moves([&] { pane.remove(0); }));
    EXPECT_TRUE(moves([&] { pane.clear(); }));
}

TEST_F(ListBoxPaneRevisionTest, ChangesMadeOnTheBoxItselfMoveIt) {
    EXPECT_TRUE(moves([&] { box.addText("/usr/bin/d"); }));
    EXPECT_TRUE(moves([&] { box.item(0)->setText(QStringLiteral("/usr/bin/e")); }));
    EXPECT_TRUE(moves([&] { box.item(1)->setCheckState(Qt::Checked); }));
    EXPECT_TRUE(moves([&] { box.sortItems(Qt::DescendingOrder); }));
    EXPECT_TRUE(moves([&] { delete box.takeItem(0); }));
    EXPECT_TRUE(moves([&] { box.clear(); }));
}

TEST_F(ListBoxPaneRevisionTest, ReadingLeavesItAlone) {
    EXPECT_FALSE(moves([&] {
        pane.items();
        pane.checked(0);
        box.setCurrentRow(1);
    }));
}

} // namespace
} // namespace korvane
