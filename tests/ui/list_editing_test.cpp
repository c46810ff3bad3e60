#include "ui/list_editing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>

#include "engine/checksums.h"
#include "tests/support/safe_entries.h"
#include "tests/ui/main_window_fixture.h"

namespace korvane {
namespace {

using Strings = std::vector<std::string>;

const QString kSafeKill = QStringLiteral("Duplicate processes in 'Safe' and 'Kill' list not allowed.");
const QString kDeleteFromSafe =
    QStringLiteral("Duplicate processes in 'Safe' and 'Kill' list not allowed.  Delete from 'Safe' list first.");
const QString kDeleteFromKill =
    QStringLiteral("Duplicate processes in 'Kill' and 'Never Kill' list not allowed.  Delete from 'Kill' list first.");

// The lists of the real window, edited through real drag events on their entry areas
// and through their menu items.
class ListEditingTest : public test::MainWindowTest {
protected:
    // An executable outside the program's folder, running.
    std::string running(const std::string& relative, const std::string& bytes = "abc") {
        const std::filesystem::path path = elsewhere.path() / relative;
        std::filesystem::create_directories(path.parent_path());
        test::WriteFileBytes(path.string(), bytes);
        platform.table->start(path.string());
        return path.string();
    }
    TTextListBox* list(const char* name) { return child<TTextListBox>(name); }
    ListEditing& editing() { return *form().findChild<ListEditing*>(QStringLiteral("ListEditing")); }
    bool& forceCheck() { return form().engine().flags().ForceCheck; }

    // A drag from `source` with `row` highlighted, as the list starts it.
    std::unique_ptr<QMimeData> dragFrom(const char* source, int row) {
        list(source)->setCurrentRow(row);
        return std::unique_ptr<QMimeData>(editing().dragData(*list(source)));
    }
    bool enters(const char* target, const QMimeData& data) {
        QWidget* area = list(target)->viewport();
        QDragEnterEvent enter(area->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &enter);
        return enter.isAccepted();
    }
    // Enters, moves over and drops on the target; false when the target refused.
    bool drop(const char* target, const QMimeData& data) {
        QWidget* area = list(target)->viewport();
        const QPoint at = area->rect().center();
        const bool entered = enters(target, data);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &move);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &dropped);
        EXPECT_EQ(dropped.isAccepted(), entered && move.isAccepted());
        return dropped.isAccepted();
    }
    bool drop(const char* source, int row, const char* target) { return drop(target, *dragFrom(source, row)); }

    test::TempFolder elsewhere;
};

TEST_F(ListEditingTest, ACurrentEntryShowsItsPathCutButIsDroppedWhole) {
    const std::string tool = running("a [x]/tool");
    shownForm();
    const std::string folder = elsewhere.file("a");
    ASSERT_EQ(lines("TextListBox1"), Strings{tool});
    EXPECT_EQ(list("TextListBox1")->item(0)->text().toStdString(), folder);

    forceCheck() = false;
    EXPECT_TRUE(drop("TextListBox1", 0, "CheckListBox3"));
    EXPECT_EQ(lines("CheckListBox3"), Strings{tool}); // never the folder, which would cover every program in it
    EXPECT_TRUE(forceCheck());
    form().killPane().clear();
    EXPECT_TRUE(drop("TextListBox1", 0, "TextListBox2"));
    EXPECT_EQ(lines("TextListBox2"), Strings{test::SafeEntryFor(tool)});
    EXPECT_TRUE(drop("TextListBox1", 0, "TextListBox4"));
    EXPECT_EQ(rowOf("TextListBox4", tool), 0);
    EXPECT_EQ(lines("TextListBox1"), Strings{tool}); // copies
}

// A watch tick during a drag rebuilds the Current list and takes its highlight; the
// drop still lands the entry the drag began with, wherever the tick put it.
TEST_F(ListEditingTest, ADragOutlivesATickThatRebuildsTheCurrentList) {
    const std::string before = running("before");
    const std::string tool = running("tool");
    const std::string ending = running("ending");
    const auto idOf = [this](const std::string& path) {
        return std::find_if(platform.table->processes.begin(), platform.table->processes.end(),
                            [&](const ProcessRecord& record) { return record.path == path; })
            ->id;
    };
    shownForm();
    clickEntry("TextListBox1", rowOf("TextListBox1", tool));
    const std::unique_ptr<QMimeData> toKill(editing().dragData(*list("TextListBox1")));
    clickEntry("TextListBox1", rowOf("TextListBox1", ending));
    const std::unique_ptr<QMimeData> gone(editing().dragData(*list("TextListBox1")));

    platform.table->end(idOf(before));
    platform.table->end(idOf(ending));
    form().Timer1Timer();
    ASSERT_EQ(lines("TextListBox1"), Strings{tool});
    ASSERT_EQ(list("TextListBox1")->currentRow(), -1);

    EXPECT_TRUE(drop("CheckListBox3", *toKill));
    EXPECT_EQ(lines("CheckListBox3"), Strings{tool});
    EXPECT_EQ(list("TextListBox1")->currentRow(), 0); // highlighted again
    // An entry whose program ended during the drag is dropped nowhere.
    EXPECT_TRUE(drop("TextListBox2", *gone));
    EXPECT_TRUE(lines("TextListBox2").empty());
}

