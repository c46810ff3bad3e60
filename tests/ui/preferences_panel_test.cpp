#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>

#include "tests/ui/main_window_fixture.h"
#include "ui/control_colours.h"

namespace korvane {
namespace {

const QColor kBeige{0xE7, 0xDF, 0xAD};
const QColor kNavy{0, 0, 128};
const QColor kRed{255, 0, 0};
const QColor kYellow{255, 255, 0};
const QColor kCream{0xFF, 0xFF, 0xDE};

class PreferencesPanelTest : public test::MainWindowTest {
protected:
    // A user's click on the box, on its tick.
    void clickBox(const char* name) {
        auto* box = child<QCheckBox>(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    bool checked(const char* name) { return child<QCheckBox>(name)->isChecked(); }
    std::pair<QColor, QColor> colours(const char* name) {
        const QPalette colours = child(name)->palette();
        return {colours.color(QPalette::Window), colours.color(QPalette::WindowText)};
    }
    QColor textColour(const char* name) { return child(name)->palette().color(QPalette::WindowText); }
    QColor listColour(const char* name) { return child(name)->palette().color(QPalette::Base); }
    bool focusSunk() { return form().focusWidget() == child("Panel14"); }
    void takeFocusAway() { child("IntegerEdit1")->setFocus(); }

    // Through "Change password": the current password, the new one, then OK.
    void changePassword(const QString& current, const QString& next) {
        child<QAction>("Changepassword1")->trigger();
        child<QLineEdit>("MaskEdit2")->setText(current);
        child<QLineEdit>("MaskEdit3")->setText(next);
        press("EncartaButton8");
    }
    QString password() { return child<QLineEdit>("MaskEdit1")->text(); }
};

TEST_F(PreferencesPanelTest, EachBoxTakesEffectAtItsClickAndLeavesTheFocusOnTheSink) {
    shownForm();
    clickBox("CheckBox2");
    for (const char* painted : {"CheckBox2", "Label3", "Panel9"}) {
        EXPECT_EQ(colours(painted), std::pair(kRed, kYellow)) << painted;
    }
    EXPECT_TRUE(focusSunk());
    clickBox("CheckBox2");
    for (const char* painted : {"CheckBox2", "Label3", "Panel9"}) {
        EXPECT_EQ(colours(painted), std::pair(kBeige, kNavy)) << painted;
    }

    // The boxes read elsewhere only move the focus; "Run at Windows startup" registers.
    for (const char* box : {"CheckBox7", "CheckBox6", "CheckBox8", "CheckBox10", "CheckBox3"}) {
        takeFocusAway();
        clickBox(box);
        EXPECT_TRUE(focusSunk()) << box;
    }
    EXPECT_FALSE(checked("CheckBox7"));
    EXPECT_TRUE(checked("CheckBox10"));
    ASSERT_FALSE(platform.startup->calls.empty());
    EXPECT_EQ(platform.startup->calls.back(), std::pair(files.executable, true));
}

TEST_F(PreferencesPanelTest, BackgroundIsCreamOrWhiteAndLeftAloneWhileAListIsRed) {
    shownForm();
    const std::vector<const char*> lists{"TextListBox1", "TextListBox2", "CheckListBox3", "TextListBox4"};
    clickBox("CheckBox4");
    for (const char* list : lists) {
        EXPECT_EQ(listColour(list), kCream) << list;
    }
    clickBox("CheckBox4");
    for (const char* list : lists) {
        EXPECT_EQ(listColour(list), QColor(Qt::white)) << list;
    }

    // The tamper marking of the Kill list: no click changes any list now.
    PaintList(child("CheckListBox3"), kRed, kYellow);
    takeFocusAway();
    clickBox("CheckBox4");
    EXPECT_EQ(listColour("TextListBox1"), QColor(Qt::white));
    EXPECT_EQ(listColour("CheckListBox3"), kRed);
    EXPECT_FALSE(focusSunk());
}

TEST_F(PreferencesPanelTest, LockNeedsAPasswordAndGoesWithIt) {
    shownForm();
    clickBox("CheckBox5");
    EXPECT_FALSE(checked("CheckBox5"));
    EXPECT_EQ(colours("Panel10").first, kBeige);

    // Blanks alone are no password.
    changePassword(QString(), QStringLiteral("  "));
    clickBox("CheckBox5");
    EXPECT_FALSE(checked("CheckBox5"));

    changePassword(QStringLiteral("  "), QStringLiteral("Secret"));
    EXPECT_EQ(password(), QStringLiteral("Secret"));
    clickBox("CheckBox5");
    EXPECT_TRUE(checked("CheckBox5"));
    EXPECT_EQ(colours("Panel10").first, kRed);
    EXPECT_EQ(textColour("CheckBox5"), kYellow);
    EXPECT_EQ(textColour("Label6"), kYellow);
    EXPECT_TRUE(focusSunk());

    // Emptying the password takes LOCK off with it.
    changePassword(QStringLiteral("Secret"), QString());
    EXPECT_TRUE(password().isEmpty());
    EXPECT_FALSE(checked("CheckBox5"));
    EXPECT_EQ(colours("Panel10").first, kBeige);
    EXPECT_EQ(textColour("Label6"), kNavy);
}

TEST_F(PreferencesPanelTest, TheCurrentPasswordMustMatchExactly) {
    storeLists({}, {}, {"   Secret", "/usr/lib/systemd/systemd"});
    shownForm();
    child<QAction>("Changepassword1")->trigger();
    EXPECT_FALSE(child("Panel11")->isHidden());
    EXPECT_FALSE(child("Panel1")->isEnabled());
    EXPECT_EQ(form().focusWidget(), child("MaskEdit2"));

    child<QLineEdit>("MaskEdit2")->setText(QStringLiteral("secret"));
    child<QLineEdit>("MaskEdit3")->setText(QStringLiteral("Other"));
    press("EncartaButton8");
    EXPECT_EQ(child<QLabel>("Label4")->text(), QStringLiteral("Incorrect 'Current' Password"));
    EXPECT_EQ(textColour("Label4"), kRed);
    EXPECT_FALSE(child("Panel11")->isHidden());
    EXPECT_EQ(password(), QStringLiteral("Secret"));

    // Cancel changes nothing; reopened, the panel starts afresh.
    press("EncartaButton4");
    EXPECT_TRUE(child("Panel11")->isHidden());
    EXPECT_TRUE(child("Panel4")->isEnabled());
    EXPECT_EQ(password(), QStringLiteral("Secret"));
    child<QAction>("Changepassword1")->trigger();
    EXPECT_EQ(child<QLabel>("Label4")->text(), QStringLiteral("Current password:"));
    EXPECT_EQ(textColour("Label4"), kNavy);
    EXPECT_TRUE(child<QLineEdit>("MaskEdit2")->text().isEmpty());

    changePassword(QStringLiteral("Secret"), QStringLiteral("New one"));
    EXPECT_EQ(password(), QStringLiteral("New one"));
    EXPECT_TRUE(child("Panel11")->isHidden());
    EXPECT_TRUE(child("Panel1")->isEnabled());
}

TEST_F(PreferencesPanelTest, LockPreferencesHoldsThroughUnlockingAndARestart) {
    shownForm();
    clickBox("CheckBox9");
    auto* box = child<QCheckBox>("CheckBox9");
    EXPECT_FALSE(child("Panel4")->isEnabled());
    EXPECT_EQ(box->text(), QStringLiteral("Locked Preferences"));
    EXPECT_EQ(textColour("CheckBox9"), kRed);
    EXPECT_TRUE(box->font().bold());
    EXPECT_TRUE(focusSunk());

    // A notice opens and closes: the pane stays locked, the box stays usable.
    form().messagePanel().CentralMessagesRtn(QStringLiteral("<OK>note"));
    press("CentralMsgLabelButtonOK");
    EXPECT_FALSE(child("Panel4")->isEnabled());
    EXPECT_TRUE(child("Panel16")->isEnabled());

    form().QuitConfirmedClose();
    ASSERT_TRUE(form().isHidden());
    form().SaveSettings();
    restart();
    shownForm();
    box = child<QCheckBox>("CheckBox9");
    EXPECT_TRUE(box->isChecked());
    EXPECT_FALSE(child("Panel4")->isEnabled());
    EXPECT_EQ(box->text(), QStringLiteral("Locked Preferences"));

    clickBox("CheckBox9");
    EXPECT_TRUE(child("Panel4")->isEnabled());
    EXPECT_EQ(box->text(), QStringLiteral("Lock Preferences"));
    EXPECT_EQ(textColour("CheckBox9"), kNavy);
    EXPECT_FALSE(box->font().bold());
}

// LOCK comes back from the settings before the password comes back with the lists:
// that first click event must not take it off.
TEST_F(PreferencesPanelTest, ARestoredLockWaitsForThePasswordAndLaterClicksCount) {
    storeLists({}, {}, {"   pw", "/usr/lib/systemd/systemd"});
    settings("CheckBox5.Checked=TRUE\r\nCheckBox7.Checked=TRUE\r\nParmEdit.Text=010000000000000000000000000\r\n");
    form();
    EXPECT_TRUE(checked("CheckBox5"));
    shownForm();
    EXPECT_TRUE(checked("CheckBox5"));
    EXPECT_EQ(colours("Panel10").first, kRed);

    clickBox("CheckBox5");
    EXPECT_FALSE(checked("CheckBox5"));
    EXPECT_EQ(colours("Panel10").first, kBeige);
}

} // namespace
} // namespace korvane
