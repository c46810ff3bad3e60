#pragma once

#include <sys/types.h>

namespace korvane::test {

// Makes file permissions bite for the length of a scope. Root ignores them, so under
// root the effective user becomes "nobody" until the scope ends; any other user is
// restricted already and nothing changes.
class AsRestrictedUser {
public:
    AsRestrictedUser();
    ~AsRestrictedUser();
    AsRestrictedUser(const AsRestrictedUser&) = delete;
    AsRestrictedUser& operator=(const AsRestrictedUser&) = delete;

    // The user the scope acts as; files the scope should own are given to it.
    static uid_t uid();

private:
    bool switched_ = false;
};

} // namespace korvane::test
