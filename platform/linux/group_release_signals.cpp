#include "platform/linux/group_release_signals.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>

#include <fcntl.h>
#include <sys/fanotify.h>
#include <unistd.h>

namespace korvane::linux_fanotify {

namespace {

// Only what a signal handler may touch.
std::atomic<int> gGroup{-1};
std::atomic<int> gDevNull{-1};
std::atomic<int> gWake{-1};
std::atomic<std::atomic<int>*> gUnanswered{nullptr};
std::atomic<std::size_t> gUnansweredCount{0};

constexpr std::array kCrashSignals{SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kSignals = 65;
std::array<struct sigaction, kSignals> gPrevious{};

void Release() {
    const int group = gGroup.exchange(-1);
    if (group < 0) {
        return;
    }
    ::fanotify_mark(group, FAN_MARK_FLUSH, 0, AT_FDCWD, nullptr);
    std::atomic<int>* unanswered = gUnanswered.load();
    for (std::size_t i = 0; i < gUnansweredCount.load(); ++i) {
        if (const int event = unanswered[i].exchange(-1); event >= 0) {
            const fanotify_response allow{event, FAN_ALLOW};
            [[maybe_unused]] const ssize_t answered = ::write(group, &allow, sizeof allow);
        }
    }
    ::dup2(gDevNull.load(), group);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(gWake.load(), &one, sizeof one);
}

void OnSignal(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    const struct sigaction& previous = gPrevious[static_cast<std::size_t>(signal)];
    const bool ignored = (previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler == SIG_IGN;
    if (!ignored) {
        Release();
    }
    if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
        previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler == SIG_DFL) {
        // The default action, as if nothing had been installed: a fault happens
        // again on return, a signal sent is delivered once this handler returns.
        ::sigaction(signal, &previous, nullptr);
        ::raise(signal);
    } else if (!ignored) {
        previous.sa_handler(signal);
    }
    errno = savedErrno;
}

bool Ours(const struct sigaction& action) {
    return (action.sa_flags & SA_SIGINFO) != 0 && action.sa_sigaction == OnSignal;
}

void Install(int signal) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) != 0 || Ours(current)) {
        return;
    }
    gPrevious[static_cast<std::size_t>(signal)] = current;
    struct sigaction action {};
    action.sa_sigaction = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

} // namespace

void GroupReleaseSignals::Register(int group, int devNull, int wake, std::atomic<int>* unanswered, std::size_t count) {
    gDevNull.store(devNull);
    gWake.store(wake);
    gUnanswered.store(unanswered);
    gUnansweredCount.store(count);
    gGroup.store(group);
    EnsureInstalled();
}

void GroupReleaseSignals::Unregister(int group) {
    int expected = group;
    gGroup.compare_exchange_strong(expected, -1);
}

void GroupReleaseSignals::EnsureInstalled() {
    Install(SIGTERM);
    for (const int signal : kCrashSignals) {
        Install(signal);
    }
}

} // namespace korvane::linux_fanotify
