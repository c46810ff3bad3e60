#include "tests/support/fault_injector.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvane::test {

#if defined(__x86_64__)

namespace {

constexpr int kNotTraced = 98;

bool OpensForWriting(std::uint64_t flags) {
    return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0;
}

// The register layout is the x86-64 one: number in orig_rax, arguments in rdi, rsi,
// rdx, r10, result in rax.
bool IsWriteStep(const user_regs_struct& regs) {
    switch (static_cast<long>(regs.orig_rax)) {
    case SYS_open:
    case SYS_creat:
        return OpensForWriting(regs.rsi);
    case SYS_openat:
        return OpensForWriting(regs.rdx);
    case SYS_write:
    case SYS_pwrite64:
    case SYS_writev:
    case SYS_pwritev:
    case SYS_ftruncate:
    case SYS_truncate:
    case SYS_fallocate:
    case SYS_fsync:
    case SYS_fdatasync:
    case SYS_rename:
    case SYS_renameat:
    case SYS_renameat2:
    case SYS_unlink:
    case SYS_unlinkat:
    case SYS_fchmod:
    case SYS_fchmodat:
    case SYS_fchown:
    case SYS_fchownat:
    case SYS_utimensat:
        return true;
    default:
        return false;
    }
}

using AddressRange = std::pair<std::uint64_t, std::uint64_t>;

// The executable mappings of the C library in this process, which a forked child
// shares: a system call made from there is one the program asked the library for.
std::vector<AddressRange> CLibraryCode() {
    std::vector<AddressRange> ranges;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string range;
        std::string permissions;
        std::string offset;
        std::string device;
        std::string inode;
        std::string path;
        fields >> range >> permissions >> offset >> device >> inode >> path;
        const std::string name = path.substr(path.rfind('/') + 1);
        if (permissions.find('x') == std::string::npos || !(name.starts_with("libc.so") || name.starts_with("libc-"))) {
            continue;
        }
        const std::size_t dash = range.find('-');
        ranges.emplace_back(std::stoull(range.substr(0, dash), nullptr, 16),
                            std::stoull(range.substr(dash + 1), nullptr, 16));
    }
    return ranges;
}

// At the stop on entry, rip is just past the syscall instruction.
bool FromCLibrary(const user_regs_struct& regs, const std::vector<AddressRange>& cLibrary) {
    for (const auto& [begin, end] : cLibrary) {
        if (regs.rip >= begin && regs.rip <= end) {
            return true;
        }
    }
    return false;
}

} // namespace

ForkedRun RunWithWriteFault(const std::function<int()>& work, int faultAt, WriteFault fault) {
    ForkedRun run;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) {
            ::_exit(kNotTraced);
        }
        ::raise(SIGSTOP);
        int code = kThrew;
        try {
            code = work();
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) {
        return run;
    }
    run.traced = true;
    static const std::vector<AddressRange> cLibrary = CLibraryCode();
    ::ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    bool inCall = false;
    bool failing = false;
    int pendingSignal = 0;
    for (;;) {
        ::ptrace(PTRACE_SYSCALL, child, nullptr, pendingSignal);
        pendingSignal = 0;
        if (::waitpid(child, &status, 0) != child) {
            break;
        }
        if (WIFEXITED(status)) {
            run.exited = true;
            run.exitCode = WEXITSTATUS(status);
            break;
        }
        if (WIFSIGNALED(status)) {
            break;
        }
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            pendingSignal = WSTOPSIG(status);
            continue;
        }
        user_regs_struct regs{};
        ::ptrace(PTRACE_GETREGS, child, nullptr, &regs);
        if (!inCall && !run.faultHit && IsWriteStep(regs) && FromCLibrary(regs, cLibrary)) {
            ++run.writeSteps;
            if (run.writeSteps == faultAt && fault == WriteFault::Crash) {
                run.faultHit = true;
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                break;
            }
            if (run.writeSteps == faultAt) {
                regs.orig_rax = static_cast<std::uint64_t>(-1); // the kernel skips the call
                ::ptrace(PTRACE_SETREGS, child, nullptr, &regs);
                failing = true;
                run.faultHit = true;
            }
        } else if (inCall && failing) {
            regs.rax = static_cast<std::uint64_t>(-EIO);
            ::ptrace(PTRACE_SETREGS, child, nullptr, &regs);
            failing = false;
        }
        inCall = !inCall;
    }
    return run;
}

#else

// The register layout above is x86-64's; elsewhere nothing is traced.
ForkedRun RunWithWriteFault(const std::function<int()>&, int, WriteFault) {
    return {};
}

#endif

} // namespace korvane::test
