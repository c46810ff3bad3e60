#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "engine/checksums.h"
#include "engine/file_error.h"
#include "engine/packages/package_database.h"
#include "platform/linux/linux_process_table.h"
#include "tests/support/child_process.h"
#include "tests/support/dpkg_database_folder.h"
#include "tests/support/safe_entries.h"
#include "tests/support/scoped_real_platform.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/questionable_form.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;

// The real window over a package database the test builds.
class PackageTrustWindowTest : public test::MainWindowTest {
protected:
    PackageTrustWindowTest() { platform.services.packageRoot = root.path().string(); }

    QAction* trustItem() { return form().findChild<QAction*>(QStringLiteral("TrustInstalledPackages1")); }
    bool quit() {
        form().QuitConfirmedClose();
        form().SaveSettings();
        return form().isHidden();
    }
    std::string settingsText() { return DecodeSettingsText(test::ReadFileBytes(files.settings)); }
    // The file-information panel's text for the Safe list's entry at `row`.
    std::string informationOnSafeEntry(int row) {
        child<TTextListBox>("TextListBox2")->setCurrentRow(row);
        form().findChild<QAction*>(QStringLiteral("DisplayFileInformation2"))->trigger();
        EXPECT_TRUE(child("Panel17")->isVisible());
        return child<QLabel>("Label10")->text().toStdString();
    }

    test::TempFolder root;
    test::DpkgDatabaseFolder dpkg{root.path().string()};
};

TEST_F(PackageTrustWindowTest, TheSafeMenuItemIsOffAtFirstAndKeptAtPositionThreeOfTheFlagString) {
    shownForm();
    QAction* item = trustItem();
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(child<QMenu>("PopupMenu2")->actions().contains(item));
    EXPECT_EQ(item->text(), QStringLiteral("Trust installed packages"));
    EXPECT_TRUE(item->isCheckable());
    EXPECT_TRUE(item->isEnabled());
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(form().trustInstalledPackages());

    item->trigger();
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(form().trustInstalledPackages());
    ASSERT_TRUE(quit());
    EXPECT_NE(settingsText().find("ParmEdit.Text=011000000000000000000000000\r\n"), std::string::npos);

    restart();
    shownForm();
    EXPECT_TRUE(trustItem()->isChecked());
    EXPECT_TRUE(form().trustInstalledPackages());
    trustItem()->trigger();
    EXPECT_FALSE(form().trustInstalledPackages());
    EXPECT_EQ(form().flags().text(), "010000000000000000000000000");
}

TEST_F(PackageTrustWindowTest, WithoutAFlagStringTheSettingIsStillKept) {
    settings("CheckBox7.Checked=TRUE\r\n"); // no ParmEdit: the working copy is empty
    shownForm();
    trustItem()->trigger();
    ASSERT_TRUE(quit());
    EXPECT_NE(settingsText().find("ParmEdit.Text=0010000000000000\r\n"), std::string::npos);
    restart();
    shownForm();
    EXPECT_TRUE(trustItem()->isChecked());
}

TEST_F(PackageTrustWindowTest, GreyedOutWithTheReasonWhereNothingWasInstalledByDpkg) {
    test::TempFolder bare;
    platform.services.packageRoot = bare.path().string();
    settings("CheckBox7.Checked=TRUE\r\nParmEdit.Text=011000000000000000000000000\r\n");
    shownForm();
    EXPECT_FALSE(trustItem()->isEnabled());
    EXPECT_TRUE(trustItem()->toolTip().contains(QStringLiteral("/var/lib/dpkg")));
    EXPECT_TRUE(child<QMenu>("PopupMenu2")->toolTipsVisible());
    // Stored as set, but there is nothing to trust.
    EXPECT_FALSE(form().trustInstalledPackages());
    EXPECT_FALSE(form().packagesVouch());
}

TEST_F(PackageTrustWindowTest, FileInformationNamesTheOwningPackageAndWhetherTheFileMatches) {
    dpkg.install("tool", {{"usr/bin/tool", "tool as packaged"}});
    const std::string tool = dpkg.at("usr/bin/tool");
    const std::string local = root.write("opt/local", "built here");
    storeLists({test::SafeEntryFor(tool), test::SafeEntryFor(local)}, {}, {"   ", "/usr/lib/systemd/systemd"});
    shownForm();
    ASSERT_EQ(lines("TextListBox2").size(), 2u);
    const int toolRow = rowOf("TextListBox2", test::SafeEntryFor(tool));

    // Read for the panel even while the preference is off.
    EXPECT_EQ(informationOnSafeEntry(toolRow),
              "     Information could not be extracted.\nPackage: tool\nPackage checksum: matches");
    EXPECT_EQ(informationOnSafeEntry(rowOf("TextListBox2", test::SafeEntryFor(local))),
              "     Information could not be extracted.\nPackage: none");
    test::WriteFileBytes(tool, "tool, changed");
    EXPECT_TRUE(informationOnSafeEntry(toolRow).ends_with("\nPackage: tool\nPackage checksum: differs"));
    std::filesystem::remove(tool);
    EXPECT_TRUE(informationOnSafeEntry(toolRow).ends_with("\nPackage checksum: file cannot be read"));
    // The text stays clear of the OK button.
    const QWidget* ok = child("EncartaButton10");
    EXPECT_GE(ok->y(), child("Label10")->geometry().bottom());
    EXPECT_EQ(child("Panel17")->height(), child("Panel18")->height() + 7);
}

