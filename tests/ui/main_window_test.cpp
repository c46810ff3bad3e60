#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontMetrics>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>

#include "engine/checksums.h"
#include "tests/support/safe_entries.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/questionable_form.h"

namespace korvane {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

// The design's outer sizes, less the design's frame (4 pixels each side, the caption).
constexpr QSize kFoldedClient{785 - 8, 542 - 34};
constexpr QSize kUnfoldedClient{1004 - 8, 542 - 34};

class MainWindowLayoutTest : public test::MainWindowTest {};

TEST_F(MainWindowLayoutTest, FoldsAndUnfoldsWithThePointerKeptOnTheButton) {
    shownForm();
    EXPECT_EQ(form().size(), kFoldedClient);
    // Folded, the preferences, the help button and the Never Kill pane lie beyond the edge.
    for (const char* hidden : {"Panel4", "HelpButton", "Panel15", "Panel16"}) {
        EXPECT_GE(child(hidden)->x(), form().width()) << hidden;
    }
    auto* button = child<TEncartaButton>("PrefButton2");
    EXPECT_EQ(button->caption(), QStringLiteral("Preferences >>"));

    press("PrefButton2");
    EXPECT_EQ(button->caption(), QStringLiteral("<< Preferences"));
    EXPECT_EQ(form().size(), kUnfoldedClient);
    EXPECT_EQ(form().x(), 10);
    EXPECT_EQ(form().flags().text()[0], '1');
    EXPECT_EQ(pointerOn("PrefButton2"), QPoint(40, 8));
    EXPECT_EQ(child("GaugeStatusBar1")->geometry(), QRect(0, 489, kUnfoldedClient.width(), 19));
    for (const char* shown : {"Panel4", "HelpButton", "Panel15", "Panel16"}) {
        EXPECT_LE(child(shown)->geometry().right(), form().width()) << shown;
    }

    // An interval typed but not committed is discarded by folding.
    child<TIntegerEdit>("IntegerEdit1")->setValue(3000);
    child("Panel11")->show();
    form().messagePanel().LockPanels(true);
    press("PrefButton2");
    EXPECT_EQ(button->caption(), QStringLiteral("Preferences >>"));
    EXPECT_EQ(form().size(), kFoldedClient);
    EXPECT_EQ(form().x(), 119);
    EXPECT_EQ(form().flags().text()[0], '0');
    EXPECT_EQ(child<TIntegerEdit>("IntegerEdit1")->value(), 1000);
    EXPECT_TRUE(child("Panel11")->isHidden());
    EXPECT_TRUE(child("Panel1")->isEnabled());
    EXPECT_EQ(pointerOn("PrefButton2"), QPoint(40, 8));
    EXPECT_EQ(child("GaugeStatusBar1")->width(), kFoldedClient.width());
}

// An empty flag string (no settings yet) has no position to record the pane in.
TEST_F(MainWindowLayoutTest, UnfoldingWithoutAFlagStringStillUnfolds) {
    settings("");
    shownForm();
    press("PrefButton2");
    EXPECT_EQ(form().size(), kUnfoldedClient);
    EXPECT_EQ(form().flags().text(), "");
    EXPECT_EQ(pointerOn("PrefButton2"), QPoint(40, 8));
}

TEST_F(MainWindowLayoutTest, ControlsStandWhereTheDesignPutsThem) {
    const std::vector<std::pair<const char*, QRect>> places{
        {"Panel1", {2, 2, 775, 458}},          {"TextListBox1", {7, 24, 257, 426}},
        {"TextListBox2", {271, 24, 245, 426}}, {"CheckListBox3", {523, 24, 245, 426}},
        {"Panel15", {784, 320, 206, 139}},     {"TextListBox4", {3, 18, 200, 114}},
        {"Panel13", {2, 461, 692, 31}},        {"EncartaButton1", {2, 4, 132, 22}},
        {"EncartaButton5", {284, 4, 72, 22}},  {"EncartaButton2", {358, 4, 72, 22}},
        {"EncartaButton3", {432, 4, 72, 22}},  {"EncartaButton7", {646, 4, 45, 17}},
        {"PrefButton2", {695, 465, 80, 17}},   {"HelpButton", {977, 465, 17, 17}},
        {"Panel14", {730, 482, 17, 9}},        {"Panel4", {779, 2, 217, 458}},
        {"Panel16", {790, 199, 201, 15}},      {"Panel10", {11, 256, 196, 60}},
        {"Panel6", {11, 30, 2, 29}},           {"Panel9", {11, 63, 2, 29}},
        {"Panel11", {551, 160, 217, 170}},     {"EncartaButton8", {32, 135, 72, 22}},
        {"EncartaButton4", {106, 135, 72, 22}}};
    for (const auto& [name, place] : places) {
        EXPECT_EQ(child(name)->geometry(), place) << name;
    }
    const std::vector<std::pair<const char*, QPoint>> corners{
        {"CheckBox1", {13, 30}},  {"Label1", {13, 44}},      {"CheckBox2", {13, 63}},  {"Label3", {12, 77}},
        {"CheckBox7", {13, 94}},  {"CheckBox4", {13, 111}},  {"CheckBox6", {13, 128}}, {"CheckBox3", {13, 145}},
        {"CheckBox8", {13, 162}}, {"CheckBox10", {13, 179}}, {"Label2", {8, 222}},     {"IntegerEdit1", {125, 223}},
        {"Panel17", {12, 129}},   {"Image2", {11, 9}},       {"Label10", {9, 45}},     {"CentralMsgLabel", {9, 45}}};
    for (const auto& [name, corner] : corners) {
        EXPECT_EQ(child(name)->pos(), corner) << name;
    }
    EXPECT_EQ(form().windowTitle(), QStringLiteral("Korvane"));
    EXPECT_EQ(form().size(), kFoldedClient);
    EXPECT_EQ(child("GaugeStatusBar1")->geometry(), QRect(0, 489, kFoldedClient.width(), 19));
    EXPECT_EQ(child("CentralMsgLabelPanel1")->width(), 310);
    EXPECT_EQ(child("CentralMsgLabelPanel2")->width(), 303);
    for (const char* hidden : {"Edit1", "ParmEdit", "Memo1", "TestWidth", "Memo2", "Panel17", "Panel11",
                               "CentralMsgLabelPanel1", "CentralMsgLabelButtonOK"}) {
        EXPECT_TRUE(child(hidden)->isHidden()) << hidden;
    }
}

TEST_F(MainWindowLayoutTest, HeadersButtonsAndMenusCarryTheirCaptionsAndColours) {
    const auto colours = [this](const char* name) {
        const QPalette colours = child(name)->palette();
        return std::pair(colours.color(QPalette::Window), colours.color(QPalette::WindowText));
    };
    EXPECT_EQ(colours("Panel3"), std::pair(QColor(0, 255, 0), QColor(0, 0, 128)));
    EXPECT_EQ(colours("Panel7"), std::pair(QColor(255, 0, 0), QColor(255, 255, 0)));
    EXPECT_EQ(colours("Panel8"), std::pair(QColor(255, 255, 0), QColor(0, 0, 128)));
    EXPECT_EQ(colours("Panel2"), std::pair(QColor(0xE7, 0xDF, 0xAD), QColor(0, 0, 128)));
    EXPECT_EQ(child<QLabel>("Panel8")->text(), QStringLiteral("Never Kill System Processes"));
    EXPECT_EQ(child<QLabel>("Label7")->text(), QStringLiteral("Bypass"));
    EXPECT_EQ(child<QLabel>("Label8")->font().family(), QStringLiteral("Wingdings"));
    EXPECT_TRUE(QFontMetrics(child<QLabel>("Label8")->font()).inFontUcs4(child<QLabel>("Label8")->text()[0].unicode()));
    for (const char* list : {"TextListBox1", "TextListBox2", "TextListBox4"}) {
        EXPECT_EQ(child(list)->font().family(), QStringLiteral("Verdana")) << list;
        EXPECT_EQ(child<TTextListBox>(list)->itemHeight(), 13) << list;
    }
    EXPECT_EQ(child("CheckListBox3")->font().family(), QStringLiteral("MS Sans Serif"));

    auto* quit = child<TEncartaButton>("EncartaButton2");
    EXPECT_EQ(quit->caption(), QStringLiteral("Quit"));
    EXPECT_EQ(quit->colorOver(), QColor(255, 0, 0));
    EXPECT_EQ(quit->colorOverCaption(), QColor(255, 255, 0));
    EXPECT_EQ(quit->colorDown(), QColor(0xD8, 0xBE, 0x0A));
    EXPECT_EQ(child<TEncartaButton>("EncartaButton1")->caption(), QStringLiteral("Copy all Current to Safe"));
    EXPECT_EQ(child<TEncartaButton>("EncartaButton3")->caption(), QStringLiteral("Tray"));
    EXPECT_EQ(child<TEncartaButton>("EncartaButton7")->font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(child<TEncartaButton>("EncartaButton1")->font().family(), QStringLiteral("Arial"));

    const std::vector<std::pair<const char*, std::vector<std::string>>> menus{
        {"PopupMenu1", {"Display file information", "Copy list to Clipboard"}},
        {"PopupMenu2",
         {"Delete highlighted file from Safe list", "Display file information", "Copy list to Clipboard", "",
          "Trust installed packages"}},
        {"PopupMenu3",
         {"Delete highlighted file from Kill list", "Strip down to exe name only", "Display file information",
          "Copy list to Clipboard"}},
        {"PopupMenu4",
         {"Delete highlighted file from Never list", "Display file information", "Copy list to Clipboard",
          "Remove these file from Safe list"}},
        {"PopupMenu5", {"Change password"}}};
    for (const auto& [name, captions] : menus) {
        std::vector<std::string> found;
        for (const QAction* item : child<QMenu>(name)->actions()) {
            found.push_back(item->text().toStdString());
        }
        EXPECT_EQ(found, captions) << name;
    }
}

TEST_F(MainWindowLayoutTest, ARightClickOnAListOpensItsMenu) {
    shownForm();
    auto* safe = child<TTextListBox>("TextListBox2");
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(20, 20), safe->viewport()->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(safe->viewport(), &request);
    EXPECT_TRUE(child<QMenu>("PopupMenu2")->isVisible());
    child<QMenu>("PopupMenu2")->hide();
    EXPECT_FALSE(child<QMenu>("PopupMenu1")->isVisible());

    // The password box takes no clicks: a right click on it reaches the picture under
    // it, which carries "Change password".
    press("PrefButton2");
    QWidget* under = form().childAt(child("MaskEdit1")->mapTo(&form(), QPoint(10, 10)));
    ASSERT_EQ(under, child("Image3"));
    QContextMenuEvent onBox(QContextMenuEvent::Mouse, QPoint(10, 10), under->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(under, &onBox);
    EXPECT_TRUE(child<QMenu>("PopupMenu5")->isVisible());
    child<QMenu>("PopupMenu5")->hide();
}

class MainWindowHintTest : public test::MainWindowTest {
protected:
    // An entry about `width` pixels wide in the list font, never wider.
    QString entryOfWidth(int width) {
        const QFontMetrics metrics(child<QLabel>("TestWidth")->font());
        QString entry = QStringLiteral("/usr/bin/");
        while (metrics.horizontalAdvance(entry + u'x') <= width) {
            entry += u'x';
        }
        EXPECT_GT(metrics.horizontalAdvance(entry), width - 10);
        return entry;
    }
    QString status() { return child<TGaugeStatusBar>("GaugeStatusBar1")->simpleText(); }
    QString hint(const char* list) { return child(list)->toolTip(); }
};

TEST_F(MainWindowHintTest, AnEntryOf200PixelsIsHintedOnlyInTheNeverKillList) {
    shownForm();
    press("PrefButton2");
    const QString entry = entryOfWidth(200);
    for (const char* list : {"TextListBox1", "TextListBox2", "TextListBox4"}) {
        child<TTextListBox>(list)->addText(entry.toStdString());
    }
    for (const char* list : {"TextListBox1", "TextListBox2"}) {
        clickEntry(list, rowOf(list, entry.toStdString()));
        EXPECT_EQ(hint(list), QString()) << list;
        EXPECT_EQ(status(), u' ' + entry) << list;
    }
    auto* neverKill = child<TTextListBox>("TextListBox4");
    clickEntry("TextListBox4", rowOf("TextListBox4", entry.toStdString()));
    EXPECT_EQ(hint("TextListBox4"), entry);
    EXPECT_EQ(status(), u' ' + entry);

    // The hint stays up the application's hint pause; a short entry takes it away.
    QHelpEvent over(QEvent::ToolTip, QPoint(5, 5), neverKill->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(neverKill, &over);
    EXPECT_EQ(QToolTip::text(), entry);
    QToolTip::hideText();
    clickEntry("TextListBox4", rowOf("TextListBox4", "/usr/lib/systemd/systemd"));
    EXPECT_EQ(hint("TextListBox4"), QString());
    EXPECT_EQ(status(), QStringLiteral(" /usr/lib/systemd/systemd"));
}

TEST_F(MainWindowHintTest, KillEntriesShowInTheStatusLineOnlyWhenWiderThan210Pixels) {
    shownForm();
    const QString narrow = entryOfWidth(150);
    const QString wide = entryOfWidth(260);
    form().killPane().add(narrow.toStdString());
    form().killPane().add(wide.toStdString());
    child<TGaugeStatusBar>("GaugeStatusBar1")->setSimpleText(QStringLiteral("before"));
    clickEntry("CheckListBox3", 0);
    EXPECT_EQ(status(), QString());
    EXPECT_EQ(hint("CheckListBox3"), QString());
    clickEntry("CheckListBox3", 1);
    EXPECT_EQ(status(), u' ' + wide);
    EXPECT_EQ(hint("CheckListBox3"), wide);
    // The keyboard moves the highlight just as well.
    QTest::keyClick(child("CheckListBox3"), Qt::Key_Up);
    EXPECT_EQ(status(), QString());
}

TEST_F(MainWindowHintTest, MovingOverTheGapsBetweenTheListsTakesTheirHintsAway) {
    shownForm();
    press("PrefButton2");
    for (const char* list : {"TextListBox1", "TextListBox2", "CheckListBox3", "TextListBox4"}) {
        child(list)->setToolTip(QStringLiteral("hint"));
    }
    auto* panel = child("Panel1");
    // Over a list the panel's own moves do not happen.
    QMouseEvent overList(QEvent::MouseMove, QPointF(100, 100), panel->mapToGlobal(QPointF(100, 100)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &overList);
    EXPECT_EQ(hint("TextListBox1"), QStringLiteral("hint"));
    QMouseEvent inGap(QEvent::MouseMove, QPointF(267, 200), panel->mapToGlobal(QPointF(267, 200)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(panel, &inGap);
    for (const char* list : {"TextListBox1", "TextListBox2", "CheckListBox3"}) {
        EXPECT_EQ(hint(list), QString()) << list;
    }
    EXPECT_EQ(hint("TextListBox4"), QStringLiteral("hint"));
}

class MainWindowStartTest : public test::MainWindowTest {};

// What a display without a window manager does: the window is never activated.
class ActivationBlocker : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::WindowActivate; }
};

// Without a window manager a shown window may never be activated: the lists load all
// the same, once the show has been handled.
TEST_F(MainWindowStartTest, ListsLoadOnTheFirstShowWhenNoActivationComes) {
    settings("ParmEdit.Text=000000000000000000000000000\r\n");
    ActivationBlocker noActivation;
    form().installEventFilter(&noActivation);
    form().show();
    EXPECT_TRUE(form().firstActivation());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form().firstActivation(); }));
    EXPECT_EQ(lines("TextListBox4"), std::vector<std::string>{"/usr/lib/systemd/systemd"});
    EXPECT_TRUE(message()); // the first-run notice
    EXPECT_EQ(platform.fileLocker->held.size(), 5u);
    // An activation that comes later loads nothing again.
    activate();
    EXPECT_EQ(lines("TextListBox4"), std::vector<std::string>{"/usr/lib/systemd/systemd"});
}

// Before the first activation the lists are empty: a tick would question or kill
// everything. The watch waits, on the real timer too.
TEST_F(MainWindowStartTest, NoWatchCycleChecksBeforeTheListsAreLoaded) {
    // Outside the program's folder, which is exempt.
    const test::TempFolder elsewhere;
    const std::string safeProgram = elsewhere.file("trusted");
    WriteFileBytes(safeProgram, "abc");
    storeLists({test::SafeEntryFor(safeProgram)}, {}, {"   ", "/usr/lib/systemd/systemd"});
    settings("Edit1.Text=20\r\nCheckBox7.Checked=FALSE\r\nCheckBox1.Checked=TRUE\r\n"
             "ParmEdit.Text=011000000000000000000000000\r\n");
    platform.table->start("/usr/lib/systemd/systemd");
    const auto trusted = platform.table->start(safeProgram);
    const auto unknown = platform.table->start("/opt/unknown");
    ASSERT_TRUE(form().isActivated());
    ASSERT_TRUE(form().autoKillUnknown());
    form().Timer1Timer();
    QTest::qWait(150); // several real timer periods
    EXPECT_TRUE(platform.table->running(trusted));
    EXPECT_TRUE(platform.table->running(unknown));
    EXPECT_TRUE(platform.terminator->terminated.empty());

    activate();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !platform.table->running(unknown); }));
    EXPECT_TRUE(platform.table->running(trusted));
}

