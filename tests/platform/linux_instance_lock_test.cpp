#include "platform/linux/linux_instance_lock.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
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
    Contender(const std::string& title, const LockFolderBases& bases, const int gate[2]) {
        int report[2];
        EXPECT_EQ(::pipe(report), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(gate[1]);
            char go;
            (void)::read(gate[0], &go, 1);
            LinuxInstanceLock lock(bases);
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

// $XDG_RUNTIME_DIR, $XDG_STATE_HOME and $HOME as the test wants them, restored
// afterwards; a temporary folder stands in for /run, another for the state folder.
class LockFolderTest : public testing::Test {
protected:
    LockFolderTest() {
        for (const char* name : {"XDG_RUNTIME_DIR", "XDG_STATE_HOME", "HOME"}) {
            const char* old = std::getenv(name);
            saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
        }
        setRuntimeFolder(std::nullopt);
        setVariable("XDG_STATE_HOME", stateHome());
    }
    ~LockFolderTest() override {
        for (const auto& [name, value] : saved_) {
            setVariable(name, value);
        }
    }
    static void setVariable(const char* name, const std::optional<std::string>& value) {
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    static void setRuntimeFolder(const std::optional<std::string>& value) { setVariable("XDG_RUNTIME_DIR", value); }
    std::string uid() const { return std::to_string(::geteuid()); }
    // Not there yet: the lock makes it, and the folder for the lock in it.
    std::string stateHome() const { return state.file("state"); }
    std::string stateFolder() const { return stateHome() + "/korvane"; }
    // /run as a user's login leaves it: the user's own folder below it.
    void makeUserRunFolder() {
        std::filesystem::create_directories(run.path() / "user" / uid());
        std::filesystem::permissions(run.path() / "user" / uid(), std::filesystem::perms::owner_all);
    }
    // /run where this user may not keep a lock (root may, for any other user it is
    // not theirs).
    void runFolderNotUsable() { std::filesystem::permissions(run.path(), std::filesystem::perms::all); }

    test::TempFolder run;
    test::TempFolder state;
    LockFolderBases bases{run.path().string()};
    const std::string title = "KorvaneLockTest" + std::to_string(::getpid());

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(LockFolderTest, RuntimeFolderFirstThenTheUsersRunFolder) {
    test::TempFolder runtime;
    setRuntimeFolder(runtime.path().string());
    makeUserRunFolder();
    EXPECT_EQ(LinuxInstanceLock(bases).lockFolder(), runtime.path().string());

    // A runtime folder others may write is passed over.
    std::filesystem::permissions(runtime.path(), std::filesystem::perms::all);
    EXPECT_EQ(LinuxInstanceLock(bases).lockFolder(), (run.path() / "user" / uid()).string());
    setRuntimeFolder(std::nullopt);
    EXPECT_EQ(LinuxInstanceLock(bases).lockFolder(), (run.path() / "user" / uid()).string());
    EXPECT_FALSE(std::filesystem::exists(stateFolder()));
}

TEST_F(LockFolderTest, RootUsesRunAndNoOneElseDoes) {
    EXPECT_EQ(LinuxInstanceLock(bases).lockFolder(),
              ::geteuid() == 0 ? run.path().string() : std::optional<std::string>(stateFolder()));
}

TEST_F(LockFolderTest, OtherwiseTheUsersStateFolderIsMadeAndUsed) {
    runFolderNotUsable();
    LinuxInstanceLock lock(bases);
    EXPECT_EQ(lock.lockFolder(), stateFolder());
    struct stat info {};
    ASSERT_EQ(::lstat(stateFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_TRUE(lock.acquire(title));
    EXPECT_TRUE(std::filesystem::exists(stateFolder() + "/" + title + ".lock"));

    // Without $XDG_STATE_HOME, or with one that is no absolute path: ~/.local/state.
    for (const std::optional<std::string>& value : {std::optional<std::string>(), std::optional<std::string>("rel")}) {
        setVariable("XDG_STATE_HOME", value);
        setVariable("HOME", state.file("home"));
        EXPECT_EQ(LinuxInstanceLock(bases).lockFolder(), state.file("home") + "/.local/state/korvane");
    }
}

// Another user who makes the old fallback's name in /tmp first no longer stops the
// start with "only one instance": /tmp is not used at all.
TEST_F(LockFolderTest, ANameSquattedInTmpBlocksNothing) {
    runFolderNotUsable();
    const std::string squatted = "/tmp/korvane-" + uid();
    const bool squat = ::geteuid() == 0 && !std::filesystem::exists(squatted);
    if (squat) {
        std::filesystem::create_directory(squatted);
        ASSERT_EQ(::chown(squatted.c_str(), 65534, 65534), 0);
    }
    EXPECT_TRUE(LinuxInstanceLock(bases).acquire(title));
    EXPECT_TRUE(std::filesystem::exists(stateFolder() + "/" + title + ".lock"));
    if (squat) {
        std::filesystem::remove(squatted);
    }
}

TEST_F(LockFolderTest, AStateFolderSomeoneElseOwnsOrOpenedIsNeverUsed) {
    runFolderNotUsable();
    test::TempFolder elsewhere;
    std::filesystem::create_directories(stateFolder());
    std::filesystem::permissions(stateFolder(), std::filesystem::perms::all);
    EXPECT_EQ(LinuxInstanceLock(bases).lockFolder(), std::nullopt);
    EXPECT_FALSE(LinuxInstanceLock(bases).acquire(title));
    // Readable by others does no harm.
    std::filesystem::permissions(stateFolder(), std::filesystem::perms(0755));
    EXPECT_EQ(LinuxInstanceLock(bases).lockFolder(), stateFolder());
    std::filesystem::remove(stateFolder());
    std::filesystem::create_directory_symlink(elsewhere.path(), stateFolder());
    EXPECT_EQ(LinuxInstanceLock(bases).lockFolder(), std::nullopt);
    std::filesystem::remove(stateFolder());
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a folder owned by another user needs root to make";
    }
    std::filesystem::create_directory(stateFolder());
    ASSERT_EQ(::chown(stateFolder().c_str(), 65534, 65534), 0);
    ::chmod(stateFolder().c_str(), 0700);
    EXPECT_EQ(LinuxInstanceLock(bases).lockFolder(), std::nullopt);
    EXPECT_FALSE(LinuxInstanceLock(bases).acquire(title));
}

// Locking itself, with $XDG_RUNTIME_DIR set to a temporary folder or unset (a
// folder chosen as above).
class LinuxInstanceLockTest : public LockFolderTest, public testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            setRuntimeFolder(folder.path().string());
        }
    }
    std::size_t lockFiles() const {
        const auto where = LinuxInstanceLock(bases).lockFolder();
        return where ? static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(*where), {})) : 0;
    }

    test::TempFolder folder;
};

