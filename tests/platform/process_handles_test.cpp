#include "platform/linux/process_handles.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/linux/linux_process_table.h"

namespace korvane {
namespace {

// A kernel staged by the test. Each process generation has a pipe; the handles the
// table opens are copies of its read end, which turns readable when the process
// ends, as a pidfd does.
class StagedProcSource : public linux_proc::ProcSource {
public:
    ~StagedProcSource() override {
        for (const auto& [inode, generation] : generations_) {
            ::close(generation.readEnd);
            ::close(generation.writeEnd);
        }
    }

    std::optional<std::vector<int>> processIds() override {
        std::vector<int> pids;
        for (const auto& [pid, process] : running_) {
            pids.push_back(pid);
        }
        return pids;
    }
    std::optional<linux_proc::ProcStat> stat(int pid) override {
        ++startTimeReads;
        if (whileReadingStartTime) {
            whileReadingStartTime(pid);
        }
        const auto found = running_.find(pid);
        if (found == running_.end()) {
            return std::nullopt;
        }
        const Generation& process = generation(found->second);
        return linux_proc::ProcStat{process.startTime, process.path.empty()};
    }
    std::optional<std::string> executablePath(int pid) override {
        ++linkReads;
        const auto found = running_.find(pid);
        if (found == running_.end() || generation(found->second).path.empty()) {
            return std::nullopt;
        }
        return generation(found->second).path;
    }
    std::optional<linux_proc::ThreadImage> runningThreadImage(int) override { return std::nullopt; }
    std::optional<std::string> ownProcessName(int) override { return std::nullopt; }
    int openHandle(int pid) override {
        if (handlesLeft == 0) {
            errno = EMFILE;
            return -1;
        }
        const auto found = running_.find(pid);
        if (found == running_.end()) {
            errno = ESRCH;
            return -1;
        }
        --handlesLeft;
        return ::dup(generation(found->second).readEnd);
    }
    bool sendSignal(int handle, int signal) override {
        struct stat info {};
        if (::fstat(handle, &info) != 0 || generations_.at(info.st_ino).ended) {
            return false;
        }
        signals.push_back({generations_.at(info.st_ino).pid, signal});
        return true;
    }

    // A process with an empty path is a kernel thread.
    void start(int pid, std::uint64_t startTime, const std::string& path) {
        end(pid);
        int ends[2];
        if (::pipe(ends) != 0) {
            throw std::runtime_error("cannot make a pipe");
        }
        struct stat info {};
        ::fstat(ends[0], &info);
        generations_[info.st_ino] = {pid, startTime, path, ends[0], ends[1], false};
        running_[pid] = info.st_ino;
    }
    void end(int pid) {
        const auto found = running_.find(pid);
        if (found != running_.end()) {
            generations_.at(found->second).ended = true;
            if (::write(generation(found->second).writeEnd, "x", 1) != 1) {
                throw std::runtime_error("cannot end the process");
            }
            running_.erase(found);
        }
    }

    int startTimeReads = 0;
    int linkReads = 0;
    int handlesLeft = -1;                     // below 0: no limit
    std::vector<std::pair<int, int>> signals; // (pid, signal)
    std::function<void(int pid)> whileReadingStartTime;

private:
    struct Generation {
        int pid;
        std::uint64_t startTime;
        std::string path;
        int readEnd;
        int writeEnd;
        bool ended;
    };
    const Generation& generation(ino_t inode) const { return generations_.at(inode); }

    std::map<int, ino_t> running_;
    std::map<ino_t, Generation> generations_;
};

class ProcessHandlesTest : public ::testing::Test {
protected:
    ProcessHandlesTest() {
        source->start(100, 1000, "/usr/bin/a");
        source->start(200, 2000, "/usr/bin/b");
        source->start(300, 3000, "/usr/bin/c");
    }

    // Each record as "pid start path".
    std::vector<std::string> snapshot() {
        std::vector<std::string> described;
        const auto records = table.enumerate();
        for (const ProcessRecord& record : records.value()) {
            described.push_back(std::to_string(record.id.pid) + " " + std::to_string(record.id.startTime) + " " +
                                record.path);
        }
        return described;
    }
    // The record of the PID in a described snapshot, or "".
    static std::string find(const std::vector<std::string>& records, int pid) {
        for (const std::string& record : records) {
            if (record.starts_with(std::to_string(pid) + " ")) {
                return record;
            }
        }
        return {};
    }