TEST_F(MainWindowStartTest, FirstActivationUnfoldsPaintsAndShowsTheStoppedTrayImage) {
    settings("ParmEdit.Text=110000000000000000000000000\r\nCheckBox4.Checked=TRUE\r\nCheckBox7.Checked=TRUE\r\n");
    shownForm();
    EXPECT_EQ(form().size(), kUnfoldedClient);
    EXPECT_EQ(form().x(), 10);
    EXPECT_EQ(child<TEncartaButton>("PrefButton2")->caption(), QStringLiteral("<< Preferences"));
    for (const char* list : {"TextListBox1", "TextListBox2", "CheckListBox3", "TextListBox4"}) {
        EXPECT_EQ(child(list)->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xDE)) << list;
    }
    EXPECT_FALSE(message()); // the notice was shown before
    auto* tray = child<TRxTrayIcon>("RxTrayIcon1");
    EXPECT_EQ(tray->icon().cacheKey(), tray->icons()->at(1).cacheKey());

    // Folded at the end, the pane stays folded at the next start.
    press("PrefButton2");
    form().QuitConfirmedClose();
    ASSERT_TRUE(form().isHidden());
    form().SaveSettings();
    EXPECT_NE(DecodeSettingsText(ReadFileBytes(files.settings)).find("ParmEdit.Text=010000000000000000000000000"),
              std::string::npos);
}