TEST_P(LinuxInstanceLockTest, OfTwoSimultaneousStartsExactlyOneWins) {
    for (int round = 0; round < 10; ++round) {
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        Contender first(title, bases, gate);
        Contender second(title, bases, gate);
        ::close(gate[1]);
        EXPECT_NE(first.won(), second.won()) << "round " << round;
        ::close(gate[0]);
    }
}

TEST_P(LinuxInstanceLockTest, TheKernelReleasesTheLockWhenTheHolderDies) {
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    Contender holder(title, bases, gate);
    ::close(gate[1]);
    ASSERT_TRUE(holder.won());
    EXPECT_FALSE(LinuxInstanceLock(bases).acquire(title));
    holder.kill();
    LinuxInstanceLock lock(bases);
    EXPECT_TRUE(lock.acquire(title));
    EXPECT_TRUE(lock.acquire(title)) << "the holder asking again keeps it";
    EXPECT_FALSE(LinuxInstanceLock(bases).acquire(title)) << "a second holder in the same process";
    ::close(gate[0]);
}

TEST_P(LinuxInstanceLockTest, TitlesNeverLeaveTheLockFolder) {
    LinuxInstanceLock lock(bases);
    EXPECT_TRUE(lock.acquire("../" + title));
    EXPECT_TRUE(lock.acquire(title + "/x"));
    EXPECT_EQ(lockFiles(), 2u);
}

INSTANTIATE_TEST_SUITE_P(RuntimeFolder, LinuxInstanceLockTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Set" : "Unset"; });

} // namespace
} // namespace korvane
