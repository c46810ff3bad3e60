#include "platform/linux/fanotify_execution_guard.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/group_release_signals.h"
#include "platform/linux/proc_files.h"

namespace korvane {

namespace {

using linux_fanotify::GroupReleaseSignals;

const char* const kNotGuarded = "Not refused before it starts: ";

void Signal(int eventFd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(eventFd, &one, sizeof one);
}

void Drain(int eventFd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(eventFd, &count, sizeof count);
}

void Answer(int group, int event, bool refuse) {
    const fanotify_response answer{event, refuse ? std::uint32_t{FAN_DENY} : std::uint32_t{FAN_ALLOW}};
    [[maybe_unused]] const ssize_t written = ::write(group, &answer, sizeof answer);
}

} // namespace

std::unique_ptr<FanotifyExecutionGuard> FanotifyExecutionGuard::Create(Options options) {
    const int group =
        ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_NONBLOCK, O_RDONLY | O_LARGEFILE | O_CLOEXEC);
    if (group < 0) {
        return nullptr;
    }
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    const int reportsReady = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (devNull < 0 || wake < 0 || reportsReady < 0) {
        for (const int fd : {group, devNull, wake, reportsReady}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        return nullptr;
    }
    return std::unique_ptr<FanotifyExecutionGuard>(
        new FanotifyExecutionGuard(group, devNull, wake, reportsReady, std::move(options)));
}

FanotifyExecutionGuard::FanotifyExecutionGuard(int group, int devNull, int wake, int reportsReady, Options options)
    : group_(group), devNull_(devNull), wake_(wake), reportsReady_(reportsReady), options_(std::move(options)),
      protected_(options_.windowExecutables) {
    for (std::atomic<int>& event : unanswered_) {
        event.store(-1);
    }
    GroupReleaseSignals::Register(group_, devNull_, wake_, unanswered_.data(), unanswered_.size());
    answering_ = std::thread([this] { answerEvents(); });
    watchdog_ = std::thread([this] { watchAnswers(); });
}

FanotifyExecutionGuard::~FanotifyExecutionGuard() {
    GroupReleaseSignals::Unregister(group_);
    // Let go first: a start waiting for an answer goes on at once.
    release();
    stopping_.store(true);
    Signal(wake_);
    answering_.join();
    {
        const std::lock_guard lock(stopMutex_);
        deciding_.fetch_add(2);
    }
    deciding_.notify_all();
    stopped_.notify_all();
    watchdog_.join();
    unmarkAll();
    for (const int fd : {group_, devNull_, wake_, reportsReady_}) {
        ::close(fd);
    }
}

bool FanotifyExecutionGuard::release() {
    if (released_.exchange(true)) {
        return false;
    }
    ::fanotify_mark(group_, FAN_MARK_FLUSH, 0, AT_FDCWD, nullptr);
    for (std::atomic<int>& event : unanswered_) {
        if (const int fd = event.exchange(-1); fd >= 0) {
            Answer(group_, fd, false);
        }
    }
    allowQueued();
    // The number stays taken by /dev/null, so an answer that comes late is lost
    // there instead of landing in a file opened meanwhile.
    ::dup2(devNull_, group_);
    Signal(wake_);
    return true;
}

void FanotifyExecutionGuard::allowQueued() {
    alignas(fanotify_event_metadata) char buffer[kBatchBytes];
    for (;;) {
        const ssize_t length = ::read(group_, buffer, sizeof buffer);
        if (length <= 0) {
            return;
        }
        auto remaining = length;
        for (auto* event = reinterpret_cast<const fanotify_event_metadata*>(buffer); FAN_EVENT_OK(event, remaining);
             event = FAN_EVENT_NEXT(event, remaining)) {
            if (event->fd >= 0) {
                Answer(group_, event->fd, false);
                ::close(event->fd);
            }
        }
    }
}

void FanotifyExecutionGuard::giveUp(const std::string& reason) {
    if (release()) {
        report({ExecutionReport{ExecutionReport::Kind::GaveUp, "fanotify", 0, reason}});
    }
}

void FanotifyExecutionGuard::answerEvents() {
    // Every start of a marked file waits for this thread: it goes before ordinary
    // work on a busy machine. It runs for microseconds per start; refused, it stays
    // at its ordinary priority.
    const sched_param lowestRealtime{::sched_get_priority_min(SCHED_FIFO)};
    ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &lowestRealtime);
    // Aligned for the event records read into it.
    alignas(fanotify_event_metadata) char buffer[kBatchBytes];
    pollfd waits[2] = {{group_, POLLIN, 0}, {wake_, POLLIN, 0}};
    while (!stopping_.load() && !released_.load()) {
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if ((waits[1].revents & POLLIN) != 0) {
            Drain(wake_);
            continue;
        }
        const ssize_t length = ::read(group_, buffer, sizeof buffer);
        if (length < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        // Nothing to read means /dev/null stands in the group's place: a signal
        // let go of it.
        if (length <= 0 || !answerBatch(buffer, static_cast<std::size_t>(length))) {
            break;
        }
    }
    released_.store(true);
}

bool FanotifyExecutionGuard::answerBatch(const char* buffer, std::size_t length) {
    const auto* const first = reinterpret_cast<const fanotify_event_metadata*>(buffer);
    std::size_t count = 0;
    auto remaining = static_cast<ssize_t>(length);
    for (auto* event = first; FAN_EVENT_OK(event, remaining); event = FAN_EVENT_NEXT(event, remaining)) {
        if (event->vers != FANOTIFY_METADATA_VERSION) {
            // Records this build cannot read: no answer can be given.
            giveUp(kNotGuarded + std::string("the kernel's fanotify records are of an unknown version."));
            return false;
        }
        unanswered_[count++].store((event->mask & FAN_OPEN_EXEC_PERM) != 0 ? event->fd : -1);
    }
    decidingSince_.store(Clock::now().time_since_epoch().count());
    deciding_.fetch_add(1);
    deciding_.notify_one();

    const std::shared_ptr<const ExecutionRule> rule = rule_.load();
    const pid_t self = ::getpid();
    std::vector<ExecutionReport> refused;
    remaining = static_cast<ssize_t>(length);
    std::size_t index = 0;
    for (auto* event = first; FAN_EVENT_OK(event, remaining); event = FAN_EVENT_NEXT(event, remaining), ++index) {
        if (event->fd < 0) {
            continue;
        }
        bool refuse = false;
        std::string path;
        if ((event->mask & FAN_OPEN_EXEC_PERM) != 0) {
            if (options_.beforeDecision) {
                options_.beforeDecision();
            }
            try {
                if (event->pid != self && rule != nullptr) {
                    if (auto named = linux_proc::DescriptorPath(event->fd)) {
                        path = std::move(*named);
                        refuse = rule->refuses(path);
                    }
                }
            } catch (...) {
                refuse = false; // anything failing allows: the kill after the start is behind
            }
            // Answered already when the guard let go meanwhile.
            if (unanswered_[index].exchange(-1) < 0) {
                refuse = false;
            } else {
                Answer(group_, event->fd, refuse);
            }
        }
        ::close(event->fd);
        if (refuse) {
            refused.push_back({ExecutionReport::Kind::Refused, std::move(path), event->pid, {}});
        }
    }
    deciding_.fetch_add(1);
    if (!refused.empty()) {
        report(std::move(refused));
    }
    return true;
}

void FanotifyExecutionGuard::watchAnswers() {
    for (;;) {
        const std::uint32_t seen = deciding_.load();
        if (stopping_.load() || released_.load()) {
            return;
        }
        if (seen % 2 == 0) {
            deciding_.wait(seen);
            continue;
        }
        const Clock::time_point deadline =
            Clock::time_point(Clock::duration(decidingSince_.load())) + options_.answerLimit;
        std::unique_lock lock(stopMutex_);
        const bool changed = stopped_.wait_until(lock, deadline, [&] { return deciding_.load() != seen; });
        lock.unlock();
        if (!changed) {
            giveUp("Kill-listed programs are no longer refused before they start: a decision took longer than " +
                   std::to_string(options_.answerLimit.count()) + " ms. They are still ended after they start.");
            return;
        }
    }
}

void FanotifyExecutionGuard::report(std::vector<ExecutionReport> reports) {
    {
        const std::lock_guard lock(reportsMutex_);
        for (ExecutionReport& next : reports) {
            if (reports_.size() == kReportsKept) {
                reports_.pop_front();
            }
            reports_.push_back(std::move(next));
        }
    }
    Signal(reportsReady_);
}

std::vector<ExecutionReport> FanotifyExecutionGuard::takeReports() {
    Drain(reportsReady_);
    const std::lock_guard lock(reportsMutex_);
    std::vector<ExecutionReport> taken(std::make_move_iterator(reports_.begin()),
                                       std::make_move_iterator(reports_.end()));
    reports_.clear();
    return taken;
}

void FanotifyExecutionGuard::replace(std::shared_ptr<const ExecutionRule> rule) {
    rule_.store(std::move(rule));
    refreshMarks();
}

void FanotifyExecutionGuard::refreshMarks() {
    if (released_.load()) {
        unmarkAll();
        return;
    }
    GroupReleaseSignals::EnsureInstalled();
    const std::shared_ptr<const ExecutionRule> rule = rule_.load();
    const std::vector<std::string> none;
    const std::vector<std::string>& files = rule ? rule->files() : none;
    // A path is reported once while it stays in the set, not on every tick.
    std::erase_if(notedPaths_,
                  [&](const std::string& path) { return std::find(files.begin(), files.end(), path) == files.end(); });
    std::map<Identity, Mark> wanted;
    for (const std::string& path : files) {
        std::optional<Candidate> file = open(path);
        if (!file) {
            continue;
        }
        if (wanted.contains(file->identity)) {
            ::close(file->fd);
            continue;
        }
        if (const auto held = marks_.find(file->identity); held != marks_.end()) {
            ::close(file->fd);
            wanted.emplace(file->identity, std::move(held->second));
            marks_.erase(held);
            continue;
        }
        if (::fanotify_mark(group_, FAN_MARK_ADD, FAN_OPEN_EXEC_PERM, file->fd, nullptr) != 0) {
            noteNotGuarded(path, kNotGuarded + std::string(std::strerror(errno)) + ".");
            ::close(file->fd);
            continue;
        }
        wanted.emplace(file->identity, Mark{file->fd, path});
    }
    // What is left held no path of the set any more.
    unmarkAll();
    marks_ = std::move(wanted);
}

void FanotifyExecutionGuard::protectWindowExecutable(const std::string& path) {
    protected_.addWindow(path);
    refreshMarks();
}

std::optional<FanotifyExecutionGuard::Candidate> FanotifyExecutionGuard::open(const std::string& path) {
    // Never blocks on a FIFO; a device or a folder is no program.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    const Identity identity{info.st_dev, info.st_ino};
    if (const auto* kept = protected_.covering(path, identity.device, identity.inode)) {
        noteNotGuarded(path, kept->reason);
        ::close(fd);
        return std::nullopt;
    }
    // Exactly so: through a link or an unusual spelling, the program runs under
    // another path, which the kill would not match either.
    if (linux_proc::DescriptorPath(fd) != path) {
        ::close(fd);
        return std::nullopt;
    }
    return Candidate{fd, identity};
}

void FanotifyExecutionGuard::noteNotGuarded(const std::string& path, const std::string& reason) {
    if (notedPaths_.insert(path).second) {
        report({ExecutionReport{ExecutionReport::Kind::NotGuarded, path, 0, reason}});
    }
}

void FanotifyExecutionGuard::unmarkAll() {
    for (const auto& [identity, mark] : marks_) {
        if (!released_.load()) {
            ::fanotify_mark(group_, FAN_MARK_REMOVE, FAN_OPEN_EXEC_PERM, mark.fd, nullptr);
        }
        ::close(mark.fd);
    }
    marks_.clear();
}

std::vector<std::string> FanotifyExecutionGuard::markedPaths() const {
    std::vector<std::string> paths;
    for (const auto& [identity, mark] : marks_) {
        paths.push_back(mark.path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

} // namespace korvane