TEST_F(MainWindowStartTest, ATamperedListKeepsItsRedWhenTheBackgroundIsApplied) {
    std::string seal = ReadFileBytes(files.seal);
    seal[0] = seal[0] == '0' ? '1' : '0';
    WriteFileBytes(files.seal, seal);
    settings("ParmEdit.Text=110000000000000000000000000\r\nCheckBox4.Checked=TRUE\r\n");
    shownForm();
    // The restored box's click painted every list cream before the seal check; the
    // first activation then changes nothing, and the tampered list stays red.
    EXPECT_EQ(child("TextListBox1")->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xDE));
    EXPECT_EQ(child("TextListBox2")->palette().color(QPalette::Base), QColor(255, 0, 0));
}

TEST_F(MainWindowStartTest, LockedAndWatchingTheWindowHidesAfterItsFirstPaint) {
    settings("CheckBox5.Checked=TRUE\r\nCheckBox7.Checked=FALSE\r\nParmEdit.Text=011000000000000000000000000\r\n");
    ActivationBlocker noActivation;
    form().installEventFilter(&noActivation);
    form().trayControls().setTrayAvailability([] { return true; });
    form().show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form().isHidden(); }));
    EXPECT_TRUE(form().inTray());
    // Hidden before any activation, the lists are loaded all the same: the guard
    // watches from the tray.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form().firstActivation(); }));
    form().show();
    QTest::qWait(50);
    EXPECT_TRUE(form().isVisible()); // later paints do nothing
}

