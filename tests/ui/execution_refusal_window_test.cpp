#include <cerrno>
#include <filesystem>

#include <unistd.h>

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/linux/fanotify_execution_guard.h"
#include "store/settings_codec.h"
#include "tests/support/program_run.h"
#include "tests/support/scoped_real_platform.h"
#include "tests/support/temp_folder.h"
#include "ui/main_form.h"
#include "widgets/encarta_button.h"

namespace korvane {
namespace {

// The real window running as root without the service: it refuses the starts of
// its Kill-listed programs itself, logs them as kills, and lets them run at once
// when bypassed, taken off the list or stopped.
class ExecutionRefusalWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "a fanotify group needs root";
        }
        platform.executionGuard = FanotifyExecutionGuard::Create();
        ASSERT_NE(platform.executionGuard, nullptr);
        std::filesystem::create_directory(folder.path() / "system");
        test::WriteFileBytes(log, "");
        test::WriteFileBytes(folder.file("Korvane.ini"),
                             EncodeSettingsText("[Form1]\r\nEdit1.Text=40\r\nCheckBox7.Checked=FALSE\r\n"));
        test::CopyMarkerWriter(writer);
        form = std::make_unique<TForm1>(platform, ProgramLocation{folder.file("Korvane"), folder.folder()});
        QEvent activation(QEvent::WindowActivate);
        QCoreApplication::sendEvent(form.get(), &activation);
    }

    // One start of the Kill-listed program, once the window has seen every change.
    test::ProgramRun start() {
        QTest::qWait(10);
        std::filesystem::remove(marker);
        test::ProgramRun run = test::RunToEnd(writer, {marker});
        EXPECT_EQ(std::filesystem::exists(marker), run.execError == 0);
        return run;
    }
    int logged() {
        const std::string entry = writer + "  Terminated, found in Kill Processes list.\r\n";
        const std::string text = test::ReadFileBytes(log);
        int count = 0;
        for (auto at = text.find(entry); at != std::string::npos; at = text.find(entry, at + 1)) {
            ++count;
        }
        return count;
    }

    test::TempFolder folder;
    test::TempFolder bins; // outside the program's own, exempt, folder
    std::string log = folder.file("system/KVlog.txt");
    std::string writer = bins.file("marker_writer");
    std::string marker = bins.file("marker");
    PlatformServices platform = test::ScopedRealPlatform(bins.folder());
    std::unique_ptr<TForm1> form;
};

TEST_F(ExecutionRefusalWindowTest, KillListedStartsFailAndAreLoggedAsKills) {
    form->killPane().add(writer);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(start().execError, EPERM);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return logged() == 3; }, 5000)) << logged();
}

TEST_F(ExecutionRefusalWindowTest, BypassRemovalAndStoppedLetTheProgramRunAtOnce) {
    form->killPane().add(writer);
    EXPECT_EQ(start().execError, EPERM);

    form->killPane().setChecked(0, true);
    EXPECT_EQ(start().exitCode, 0);
    form->killPane().setChecked(0, false);
    EXPECT_EQ(start().execError, EPERM);

    form->killPane().remove(0);
    EXPECT_EQ(start().exitCode, 0);
    form->killPane().add(writer);
    EXPECT_EQ(start().execError, EPERM);

    QTest::mouseClick(form->findChild<TEncartaButton*>(QStringLiteral("EncartaButton5")), Qt::LeftButton);
    ASSERT_FALSE(form->isActivated());
    EXPECT_EQ(start().exitCode, 0);
}

} // namespace
} // namespace korvane
