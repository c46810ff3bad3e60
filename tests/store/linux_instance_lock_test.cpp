#include "platform/linux/linux_instance_lock.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

// A forked process that blocks on `gate` until its write end closes everywhere, tries
// the lock, reports '1' or '0' and holds whatever it got until it is killed.
class Contender {
public:
    Contender(const std::string& title, const int gate[2]) {
        int report[2];
        EXPECT_EQ(::pipe(report), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(gate[1]);
            char go;
            (void)::read(gate[0], &go, 1);
            LinuxInstanceLock lock;
            const char result = lock.acquire(title) ? '1' : '0';
            (void)::write(report[1], &result, 1);
            for (;;) {
                ::pause();
            }
        }
        ::close(report[1]);
        report_ = report[0];
    }
    ~Contender() {
        kill();
        ::close(report_);
    }
    bool won() {
        char result = '?';
        EXPECT_EQ(::read(report_, &result, 1), 1);
        return result == '1';
    }
    void kill() {
        if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0) {
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int report_ = -1;
};

// $XDG_RUNTIME_DIR set to a temporary folder, or unset (the per-user file in /tmp).
class LinuxInstanceLockTest : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
            saved_ = old;
        }
        setRuntimeFolder(GetParam() ? std::optional<std::string>(folder.path().string()) : std::nullopt);
    }
    void TearDown() override {
        setRuntimeFolder(saved_);
        std::filesystem::remove("/tmp/" + title + "-" + std::to_string(::getuid()) + ".lock");
    }
    static void setRuntimeFolder(const std::optional<std::string>& value) {
        value ? ::setenv("XDG_RUNTIME_DIR", value->c_str(), 1) : ::unsetenv("XDG_RUNTIME_DIR");
    }

    test::TempFolder folder;
    const std::string title = "KorvaneLockTest" + std::to_string(::getpid());

private:
    std::optional<std::string> saved_;
};

TEST_P(LinuxInstanceLockTest, OfTwoSimultaneousStartsExactlyOneWins) {
    for (int round = 0; round < 10; ++round) {
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        Contender first(title, gate);
        Contender second(title, gate);
        ::close(gate[1]);
        EXPECT_NE(first.won(), second.won()) << "round " << round;
        ::close(gate[0]);
    }
}

TEST_P(LinuxInstanceLockTest, TheKernelReleasesTheLockWhenTheHolderDies) {
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    Contender holder(title, gate);
    ::close(gate[1]);
    ASSERT_TRUE(holder.won());
    EXPECT_FALSE(LinuxInstanceLock().acquire(title));
    holder.kill();
    LinuxInstanceLock lock;
    EXPECT_TRUE(lock.acquire(title));
    EXPECT_TRUE(lock.acquire(title)) << "the holder asking again keeps it";
    EXPECT_FALSE(LinuxInstanceLock().acquire(title)) << "a second holder in the same process";
    ::close(gate[0]);
}

TEST_P(LinuxInstanceLockTest, TitlesNeverLeaveTheLockFolder) {
    LinuxInstanceLock lock;
    EXPECT_TRUE(lock.acquire("../" + title));
    EXPECT_TRUE(lock.acquire(title + "/x"));
    if (GetParam()) {
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
    }
    std::filesystem::remove("/tmp/..%2F" + title + "-" + std::to_string(::getuid()) + ".lock");
    std::filesystem::remove("/tmp/" + title + "%2Fx-" + std::to_string(::getuid()) + ".lock");
}

INSTANTIATE_TEST_SUITE_P(RuntimeFolder, LinuxInstanceLockTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Set" : "Unset"; });

} // namespace
} // namespace korvane