TEST_F(MainWindowStartTest, LockedButStoppedTheWindowStays) {
    settings("CheckBox5.Checked=TRUE\r\nCheckBox7.Checked=TRUE\r\nParmEdit.Text=011000000000000000000000000\r\n");
    form().show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&form()));
    QTest::qWait(50);
    EXPECT_TRUE(form().isVisible());
}

TEST_F(MainWindowStartTest, LockAreaIsRedAtTheFirstActivationOnlyWithAPassword) {
    settings("CheckBox5.Checked=TRUE\r\n");
    shownForm();
    EXPECT_EQ(child("Panel10")->palette().color(QPalette::Window), QColor(0xE7, 0xDF, 0xAD));

    restart();
    storeLists({}, {}, {"   pw"});
    settings("CheckBox5.Checked=TRUE\r\n");
    shownForm();
    EXPECT_EQ(child("Panel10")->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(child("CheckBox5")->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_EQ(child("Label6")->palette().color(QPalette::WindowText), QColor(255, 255, 0));
}

// The change-password fields are saved with the settings, but never with a password in them.
TEST_F(MainWindowStartTest, ThePasswordFieldsAreSavedEmpty) {
    shownForm();
    child<QLineEdit>("MaskEdit2")->setText(QStringLiteral("old"));
    child<QLineEdit>("MaskEdit3")->setText(QStringLiteral("new"));
    form().QuitConfirmedClose();
    ASSERT_TRUE(form().isHidden());
    form().SaveSettings();
    const std::string plain = DecodeSettingsText(ReadFileBytes(files.settings));
    EXPECT_NE(plain.find("MaskEdit3.Text=\r\nMaskEdit2.Text=\r\n"), std::string::npos);
}

} // namespace
} // namespace korvane
