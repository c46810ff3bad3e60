#include "platform/linux/protected_executables.h"

#include <algorithm>

#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/proc_files.h"

namespace korvane::linux_fanotify {

namespace {

const char* const kReasonPrefix = "Not refused before it starts: ";

int FindInterpreter(dl_phdr_info* info, std::size_t, void* data) {
    // The first object is the program itself.
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        if (info->dlpi_phdr[i].p_type == PT_INTERP) {
            *static_cast<std::optional<std::string>*>(data) =
                reinterpret_cast<const char*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
        }
    }
    return 1;
}

} // namespace

std::optional<std::string> OwnProgramInterpreter() {
    std::optional<std::string> interpreter;
    ::dl_iterate_phdr(FindInterpreter, &interpreter);
    return interpreter;
}

ProtectedExecutables::ProtectedExecutables(const std::vector<std::string>& windowExecutables) {
    if (const auto own = linux_proc::ExecutablePath(::getpid())) {
        add(*own, "it is the guard's own executable.");
    }
    for (const std::string& window : windowExecutables) {
        addWindow(window);
    }
    if (const auto first = linux_proc::ExecutablePath(1)) {
        add(*first, "it is the executable of process 1.");
    }
    if (const auto loader = OwnProgramInterpreter()) {
        add(*loader, "it is the dynamic loader, which nearly every program needs.");
    }
}

void ProtectedExecutables::addWindow(const std::string& path) {
    if (std::none_of(files_.begin(), files_.end(),
                     [&](const ProtectedExecutable& file) { return file.path == path; })) {
        add(path, "it is the window's executable.");
    }
}

void ProtectedExecutables::add(const std::string& path, const std::string& reason) {
    struct stat info {};
    ProtectedExecutable file{0, 0, path, kReasonPrefix + reason};
    // Links followed: the loader is usually named through one.
    if (::stat(path.c_str(), &info) == 0) {
        file.device = info.st_dev;
        file.inode = info.st_ino;
    }
    files_.push_back(std::move(file));
}

const ProtectedExecutable* ProtectedExecutables::covering(const std::string& path, std::uint64_t device,
                                                          std::uint64_t inode) const {
    for (const ProtectedExecutable& file : files_) {
        if (file.path == path || (file.inode != 0 && file.device == device && file.inode == inode)) {
            return &file;
        }
    }
    return nullptr;
}

} // namespace korvane::linux_fanotify
