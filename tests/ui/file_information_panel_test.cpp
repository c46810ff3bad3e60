#include "ui/file_information_panel.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include "tests/support/version_fixture_files.h"
#include "tests/ui/main_window_fixture.h"

namespace korvane {
namespace {

using test::WriteFileBytes;

const QString kNotExtracted = QStringLiteral("     Information could not be extracted.");

class FileInformationPanelTest : public test::MainWindowTest {
protected:
    // A listed file outside the program's folder, made from a version fixture.
    std::string fixtureFile(const char* fixture) {
        const std::string path = elsewhere.file(fixture);
        WriteFileBytes(path, test::VersionFixtureBytes(fixture, "x86"));
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now());
        return path;
    }
    QStringList shownLines() { return child<QLabel>("Label10")->text().split(u'\n'); }
    int innerWidth() { return child("Panel18")->width(); }
    void checkWidths(int inner) {
        EXPECT_EQ(innerWidth(), inner);
        EXPECT_EQ(child("Panel17")->width(), inner + 7);
        EXPECT_EQ(child("EncartaButton10")->x(), inner / 2 - 36);
        EXPECT_FALSE(child("Panel17")->isHidden());
    }

    test::TempFolder elsewhere;
};

TEST_F(FileInformationPanelTest, ASafeEntryShowsTheFileBeforeItsDigest) {
    const std::string file = fixtureFile("unicode_neutral");
    const std::string entry = file + "     [00000000000000000000000000000000]";
    storeLists({entry}, {}, {"   ", "/usr/lib/systemd/systemd"});
    shownForm();
    EXPECT_TRUE(child("Panel17")->isHidden());
    child<TTextListBox>("TextListBox2")->setCurrentRow(0);
    child<QAction>("DisplayFileInformation2")->trigger();

    EXPECT_EQ(form().fileInformation().infoFilePath(), file);
    const QStringList shown = shownLines();
    ASSERT_EQ(shown.size(), 11);
    EXPECT_EQ(shown[0], QStringLiteral("Company name: Zeta Corp"));
    EXPECT_EQ(shown[2], QStringLiteral("File version: 9.0.1"));
    EXPECT_EQ(shown[4], QStringLiteral("Legal copyright: "));  // "(" first: not shown
    EXPECT_EQ(shown[5], QStringLiteral("Legal trademarks: ")); // a blank first: not shown
    EXPECT_EQ(shown[7], QStringLiteral("Product name: Zeta Ünicode € 😀"));
    EXPECT_EQ(shown[9], QStringLiteral("Comments: "));
    EXPECT_TRUE(shown[10].startsWith(QStringLiteral("File date/time: ")));
    const int textWidth = child("Label10")->width();
    checkWidths(std::clamp(textWidth + 19, 245, 748));
    EXPECT_EQ(child("Panel17")->pos(), QPoint(12, 129));

    press("EncartaButton10");
    EXPECT_TRUE(child("Panel17")->isHidden());
}

TEST_F(FileInformationPanelTest, WidthsStayWithin245And748) {
    const std::string shortTexts = fixtureFile("no_translation");
    const std::string longComment = fixtureFile("long_comment");
    const std::string english = fixtureFile("ansi_english");
    const std::string emptyValues = fixtureFile("other_translation");
    storeLists({}, {shortTexts, longComment, english, emptyValues}, {"   ", "/usr/lib/systemd/systemd"});
    shownForm();
    auto* kill = child<TTextListBox>("CheckListBox3");

    kill->setCurrentRow(rowOf("CheckListBox3", longComment));
    child<QAction>("DisplayFileInformation3")->trigger();
    EXPECT_GT(child("Label10")->width() + 19, 748);
    checkWidths(748);

    kill->setCurrentRow(rowOf("CheckListBox3", english));
    child<QAction>("DisplayFileInformation3")->trigger();
    EXPECT_EQ(shownLines()[0], QStringLiteral("Company name: MICROSOFT Corporation and friends"));
    checkWidths(std::clamp(child("Label10")->width() + 19, 245, 748));

    // Version information whose strings are all missing: the labels alone.
    kill->setCurrentRow(rowOf("CheckListBox3", emptyValues));
    child<QAction>("DisplayFileInformation3")->trigger();
    EXPECT_EQ(shownLines()[0], QStringLiteral("Company name: "));
    EXPECT_LT(child("Label10")->width() + 19, 245);
    checkWidths(245);

    // No translation: no version information at all.
    kill->setCurrentRow(rowOf("CheckListBox3", shortTexts));
    child<QAction>("DisplayFileInformation3")->trigger();
    EXPECT_EQ(child<QLabel>("Label10")->text(), kNotExtracted);
    checkWidths(245);
}

TEST_F(FileInformationPanelTest, MissingOrVersionlessFilesCannotBeExtracted) {
    const std::string script = elsewhere.file("script");
    WriteFileBytes(script, "#!/bin/sh\n");
    const std::string vanished = elsewhere.file("vanished");
    storeLists({}, {}, {"   ", script, vanished});
    shownForm();
    press("PrefButton2");
    auto* neverKill = child<TTextListBox>("TextListBox4");
    for (const std::string& entry : {script, vanished}) {
        child("Panel17")->hide();
        neverKill->setCurrentRow(rowOf("TextListBox4", entry));
        child<QAction>("MenuItem2")->trigger();
        EXPECT_EQ(child<QLabel>("Label10")->text(), kNotExtracted) << entry;
        checkWidths(245);
    }
}

TEST_F(FileInformationPanelTest, EachListShowsItsOwnHighlightedEntryAndNothingWithout) {
    const std::string current = fixtureFile("ansi_english");
    platform.table->start(current);
    shownForm();
    auto* list = child<TTextListBox>("TextListBox1");
    list->setCurrentRow(-1);
    child<QAction>("DisplayFileInformation1")->trigger();
    EXPECT_TRUE(child("Panel17")->isHidden());
    list->setCurrentRow(0);
    child<QAction>("DisplayFileInformation1")->trigger();
    EXPECT_FALSE(child("Panel17")->isHidden());
    EXPECT_EQ(form().fileInformation().infoFilePath(), current);
    // The rest of the window stays usable.
    EXPECT_TRUE(child("Panel1")->isEnabled());
    EXPECT_TRUE(child("Panel13")->isEnabled());
}

TEST_F(FileInformationPanelTest, ThePanelIsDraggedByItsText) {
    const std::string current = fixtureFile("ansi_english");
    platform.table->start(current);
    shownForm();
    child<TTextListBox>("TextListBox1")->setCurrentRow(0);
    child<QAction>("DisplayFileInformation1")->trigger();
    QWidget* text = child("Label10");
    QTest::mousePress(text, Qt::LeftButton, {}, QPoint(2, 2));
    QMouseEvent move(QEvent::MouseMove, QPointF(32, 42), text->mapToGlobal(QPointF(32, 42)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(text, &move);
    QTest::mouseRelease(text, Qt::LeftButton, {}, QPoint(32, 42));
    EXPECT_EQ(child("Panel17")->pos(), QPoint(42, 169));
}

// The questionable dialog's variant: a warning box with the ten version lines, the
// pointer below and right of the desktop's centre.
TEST_F(FileInformationPanelTest, TheMessageBoxVariantShowsTenLines) {
    const std::string file = fixtureFile("ansi_english");
    QString shown;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->text();
        title = box->windowTitle();
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        box->accept();
    });
    ShowFileInformationMessage(file + " [1001]", nullptr);
    const QStringList lines = shown.split(u'\n');
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[0], QStringLiteral("Company name: MICROSOFT Corporation and friends"));
    EXPECT_EQ(lines[9], QStringLiteral("Comments: x"));
    EXPECT_EQ(title, QStringLiteral("Warning"));
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(QCursor::pos(), desktop.topLeft() + QPoint(desktop.width() / 2 + 10, desktop.height() / 2 + 35));

    // Without version information nothing is shown at all.
    QCursor::setPos(1, 1);
    ShowFileInformationMessage(elsewhere.file("missing"), nullptr);
    EXPECT_EQ(QCursor::pos(), QPoint(1, 1));
}

} // namespace
} // namespace korvane
