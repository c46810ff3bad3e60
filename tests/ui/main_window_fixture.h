#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QTest>

#include "engine/memory_list_pane.h"
#include "store/data_files.h"
#include "store/data_save.h"
#include "store/seed_folder.h"
#include "store/settings_codec.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_folder.h"
#include "ui/main_form.h"

namespace korvane::test {

// The entries of a list box, in its order.
inline std::vector<std::string> PaneLines(const TTextListBox& box) {
    std::vector<std::string> result;
    for (int row = 0; row < box.count(); ++row) {
        result.push_back(box.text(row));
    }
    return result;
}

// The real main window over a seeded program folder and the fake platform.
class MainWindowTest : public ::testing::Test {
protected:
    // A start after the first, with the design defaults and no first-run notice; with
    // `firstStart`, the settings exactly as the seeding tool writes them.
    explicit MainWindowTest(bool firstStart = false) {
        SeedFolder(folder.folder(), {"/usr/lib/systemd/systemd"});
        WriteFileBytes(files.executable, "");
        if (!firstStart) {
            settings("CheckBox7.Checked=TRUE\r\nParmEdit.Text=010000000000000000000000000\r\n");
        }
    }

    // Replaces the seeded lists (and their seal) with these, as a shutdown would; the
    // Never Kill list's first line is the password line.
    void storeLists(const std::vector<std::string>& safe, const std::vector<std::string>& kill,
                    const std::vector<std::string>& neverKill) {
        MemoryListPane safePane("TextListBox2", true, safe);
        MemoryListPane killPane("CheckListBox3", false, kill);
        MemoryListPane neverKillPane("TextListBox4", true, neverKill);
        ListFileStore lists(folder.folder());
        SaveDataFiles(lists, files, {safePane, killPane, neverKillPane});
    }
    // Replaces the seeded settings with these (plain text; "\r\n" between lines).
    void settings(const std::string& plain) {
        WriteFileBytes(files.settings, EncodeSettingsText("[Form1]\r\n" + plain));
    }

    TForm1& form() {
        if (!form_) {
            form_ = std::make_unique<TForm1>(platform.services, ProgramLocation{files.executable, folder.folder()});
            QObject::connect(form_.get(), &TForm1::endProgram, [this] { ++endRequests; });
        }
        return *form_;
    }
    void activate() {
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(&form(), &activation);
    }
    // A new run of the program over the same folder.
    void restart() {
        form_.reset();
        platform.fileLocker->held.clear();
    }
    // Shown and activated, as the user first sees it.
    TForm1& shownForm() {
        form().show();
        activate();
        EXPECT_FALSE(form().firstActivation());
        return *form_;
    }

    template <class T = QWidget> T* child(const char* name) {
        T* found = form().findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    std::vector<std::string> lines(const char* name) { return PaneLines(*child<TTextListBox>(name)); }
    int rowOf(const char* name, const std::string& text) {
        const std::vector<std::string> entries = lines(name);
        const auto found = std::find(entries.begin(), entries.end(), text);
        EXPECT_NE(found, entries.end()) << text;
        return static_cast<int>(found - entries.begin());
    }
    // A user's click on the list's entry at `row`.
    void clickEntry(const char* name, int row) {
        auto* box = child<TTextListBox>(name);
        const QRect entry = box->visualItemRect(box->item(row));
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, entry.center());
    }
    // The message panel's text while it is open, else nothing.
    std::optional<QString> message() {
        if (child("CentralMsgLabelPanel1")->isHidden()) {
            return std::nullopt;
        }
        return child<QLabel>("CentralMsgLabel")->text();
    }
    void press(const char* button) { QTest::mouseClick(child<TEncartaButton>(button), Qt::LeftButton); }
    // Where the pointer is, in the coordinates of `control`, as the window sees it.
    QPoint pointerOn(const char* control) {
        const QWidget* widget = child(control);
        return QCursor::pos() - form().geometry().topLeft() - widget->mapTo(&form(), QPoint());
    }

    TempFolder folder;
    DataFiles files{folder.folder()};
    FakePlatform platform;
    int endRequests = 0; // how often the window asked the program to end
    std::unique_ptr<TForm1> form_;
};

} // namespace korvane::test
