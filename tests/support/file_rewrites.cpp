#include "tests/support/file_rewrites.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <sys/inotify.h>
#include <unistd.h>

namespace korvane::test {

FileRewrites::FileRewrites(const std::string& path)
    : name_(std::filesystem::path(path).filename().string()), inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    if (inotify_ < 0 || ::inotify_add_watch(inotify_, folder.c_str(), IN_CLOSE_WRITE) < 0) {
        throw std::runtime_error("cannot watch " + folder);
    }
}

FileRewrites::~FileRewrites() {
    ::close(inotify_);
}

int FileRewrites::count() {
    alignas(inotify_event) std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t length = ::read(inotify_, buffer.data(), buffer.size());
        if (length <= 0) {
            return count_;
        }
        for (ssize_t at = 0; at < length;) {
            inotify_event event{};
            std::memcpy(&event, buffer.data() + at, sizeof event);
            const char* name = buffer.data() + at + sizeof event;
            if (event.len > 0 && name_ == name) {
                ++count_;
            }
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
}

} // namespace korvane::test
