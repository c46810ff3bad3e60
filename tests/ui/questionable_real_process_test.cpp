#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "store/settings_codec.h"
#include "tests/support/child_process.h"
#include "tests/support/scoped_real_platform.h"
#include "tests/support/temp_folder.h"
#include "ui/main_form.h"
#include "ui/questionable_form.h"

namespace korvane {
namespace {

// What md5sum says of a file, in the Safe list's upper-case form.
std::string Md5sum(const std::string& path) {
    QProcess md5sum;
    md5sum.start(QStringLiteral("md5sum"), {QString::fromStdString(path)});
    EXPECT_TRUE(md5sum.waitForFinished(30000));
    return md5sum.readAllStandardOutput().left(32).toUpper().toStdString();
}

int RowOf(TForm2& dialog, const std::string& path) {
    for (std::size_t row = 0; row < dialog.count(); ++row) {
        if (dialog.entry(row).path == path) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

// Two unknown programs, really running, questioned by the real window's watch timer
// and decided in the real dialog: one killed, one admitted although its file was
// replaced while the dialog was up.
TEST(QuestionableRealProcessTest, KilledAndAdmittedFromTheDialog) {
    test::TempFolder folder;
    std::filesystem::create_directory(folder.path() / "system");
    test::WriteFileBytes(folder.file("system/KVlog.txt"), "");
    test::WriteFileBytes(folder.file("Korvane.ini"),
                         EncodeSettingsText("[Form1]\r\nEdit1.Text=40\r\nCheckBox7.Checked=FALSE\r\n"));
    test::TempFolder bins; // outside the program's own, exempt, folder
    const std::string doomed = bins.file("doomed");
    const std::string trusted = bins.file("trusted");
    test::CopySleepBinary(doomed);
    test::CopySleepBinary(trusted);
    test::ChildProcess doomedProcess(doomed, {"60"});
    test::ChildProcess trustedProcess(trusted, {"60"});
    const std::string image = "/proc/" + std::to_string(trustedProcess.pid()) + "/exe";

    PlatformServices platform = test::ScopedRealPlatform(bins.folder());
    TForm1 form(platform, ProgramLocation{folder.file("Korvane"), folder.folder()});
    QEvent activation(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&form, &activation);
    TForm2& dialog = form.questionableDialog();

    QEventLoop loop;
    bool answered = false;
    std::string trustedDigest;
    QObject::connect(&form.timer1(), &QTimer::timeout, &loop, [&] {
        if (answered || !dialog.isVisible() || RowOf(dialog, doomed) < 0 || RowOf(dialog, trusted) < 0) {
            return;
        }
        answered = true;
        QTimer::singleShot(0, &dialog, [&] {
            dialog.entryList().item(RowOf(dialog, doomed))->setCheckState(Qt::Checked);
            QTest::mouseClick(dialog.findChild<TEncartaButton*>(QStringLiteral("EncartaButton1")), Qt::LeftButton);
            EXPECT_TRUE(dialog.isVisible()); // the trusted line is undecided yet

            // Another program put at the path while the dialog is up.
            test::WriteFileBytes(bins.file("other"), "not what runs");
            std::filesystem::rename(bins.file("other"), trusted);
            trustedDigest = Md5sum(image);
            EXPECT_NE(trustedDigest, Md5sum(trusted));
            dialog.entryList().item(RowOf(dialog, trusted))->setCheckState(Qt::Checked);
            QTest::mouseClick(dialog.findChild<TEncartaButton*>(QStringLiteral("EncartaButton2")), Qt::LeftButton);
            loop.quit();
        });
    });
    QTimer::singleShot(20000, &loop, [&] {
        ADD_FAILURE() << "the dialog never listed both programs";
        dialog.done(QDialog::Rejected);
        loop.quit();
    });
    loop.exec();

    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(doomedProcess.waitEnded(5000));
    EXPECT_FALSE(trustedProcess.ended());
    ASSERT_EQ(form.killPane().count(), 1u);
    EXPECT_EQ(form.killPane().item(0), doomed);
    ASSERT_EQ(form.safePane().count(), 1u);
    EXPECT_EQ(form.safePane().item(0), trusted + "     [" + trustedDigest + "]");
    const std::string log = test::ReadFileBytes(folder.file("system/KVlog.txt"));
    EXPECT_NE(log.find(doomed + "  Terminated by user, placed in Kill list."), std::string::npos);
    EXPECT_NE(log.find(trusted + "  Continued execution, placed in Safe Processes list."), std::string::npos);
}

} // namespace
} // namespace korvane
