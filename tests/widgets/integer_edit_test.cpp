#include "widgets/integer_edit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace korvane {
namespace {

class IntegerEditTest : public testing::Test {
protected:
    void SetUp() override { edit.clear(); }

    void enter(Qt::FocusReason reason = Qt::TabFocusReason) {
        QFocusEvent event(QEvent::FocusIn, reason);
        QCoreApplication::sendEvent(&edit, &event);
    }
    void leave() {
        QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(&edit, &event);
    }
    QColor textColour() const { return edit.palette().color(QPalette::Text); }

    // Presses the key and answers any message box it opens; returns the box's text.
    QString pressCatchingMessage(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QString message;
        QTimer answer;
        answer.setSingleShot(true);
        QObject::connect(&answer, &QTimer::timeout, [&message] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                message = box->text();
                box->accept();
            }
        });
        answer.start(0);
        QTest::keyClick(&edit, key, modifiers);
        return message;
    }

    TIntegerEdit edit;
    QClipboard* clipboard = QGuiApplication::clipboard();
};

TEST_F(IntegerEditTest, NewFieldShowsZeroInNormalColour) {
    TIntegerEdit fresh;
    EXPECT_EQ(fresh.text(), QStringLiteral("0"));
    EXPECT_EQ(fresh.value(), 0);
    EXPECT_EQ(fresh.palette().color(QPalette::Text), QColor(Qt::black));
}

TEST_F(IntegerEditTest, TypedCharactersAreFilteredByTheResultingText) {
    QTest::keyClicks(&edit, QStringLiteral("-"));
    EXPECT_EQ(edit.text(), QStringLiteral("-"));
    QTest::keyClicks(&edit, QStringLiteral("1a2-x 3+"));
    EXPECT_EQ(edit.text(), QStringLiteral("-123"));

    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("+7"));
    EXPECT_EQ(edit.text(), QStringLiteral("+7"));
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, QStringLiteral("-"));
    EXPECT_EQ(edit.text(), QStringLiteral("+7")) << "a second sign";
}

TEST_F(IntegerEditTest, DigitsPastThe32BitRangeAreRefused) {
    QTest::keyClicks(&edit, QStringLiteral("21474836479"));
    EXPECT_EQ(edit.text(), QStringLiteral("2147483647"));
    EXPECT_EQ(edit.value(), 2147483647);

    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("-2147483649"));
    EXPECT_EQ(edit.text(), QStringLiteral("-214748364"));
    QTest::keyClicks(&edit, QStringLiteral("80"));
    EXPECT_EQ(edit.value(), -2147483647 - 1);
}

TEST_F(IntegerEditTest, PasteIsCheckedOnTheTextItWouldLeave) {
    edit.setText(QStringLiteral("123"));
    edit.setSelection(1, 1);
    clipboard->setText(QStringLiteral("45"));
    EXPECT_EQ(pressCatchingMessage(Qt::Key_V, Qt::ControlModifier), QString());
    EXPECT_EQ(edit.text(), QStringLiteral("1453"));

    clipboard->setText(QStringLiteral("4a"));
    EXPECT_EQ(pressCatchingMessage(Qt::Key_V, Qt::ControlModifier), QString()) << "refused without a message";
    EXPECT_EQ(pressCatchingMessage(Qt::Key_Insert, Qt::ShiftModifier), QString());
    EXPECT_EQ(edit.text(), QStringLiteral("1453"));

    clipboard->clear();
    EXPECT_EQ(pressCatchingMessage(Qt::Key_V, Qt::ControlModifier), QStringLiteral("No text on the Clipboard"));
    EXPECT_EQ(edit.text(), QStringLiteral("1453"));
}