    std::shared_ptr<StagedProcSource> source = std::make_shared<StagedProcSource>();
    std::shared_ptr<linux_proc::ProcessHandles> handles = std::make_shared<linux_proc::ProcessHandles>(source);
    LinuxProcessTable table{handles};
};

TEST_F(ProcessHandlesTest, AProcessSeenAgainIsNotReadAgain) {
    const auto first = snapshot();
    EXPECT_EQ(source->startTimeReads, 3);
    EXPECT_EQ(snapshot(), first);
    EXPECT_EQ(snapshot(), first);
    EXPECT_EQ(source->startTimeReads, 3);
    EXPECT_EQ(handles->heldCount(), 3u);
}

TEST_F(ProcessHandlesTest, AKnownKernelThreadIsNotReadAgainAtAll) {
    source->start(2, 5, ""); // kthreadd
    snapshot();
    const int links = source->linkReads;
    EXPECT_EQ(snapshot().size(), 3u);
    EXPECT_EQ(source->linkReads - links, 3); // the three programs, not the thread
    EXPECT_EQ(source->startTimeReads, 4);
}

TEST_F(ProcessHandlesTest, APidTakenOverIsANewProcessFoundByOneRead) {
    snapshot();
    source->start(200, 2500, "/usr/bin/b"); // the same program again, under the same PID
    const auto records = snapshot();
    EXPECT_EQ(find(records, 200), "200 2500 /usr/bin/b");
    EXPECT_EQ(find(records, 100), "100 1000 /usr/bin/a");
    EXPECT_EQ(source->startTimeReads, 4);

    source->end(300);
    EXPECT_EQ(find(snapshot(), 300), "");
    EXPECT_EQ(source->startTimeReads, 4);
    EXPECT_EQ(handles->heldCount(), 2u);
}

TEST_F(ProcessHandlesTest, AProcessEndingWhileItIsIdentifiedIsLeftForTheNextSnapshot) {
    // The handle is opened for the first process at 300; its start time is read only
    // after a newcomer took the PID.
    bool takenOver = false;
    source->whileReadingStartTime = [&](int pid) {
        if (pid == 300 && !takenOver) {
            takenOver = true;
            source->start(300, 3500, "/usr/bin/newcomer");
        }
    };
    EXPECT_EQ(find(snapshot(), 300), "");
    EXPECT_EQ(find(snapshot(), 300), "300 3500 /usr/bin/newcomer");
}

TEST_F(ProcessHandlesTest, OutOfHandlesAProcessIsIdentifiedByReadingEveryTime) {
    source->handlesLeft = 1;
    const auto first = snapshot();
    EXPECT_EQ(first.size(), 3u);
    EXPECT_EQ(handles->heldCount(), 1u);
    EXPECT_EQ(snapshot(), first);
    EXPECT_EQ(source->startTimeReads, 3 + 2);

    // The unheld process is still told apart from a newcomer at its PID.
    source->start(300, 3500, "/usr/bin/c");
    EXPECT_EQ(find(snapshot(), 300), "300 3500 /usr/bin/c");
    EXPECT_EQ(handles->running({300, 3500}), std::nullopt);
    EXPECT_EQ(handles->signal({300, 3500}, SIGKILL), std::nullopt);
}

TEST_F(ProcessHandlesTest, OnlyTheHeldProcessItselfIsSignalledThroughItsHandle) {
    snapshot();
    EXPECT_EQ(handles->running({100, 1000}), true);
    EXPECT_EQ(handles->signal({100, 999}, SIGKILL), false); // an older process at the PID
    EXPECT_EQ(handles->running({100, 999}), false);
    EXPECT_TRUE(source->signals.empty());

    EXPECT_EQ(handles->signal({100, 1000}, SIGKILL), true);
    EXPECT_EQ(source->signals, (std::vector<std::pair<int, int>>{{100, SIGKILL}}));

    // Ended, and not yet noticed by a snapshot: its handle already knows.
    source->end(200);
    EXPECT_EQ(handles->running({200, 2000}), false);
    EXPECT_EQ(handles->signal({200, 2000}, SIGKILL), false);
    // A newcomer the table has not seen: the ended handle cannot speak for it.
    source->start(200, 2500, "/usr/bin/b");
    EXPECT_EQ(handles->running({200, 2500}), std::nullopt);
    EXPECT_EQ(source->signals.size(), 1u);
}

} // namespace
} // namespace korvane
