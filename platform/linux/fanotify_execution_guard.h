#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/fanotify.h>

#include "platform/api/execution_guard.h"
#include "platform/linux/protected_executables.h"

namespace korvane {

// Refuses the start of the Kill set's programs through fanotify: each existing file
// the set names exactly carries an inode mark for FAN_OPEN_EXEC_PERM (never a mark on
// a mount or a file system), and the kernel holds every start of a marked file until
// a thread of this class answers. That thread decides from the set in memory (the
// set is swapped whole), answers first and reports afterwards, allows the starts of
// this process and allows whenever anything fails: the kill after the start stays
// behind it.
//
// A decision held longer than the limit makes the guard let go of its group, which
// makes the kernel allow every start still waiting; so does a crash or SIGTERM,
// before anything else. Only root (CAP_SYS_ADMIN) can hold such a group.
class FanotifyExecutionGuard : public ExecutionGuard {
public:
    using Clock = std::chrono::steady_clock;

    struct Options {
        // How long one decision may hold a program's start.
        std::chrono::milliseconds answerLimit{2000};
        // Further executables never to refuse (the window's, when the guard runs
        // in a process of its own).
        std::vector<std::string> windowExecutables;
        // Runs before each decision, on the answering thread. Tests hold decisions
        // with it; it stays empty otherwise.
        std::function<void()> beforeDecision;
    };

    // Reports kept for the window at most; the oldest go first.
    static constexpr std::size_t kReportsKept = 256;

    // Nothing when no group can be had (no privilege, no kernel support).
    static std::unique_ptr<FanotifyExecutionGuard> Create(Options options);
    static std::unique_ptr<FanotifyExecutionGuard> Create() { return Create(Options{}); }
    ~FanotifyExecutionGuard() override;
    FanotifyExecutionGuard(const FanotifyExecutionGuard&) = delete;
    FanotifyExecutionGuard& operator=(const FanotifyExecutionGuard&) = delete;

    bool guarding() const override { return !released_.load(); }
    void replace(std::shared_ptr<const ExecutionRule> rule) override;
    void refreshMarks() override;
    int descriptor() const override { return reportsReady_; }
    std::vector<ExecutionReport> takeReports() override;

    // Never refuses the window executable at `path` from now on, and lets go of its
    // mark if it has one. Called by the owner's thread, like replace().
    void protectWindowExecutable(const std::string& path);

    // The paths whose files are marked now, in order.
    std::vector<std::string> markedPaths() const;

private:
    struct Identity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        auto operator<=>(const Identity&) const = default;
    };
    struct Mark {
        int fd = -1; // holds the marked file: a mark is removed through it
        std::string path;
    };
    // A file a path of the set names now, open and checked.
    struct Candidate {
        int fd = -1;
        Identity identity;
    };

    FanotifyExecutionGuard(int group, int devNull, int wake, int reportsReady, Options options);

    void answerEvents();
    // Answers one batch of events; false when the group is gone.
    bool answerBatch(const char* buffer, std::size_t length);
    void watchAnswers();
    // Lets go of the group, once: no file stays marked, every start waiting for an
    // answer is allowed, and the group is closed. Allowing them here rather than
    // leaving it to the close matters: a child of this process that is still in
    // its exec holds the group open until that exec goes on.
    bool release();
    // Allows every event waiting to be read; the group must no longer be marked.
    void allowQueued();
    void giveUp(const std::string& reason);
    void report(std::vector<ExecutionReport> reports);

    // The file `path` names now, when it is a regular file named exactly so and may
    // be refused; otherwise nothing, with a report where the user must learn why.
    std::optional<Candidate> open(const std::string& path);
    void noteNotGuarded(const std::string& path, const std::string& reason);
    void unmarkAll();

    const int group_;
    const int devNull_;
    const int wake_;         // eventfd: the threads are to end
    const int reportsReady_; // eventfd: reports wait
    const Options options_;
    linux_fanotify::ProtectedExecutables protected_; // touched by the owner's thread only

    std::atomic<std::shared_ptr<const ExecutionRule>> rule_;
    std::atomic<bool> released_{false};
    std::atomic<bool> stopping_{false};
    // Odd while a batch of events is being decided; the watchdog waits on it.
    std::atomic<std::uint32_t> deciding_{0};
    std::atomic<Clock::rep> decidingSince_{0}; // when the batch being decided was read
    // The events of that batch still waiting for their answer (-1 once answered):
    // whoever takes one from here answers it, the answering thread or release().
    static constexpr std::size_t kBatchBytes = 4096;
    std::array<std::atomic<int>, kBatchBytes / sizeof(fanotify_event_metadata)> unanswered_;

    // Touched only by the owner's thread (the one that replaces and refreshes).
    std::map<Identity, Mark> marks_;
    std::set<std::string> notedPaths_;

    std::mutex reportsMutex_;
    std::deque<ExecutionReport> reports_;

    std::mutex stopMutex_;
    std::condition_variable stopped_;

    std::thread answering_;
    std::thread watchdog_;
};

} // namespace korvane