TEST_F(ListEditingTest, TheOwnExecutableIsDroppedNowhere) {
    platform.table->start(files.executable);
    const std::string tool = running("tool");
    shownForm();
    const std::unique_ptr<QMimeData> own = dragFrom("TextListBox1", rowOf("TextListBox1", files.executable));
    EXPECT_EQ(qobject_cast<ListEntryDrag*>(own.get())->cursor(), DragCursor::NoDrop);
    for (const char* target : {"TextListBox2", "CheckListBox3", "TextListBox4"}) {
        EXPECT_FALSE(drop(target, *own)) << target;
    }
    EXPECT_TRUE(lines("TextListBox2").empty());
    EXPECT_TRUE(lines("CheckListBox3").empty());

    const std::unique_ptr<QMimeData> other = dragFrom("TextListBox1", rowOf("TextListBox1", tool));
    EXPECT_EQ(qobject_cast<ListEntryDrag*>(other.get())->cursor(), DragCursor::Drag);
    EXPECT_TRUE(drop("TextListBox2", *other));
}

TEST_F(ListEditingTest, EachListTakesItsSourcesOnlyAndNothingFromOutside) {
    storeLists({elsewhere.file("s") + "     [900150983CD24FB0D6963F7D28E17F72]"}, {},
               {"   ", "/usr/lib/systemd/systemd"});
    shownForm();
    const std::unique_ptr<QMimeData> fromSafe = dragFrom("TextListBox2", 0);
    EXPECT_FALSE(enters("TextListBox2", *fromSafe));
    EXPECT_TRUE(enters("CheckListBox3", *fromSafe));
    EXPECT_TRUE(enters("TextListBox4", *fromSafe));
    const std::unique_ptr<QMimeData> fromNeverKill = dragFrom("TextListBox4", 0);
    for (const char* target : {"TextListBox2", "CheckListBox3", "TextListBox4"}) {
        EXPECT_FALSE(enters(target, *fromNeverKill)) << target;
    }
    // Another program offering the same format and naming the Current list.
    QMimeData foreign;
    foreign.setData(QLatin1String(ListEntryDrag::kFormat), "TextListBox1");
    for (const char* target : {"TextListBox2", "CheckListBox3", "TextListBox4"}) {
        EXPECT_FALSE(drop(target, foreign)) << target;
    }
    EXPECT_TRUE(lines("CheckListBox3").empty());
}

TEST_F(ListEditingTest, DuplicateRulesSpeakThroughTheMessagePanel) {
    const std::string tool = running("a/tool");
    const std::string safeOnly = running("b/kept");
    storeLists({safeOnly + "     [900150983CD24FB0D6963F7D28E17F72]"}, {"/other/TOOL", tool + "-and-more"},
               {"   ", "/usr/lib/systemd/systemd"});
    shownForm();
    // The file names match, ignoring case and folder.
    EXPECT_TRUE(drop("TextListBox1", rowOf("TextListBox1", tool), "TextListBox2"));
    EXPECT_EQ(message(), kSafeKill);
    EXPECT_EQ(lines("TextListBox2").size(), 1u);
    // Locked behind the notice, the lists take nothing.
    EXPECT_FALSE(drop("TextListBox1", rowOf("TextListBox1", tool), "TextListBox4"));
    press("CentralMsgLabelButtonOK");

    EXPECT_TRUE(drop("TextListBox1", rowOf("TextListBox1", tool), "TextListBox4"));
    EXPECT_EQ(message(), kDeleteFromKill);
    press("CentralMsgLabelButtonOK");
    forceCheck() = false;
    EXPECT_TRUE(drop("TextListBox1", rowOf("TextListBox1", safeOnly), "CheckListBox3"));
    EXPECT_EQ(message(), kDeleteFromSafe);
    EXPECT_EQ(lines("CheckListBox3"), (Strings{"/other/TOOL", tool + "-and-more"}));
    EXPECT_EQ(lines("TextListBox4"), Strings{"/usr/lib/systemd/systemd"});
    EXPECT_FALSE(forceCheck());
}

