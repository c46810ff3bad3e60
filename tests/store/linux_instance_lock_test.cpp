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

// A forked process that waits for the start signal, tries the lock, reports '1' or
// '0' through a pipe and then holds whatever it got until it is killed.
class Contender {
public:
    Contender(const std::string& title, int startReadFd, int startWriteFd) {
        int report[2];
        if (::pipe(report) != 0) {
            throw std::runtime_error("pipe");
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(startWriteFd);
            ::close(report[0]);
            char go;
            (void)::read(startReadFd, &go, 1); // end of file: everybody starts now
            LinuxInstanceLock lock;
            const char result = lock.acquire(title) ? '1' : '0';
            (void)::write(report[1], &result, 1);
            ::pause();
            ::_exit(0);
        }
        ::close(report[1]);
        report_ = report[0];
    }
    ~Contender() {
        kill();
        ::close(report_);
    }
    Contender(const Contender&) = delete;
    Contender& operator=(const Contender&) = delete;

    bool won() {
        char result = '?';
        EXPECT_EQ(::read(report_, &result, 1), 1);
        return result == '1';
    }
    void kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    int report_ = -1;
};

// Both contenders block on one pipe; closing its write end releases them together.
class StartGate {
public:
    StartGate() {
        if (::pipe(fds_) != 0) {
            throw std::runtime_error("pipe");
        }
    }
    ~StartGate() {
        ::close(fds_[0]);
        open();
    }
    int readFd() const { return fds_[0]; }
    int writeFd() const { return fds_[1]; }
    void open() {
        if (fds_[1] >= 0) {
            ::close(fds_[1]);
            fds_[1] = -1;
        }
    }

private:
    int fds_[2];
};

// Sets $XDG_RUNTIME_DIR (or unsets it) for the life of the object.
class ScopedRuntimeFolder {
public:
    explicit ScopedRuntimeFolder(const std::optional<std::string>& value) {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
            saved_ = old;
        }
        set(value);
    }
    ~ScopedRuntimeFolder() { set(saved_); }
    ScopedRuntimeFolder(const ScopedRuntimeFolder&) = delete;
    ScopedRuntimeFolder& operator=(const ScopedRuntimeFolder&) = delete;

private:
    static void set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv("XDG_RUNTIME_DIR", value->c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
    }
    std::optional<std::string> saved_;
};

// Runs with $XDG_RUNTIME_DIR set to a temporary folder, or unset (the /tmp fallback).
class LinuxInstanceLockTest : public testing::TestWithParam<bool> {
protected:
    void TearDown() override { std::filesystem::remove("/tmp/" + title + "-" + std::to_string(::getuid()) + ".lock"); }

    test::TempFolder folder;
    ScopedRuntimeFolder runtime{GetParam() ? std::optional<std::string>(folder.path().string()) : std::nullopt};
    const std::string title = "KorvaneLockTest" + std::to_string(::getpid());
};

TEST_P(LinuxInstanceLockTest, OfTwoSimultaneousStartsExactlyOneWins) {
    for (int round = 0; round < 10; ++round) {
        StartGate gate;
        Contender first(title, gate.readFd(), gate.writeFd());
        Contender second(title, gate.readFd(), gate.writeFd());
        gate.open();
        EXPECT_NE(first.won(), second.won()) << "round " << round;
    }
}

TEST_P(LinuxInstanceLockTest, TheKernelReleasesTheLockWhenTheHolderDies) {
    StartGate gate;
    Contender holder(title, gate.readFd(), gate.writeFd());
    gate.open();
    ASSERT_TRUE(holder.won());
    EXPECT_FALSE(LinuxInstanceLock().acquire(title));
    holder.kill();
    LinuxInstanceLock lock;
    EXPECT_TRUE(lock.acquire(title));
    EXPECT_TRUE(lock.acquire(title)) << "the holder asking again keeps it";
    EXPECT_FALSE(LinuxInstanceLock().acquire(title)) << "a second holder in the same process";
}

INSTANTIATE_TEST_SUITE_P(RuntimeFolder, LinuxInstanceLockTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Set" : "Unset"; });

TEST(LinuxInstanceLock, TitlesNeverLeaveTheRuntimeFolder) {
    test::TempFolder folder;
    const std::filesystem::path run = folder.path() / "run";
    std::filesystem::create_directory(run);
    const ScopedRuntimeFolder runtime(run.string());
    LinuxInstanceLock lock;
    EXPECT_TRUE(lock.acquire("../Korvane"));
    EXPECT_TRUE(lock.acquire("a/b"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Korvane.lock"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(run), std::filesystem::directory_iterator()), 2);
}

} // namespace
} // namespace korvane
