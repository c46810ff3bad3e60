#pragma once

#include <exception>
#include <stdexcept>

#include <unistd.h>

namespace korvane::test {

// Makes file permissions bite for the length of a scope. Root ignores them, so under
// root the effective user becomes "nobody" until the scope ends; other users are
// restricted already.
class AsRestrictedUser {
public:
    AsRestrictedUser() : switched_(::geteuid() == 0) {
        if (switched_ && ::seteuid(kNobody) != 0) {
            throw std::runtime_error("cannot act as an unprivileged user");
        }
    }
    ~AsRestrictedUser() {
        if (switched_ && ::seteuid(0) != 0) {
            std::terminate();
        }
    }
    AsRestrictedUser(const AsRestrictedUser&) = delete;
    AsRestrictedUser& operator=(const AsRestrictedUser&) = delete;

    // The user the scope acts as; files the scope should write are given to it.
    static uid_t uid() { return ::geteuid() == 0 ? kNobody : ::geteuid(); }

private:
    static constexpr uid_t kNobody = 65534;
    bool switched_;
};

} // namespace korvane::test