TEST_F(PackageTrustWindowTest, AnEmptySafeListActivatesOnlyOnceTrustedPackagesVouch) {
    shownForm();
    ASSERT_TRUE(lines("TextListBox2").empty());
    press("EncartaButton5");
    EXPECT_FALSE(form().isActivated());
    ASSERT_TRUE(message());
    EXPECT_TRUE(message()->contains(QStringLiteral("list empty")));
    press("CentralMsgLabelButtonOK");

    trustItem()->trigger();
    ASSERT_TRUE(form().engine().packages().waitForReading(30s));
    press("EncartaButton5");
    EXPECT_TRUE(form().isActivated());
    EXPECT_FALSE(message());
}

// Every process on the machine, seen for real; terminations are recorded, never made.
class RecordingTerminator : public ProcessTerminator {
public:
    bool terminate(const ProcessIdentity& id) override {
        terminated.push_back(id);
        return true;
    }
    std::vector<ProcessIdentity> terminated;
};

// A folder seeded as korvane-seed seeds one, trusting this machine's package database
// with an empty Safe list: the running packaged programs raise no question; a copy
// of one outside every package does.
TEST(PackageTrustMachineTest, RunningPackagedProgramsRaiseNoQuestionOnAnEmptySafeList) {
    if (!HasPackageDatabase("/")) {
        GTEST_SKIP() << "no package database on this machine";
    }
    test::TempFolder folder;
    SeedFolder(folder.folder(), {"/usr/lib/systemd/systemd"});
    test::WriteFileBytes(folder.file("Korvane"), "");
    test::WriteFileBytes(
        DataFiles(folder.folder()).settings,
        EncodeSettingsText("[Form1]\r\nCheckBox7.Checked=TRUE\r\nParmEdit.Text=011000000000000000000000000\r\n"));
    test::TempFolder bins;
    const std::string copy = bins.file("sleep-copy");
    test::CopySleepBinary(copy);
    test::ChildProcess packaged("/usr/bin/sleep", {"60"});
    test::ChildProcess unpackaged(copy, {"60"});

    PlatformServices platform = test::ScopedRealPlatform(bins.folder());
    platform.processes = std::make_unique<LinuxProcessTable>();
    auto terminator = std::make_unique<RecordingTerminator>();
    RecordingTerminator& terminations = *terminator;
    platform.terminator = std::move(terminator);
    TForm1 form(platform, ProgramLocation{folder.file("Korvane"), folder.folder()});
    form.show();
    QEvent activation(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&form, &activation);
    ASSERT_TRUE(form.packagesVouch() || form.engine().packages().waitForReading(30s));
    const std::shared_ptr<const PackageIndex> index = form.engine().packages().index();
    ASSERT_NE(index, nullptr);
    ASSERT_GT(index->size(), 1000u);

    // The dialog is answered from inside its modal loop: every line let run.
    TForm2& dialog = form.questionableDialog();
    std::vector<SnapshotEntry> questioned;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (!dialog.isVisible()) {
            return;
        }
        for (std::size_t row = 0; row < dialog.count(); ++row) {
            questioned.push_back(dialog.entry(row));
            dialog.entryList().item(static_cast<int>(row))->setCheckState(Qt::Checked);
        }
        QTest::mouseClick(dialog.findChild<TEncartaButton*>(QStringLiteral("EncartaButton2")), Qt::LeftButton);
    });
    answer.start(20);
    QTest::mouseClick(form.findChild<TEncartaButton*>(QStringLiteral("EncartaButton5")), Qt::LeftButton);
    ASSERT_TRUE(form.isActivated());

    // Each running program whose image its package records passed.
    std::vector<int> vouched;
    for (const SnapshotEntry& entry : form.engine().snapshot().StgLst()) {
        Digest image{};
        try {
            image = FileDigest("/proc/" + std::to_string(entry.id.pid) + "/exe");
        } catch (const FileError&) {
            continue; // ended meanwhile
        }
        if (RecordWithDigest(index->find(entry.path), image) == nullptr) {
            continue;
        }
        vouched.push_back(entry.id.pid);
        EXPECT_TRUE(std::none_of(questioned.begin(), questioned.end(), [&](const SnapshotEntry& asked) {
            return asked.id == entry.id;
        })) << entry.text;
    }
    EXPECT_NE(std::find(vouched.begin(), vouched.end(), packaged.pid()), vouched.end());
    EXPECT_TRUE(std::any_of(questioned.begin(), questioned.end(),
                            [&](const SnapshotEntry& asked) { return asked.id.pid == unpackaged.pid(); }));
    EXPECT_TRUE(terminations.terminated.empty());
}

} // namespace
} // namespace korvane
