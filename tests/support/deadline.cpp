#include "tests/support/deadline.h"

#include <cerrno>
#include <stdexcept>

#include <sys/wait.h>
#include <unistd.h>

namespace korvane::test {

std::optional<int> RunWithDeadline(unsigned seconds, const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0) {
        throw std::runtime_error("cannot fork");
    }
    if (child == 0) {
        // The default action of SIGALRM ends the child.
        ::alarm(seconds);
        int result = 126;
        try {
            result = body();
        } catch (...) {
        }
        ::_exit(result);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error("cannot wait for the child");
        }
    }
    if (!WIFEXITED(status)) {
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

} // namespace korvane::test
