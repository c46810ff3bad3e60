#include "tests/support/restricted_user.h"

#include <exception>
#include <stdexcept>

#include <unistd.h>

namespace korvane::test {

namespace {

constexpr uid_t kNobody = 65534;

} // namespace

AsRestrictedUser::AsRestrictedUser() {
    if (::geteuid() != 0) {
        return;
    }
    if (::seteuid(kNobody) != 0) {
        throw std::runtime_error("cannot act as an unprivileged user");
    }
    switched_ = true;
}

AsRestrictedUser::~AsRestrictedUser() {
    if (switched_ && ::seteuid(0) != 0) {
        std::terminate();
    }
}

uid_t AsRestrictedUser::uid() {
    return ::geteuid() == 0 ? kNobody : ::geteuid();
}

} // namespace korvane::test