TEST_F(ListEditingTest, SafeEntryMovesToKillWithoutItsDigestAndACurrentOneCoversLikeAName) {
    const std::string current = running("c");
    const std::string safeEntry = "/opt/c     [900150983CD24FB0D6963F7D28E17F72]";
    storeLists({"/opt/b     [900150983CD24FB0D6963F7D28E17F72]", safeEntry}, {"/x/a", "a", "b"},
               {"   ", "/usr/lib/systemd/systemd"});
    shownForm();
    forceCheck() = false;
    EXPECT_TRUE(drop("TextListBox2", 1, "CheckListBox3"));
    EXPECT_EQ(lines("CheckListBox3"), (Strings{"/x/a", "a", "b", "/opt/c"}));
    EXPECT_EQ(lines("TextListBox2"), Strings{"/opt/b     [900150983CD24FB0D6963F7D28E17F72]"});
    EXPECT_TRUE(forceCheck());

    // A Current entry dropped after them: the bare "a" covers the full path before it.
    EXPECT_TRUE(drop("TextListBox1", 0, "CheckListBox3"));
    EXPECT_EQ(lines("CheckListBox3"), (Strings{"a", "b", "/opt/c", current}));
}

TEST_F(ListEditingTest, NeverKillRefusalIsSilentAndADropOfNothingRechecks) {
    const std::string system = running("sys");
    storeLists({}, {}, {"   ", "/usr/lib/systemd/systemd", system});
    shownForm();
    forceCheck() = false;
    EXPECT_TRUE(drop("TextListBox1", rowOf("TextListBox1", system), "CheckListBox3"));
    EXPECT_EQ(message(), std::nullopt);
    EXPECT_TRUE(lines("CheckListBox3").empty());
    EXPECT_FALSE(forceCheck());

    EXPECT_TRUE(drop("TextListBox1", -1, "CheckListBox3"));
    EXPECT_TRUE(lines("CheckListBox3").empty());
    EXPECT_TRUE(forceCheck());
}

TEST_F(ListEditingTest, MenuCommandsEditAndCopyTheLists) {
    const std::string tool = running("a [x]/tool");
    storeLists(
        {"/opt/Sys/a     [900150983CD24FB0D6963F7D28E17F72]", "/opt/sys/b     [900150983CD24FB0D6963F7D28E17F72]"},
        {"/opt/x/tool", "/opt/y"}, {"   ", "/opt/Sys/a", "/opt/sys/B", "/usr/lib/systemd/systemd"});
    shownForm();
    form().killPane().setChecked(0, true);
    list("CheckListBox3")->setCurrentRow(0);
    child<QAction>("Stripdowntoexenameonly1")->trigger();
    list("CheckListBox3")->setCurrentRow(1);
    child<QAction>("DeleteFocusedKillProcess1")->trigger();
    EXPECT_EQ(lines("CheckListBox3"), Strings{"tool"});
    EXPECT_TRUE(form().killPane().checked(0)); // the Bypass mark stayed with it

    child<QAction>("RemoveTheseFilesFromSafeList1")->trigger();
    EXPECT_EQ(lines("TextListBox2"), Strings{"/opt/sys/b     [900150983CD24FB0D6963F7D28E17F72]"});

    QClipboard& clipboard = *QGuiApplication::clipboard();
    child<QAction>("CopyToClipboard4")->trigger();
    EXPECT_EQ(clipboard.text(), QStringLiteral("/opt/Sys/a\r\n/opt/sys/B\r\n/usr/lib/systemd/systemd\r\n"));
    child<QAction>("CopyToClipboard3")->trigger();
    EXPECT_EQ(clipboard.text(), QStringLiteral("tool\r\n"));
    child<QAction>("CopyToClipboard1")->trigger();
    EXPECT_EQ(clipboard.text().toStdString(), tool + "\r\n"); // the whole path
    form().safePane().clear();
    child<QAction>("CopyToClipboard2")->trigger();
    EXPECT_EQ(clipboard.text(), QString());
}

TEST_F(ListEditingTest, BypassToggleRechecksAndShowsAWideEntryLikeAClick) {
    const std::string wide = "/opt/" + std::string(60, 'w') + "/tool";
    storeLists({}, {"/opt/short", wide}, {"   ", "/usr/lib/systemd/systemd"});
    shownForm();
    TTextListBox& kill = *list("CheckListBox3");
    forceCheck() = false;
    kill.setCurrentRow(1);
    kill.item(1)->setCheckState(Qt::Checked);
    EXPECT_TRUE(forceCheck());
    EXPECT_EQ(kill.toolTip().toStdString(), wide);
    EXPECT_EQ(child<TGaugeStatusBar>("GaugeStatusBar1")->simpleText().toStdString(), " " + wide);

    kill.setCurrentRow(0);
    kill.item(0)->setCheckState(Qt::Checked);
    EXPECT_TRUE(kill.toolTip().isEmpty());
    EXPECT_TRUE(child<TGaugeStatusBar>("GaugeStatusBar1")->simpleText().isEmpty());
}

} // namespace
} // namespace korvane
