#include "platform/linux/detached_child.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/linux/descriptor_limit.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

constexpr rlim_t kStartingSoft = 512;

// The file `path` once a started program has written it completely (its last line
// ends with "end"); empty if that takes more than five seconds.
std::string WaitForReport(const std::string& path) {
    for (int tries = 0; tries < 500; ++tries) {
        if (std::filesystem::exists(path)) {
            const std::string text = test::ReadFileBytes(path);
            if (text.ends_with("end\n")) {
                return text;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

// A program started the way the window starts the help and log viewers: it must see
// the descriptor limit this process started with, not the one the watch raised, and
// none of this process's descriptors. Each test runs in a process of its own.
class DetachedChildTest : public ::testing::Test {
protected:
    DetachedChildTest() {
        rlimit limit{};
        ::getrlimit(RLIMIT_NOFILE, &limit);
        hard_ = limit.rlim_max;
        // The limit a desktop session usually starts a program with.
        limit.rlim_cur = std::min(kStartingSoft, hard_);
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }

    rlim_t hard_ = 0;
    test::TempFolder folder;
};

TEST_F(DetachedChildTest, TheProgramStartsWithTheLimitOfTheStartAndNothingOfOurs) {
    ASSERT_GT(hard_, kStartingSoft) << "this machine allows no raise";
    ASSERT_TRUE(linux_proc::RaiseSoftDescriptorLimit(hard_));
    // A descriptor without close-on-exec, as a library might leave one.
    const int leaked = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(leaked, 3);

    const std::string report = folder.file("report");
    const std::string script = "ulimit -Sn; ulimit -Hn; [ -e /proc/$$/fd/" + std::to_string(leaked) +
                               " ] && echo leaked; echo $PPID; echo end";
    ASSERT_TRUE(linux_proc::StartDetached("sh", {"-c", "{ " + script + "; } > '" + report + "'"}));
    // Detached: nothing is left for this process to reap.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    ::close(leaked);

    const std::string limits = std::to_string(kStartingSoft) + "\n" + std::to_string(hard_) + "\n";
    const std::string text = WaitForReport(report);
    ASSERT_TRUE(text.starts_with(limits)) << text;
    EXPECT_EQ(text.find("leaked"), std::string::npos);
    // Its parent is whoever adopts orphans, not this process.
    const std::string parent = text.substr(limits.size(), text.size() - limits.size() - 4);
    EXPECT_NE(parent, std::to_string(::getpid()) + "\n");
    rlimit ours{};
    ::getrlimit(RLIMIT_NOFILE, &ours);
    EXPECT_EQ(ours.rlim_cur, hard_); // this process keeps its raised limit
}

TEST_F(DetachedChildTest, AProgramThatCannotRunIsReported) {
    EXPECT_FALSE(linux_proc::StartDetached("korvane-no-such-program", {}));
    const std::string notExecutable = folder.write("plain", "#!/bin/sh\n");
    EXPECT_FALSE(linux_proc::StartDetached(notExecutable, {}));
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

} // namespace
} // namespace korvane
