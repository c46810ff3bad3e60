#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <thread>

#include "store/data_files.h"
#include "store/settings_codec.h"
#include "tests/support/child_process.h"
#include "tests/support/first_activation.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::ReadFileBytes;

constexpr const char* kWeston = "/usr/bin/weston";
constexpr const char* kSocket = "korvane-test";

// The real program as a Wayland client of a headless weston, each with its output in a
// file of the temporary folder.
class WaylandSessionTest : public ::testing::Test {
protected:
    WaylandSessionTest() {
        std::filesystem::create_directories(folder.path() / "portable");
        std::filesystem::create_directories(folder.path() / "run");
        std::filesystem::permissions(folder.path() / "run", std::filesystem::perms::owner_all);
        std::filesystem::copy_file(KORVANE_EXECUTABLE, files.executable);
    }

    // `program` with its standard output and error going to `log`.
    static std::vector<std::string> Logged(const std::string& log, std::vector<std::string> program) {
        std::vector<std::string> arguments{"-c", "exec \"$@\" >\"$0\" 2>&1", log};
        arguments.insert(arguments.end(), program.begin(), program.end());
        return arguments;
    }

    bool startCompositor() {
        compositor_ = std::make_unique<test::ChildProcess>(
            "/bin/sh",
            Logged(folder.file("weston.log"), {kWeston, "--backend=headless-backend.so", "--use-pixman",
                                               std::string("--socket=") + kSocket, "--idle-time=0"}),
            std::vector<std::string>{"XDG_RUNTIME_DIR=" + folder.file("run")});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!std::filesystem::exists(folder.path() / "run" / kSocket) && !compositor_->ended() &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return std::filesystem::exists(folder.path() / "run" / kSocket);
    }

    std::unique_ptr<test::ChildProcess> launch() {
        return std::make_unique<test::ChildProcess>("/bin/sh", Logged(folder.file("korvane.log"), {files.executable}),
                                                    std::vector<std::string>{"QT_QPA_PLATFORM=wayland",
                                                                             std::string("WAYLAND_DISPLAY=") + kSocket,
                                                                             "XDG_RUNTIME_DIR=" + folder.file("run"),
                                                                             "XDG_CONFIG_HOME=" + folder.file("config"),
                                                                             "XDG_CONFIG_DIRS=" + folder.file("xdg")});
    }

    test::TempFolder folder;
    DataFiles files{folder.folder() + "portable/"};
    std::unique_ptr<test::ChildProcess> compositor_;
};

// Window placement and pointer moves are impossible under Wayland: the program skips
// them and says nothing on the terminal. The preferences were left unfolded, so the first
// activation unfolds them again, which moves the window and warps the pointer elsewhere.
TEST_F(WaylandSessionTest, WindowRunsUnderWestonWithoutWarnings) {
    ASSERT_TRUE(std::filesystem::exists(kWeston)) << "weston is missing: scripts/setup.sh installs it";
    test::ChildProcess seeding(KORVANE_SEED, {files.folder});
    ASSERT_TRUE(seeding.waitEnded(30000));
    ASSERT_EQ(seeding.exitCode(), 0);
    std::string settings = DecodeSettingsText(ReadFileBytes(files.settings));
    const std::string folded = "ParmEdit.Text=0";
    ASSERT_NE(settings.find(folded), std::string::npos);
    settings.replace(settings.find(folded), folded.size(), "ParmEdit.Text=1");
    test::WriteFileBytes(files.settings, EncodeSettingsText(settings));
    ASSERT_TRUE(startCompositor()) << ReadFileBytes(folder.file("weston.log"));

    std::unique_ptr<test::ChildProcess> korvane = launch();
    ASSERT_TRUE(test::WaitForFirstActivation(*korvane, files.seal)) << ReadFileBytes(folder.file("korvane.log"));
    // Time for the unfolding and a few watch ticks.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    ASSERT_EQ(::kill(korvane->pid(), SIGTERM), 0);
    ASSERT_TRUE(korvane->waitEnded(30000));
    EXPECT_EQ(korvane->exitCode(), 0);
    EXPECT_EQ(ReadFileBytes(folder.file("korvane.log")), "");
    // It did unfold, and saved as on any desktop.
    EXPECT_NE(DecodeSettingsText(ReadFileBytes(files.settings)).find("ParmEdit.Text=1"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(files.log), "");
    ::kill(compositor_->pid(), SIGTERM);
}

} // namespace
} // namespace korvane