TEST_F(IntegerEditTest, CutCopyAndDeletionsKeepAnAcceptableText) {
    edit.setText(QStringLiteral("1234"));
    edit.setSelection(1, 2);
    QTest::keyClick(&edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QStringLiteral("23"));
    edit.setSelection(0, 1);
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), QStringLiteral("1"));
    EXPECT_EQ(edit.text(), QStringLiteral("234"));

    // Text written by the program is not filtered; edits that leave it unparsable are.
    edit.setText(QStringLiteral("5x5"));
    clipboard->setText(QStringLiteral("kept"));
    edit.setSelection(0, 1);
    QTest::keyClick(&edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("5x5"));
    EXPECT_EQ(clipboard->text(), QStringLiteral("kept"));
    edit.setCursorPosition(0);
    QTest::keyClick(&edit, Qt::Key_Delete);
    edit.setCursorPosition(1);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("5x5"));
    edit.setCursorPosition(3);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("5x5"));

    edit.setText(QStringLiteral("-12"));
    edit.setCursorPosition(1);
    QTest::keyClick(&edit, Qt::Key_Delete);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("2"));
}

TEST_F(IntegerEditTest, LeavingRewritesTheText) {
    leave();
    EXPECT_EQ(edit.text(), QStringLiteral("0"));

    edit.setMinValue(500);
    edit.clear();
    QTest::keyClicks(&edit, QStringLiteral("+007"));
    leave();
    EXPECT_EQ(edit.text(), QStringLiteral("7"));

    edit.clear();
    EXPECT_EQ(edit.value(), 0);
    QTest::keyClicks(&edit, QStringLiteral("-"));
    EXPECT_EQ(edit.value(), 500);
    leave();
    EXPECT_EQ(edit.text(), QStringLiteral("500"));
}

TEST_F(IntegerEditTest, ValidateClampsWithWarningColourAndSignals) {
    QSignalSpy under(&edit, &TCommonEdit::underflow);
    QSignalSpy over(&edit, &TCommonEdit::overflow);
    edit.setMinValue(500);
    edit.setMaxValue(7000);
    edit.setValue(100);
    EXPECT_EQ(edit.text(), QStringLiteral("100")) << "not enforced without Validate";
    EXPECT_EQ(under.count(), 0);

    edit.setValidate(true);
    EXPECT_EQ(edit.text(), QStringLiteral("500"));
    EXPECT_EQ(textColour(), QColor(255, 0, 0));
    EXPECT_EQ(under.count(), 1);
    enter();
    EXPECT_EQ(textColour(), QColor(Qt::black));
    EXPECT_EQ(edit.selectedText(), QStringLiteral("500"));

    edit.setValue(7001);
    EXPECT_EQ(edit.text(), QStringLiteral("7000"));
    EXPECT_EQ(over.count(), 1);
    edit.setValue(6999);
    EXPECT_EQ(textColour(), QColor(Qt::black));

    TIntegerEdit zeroRange;
    zeroRange.setValidate(true);
    zeroRange.setValue(-3);
    EXPECT_EQ(zeroRange.text(), QStringLiteral("0"));
    zeroRange.setValue(42);
    EXPECT_EQ(zeroRange.text(), QStringLiteral("0"));
}

TEST_F(IntegerEditTest, MaxLengthLimitsTheUserNotTheProgram) {
    edit.setMaxLength(4);
    QTest::keyClicks(&edit, QStringLiteral("12345"));
    EXPECT_EQ(edit.text(), QStringLiteral("1234"));

    edit.clear();
    clipboard->setText(QStringLiteral("98765"));
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("9876"));

    edit.setValue(-12000);
    EXPECT_EQ(edit.text(), QStringLiteral("-12000"));
    EXPECT_EQ(edit.value(), -12000);
}

TEST_F(IntegerEditTest, FormatStringWithoutOneIntegerConversionLeavesTheText) {
    edit.setValue(42);
    edit.setFormatString(QStringLiteral("%s"));
    EXPECT_EQ(edit.text(), QStringLiteral("42"));
    edit.setFormatString(QStringLiteral("%d %d"));
    EXPECT_EQ(edit.text(), QStringLiteral("42"));
    edit.setFormatString(QStringLiteral("%05d"));
    EXPECT_EQ(edit.text(), QStringLiteral("00042"));
}

} // namespace
} // namespace korvane
