#pragma once

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace korvane::guard {

// Who is at the other end of a unix socket, as the kernel recorded it when the
// connection was made: nothing the peer says about itself.
struct PeerCredentials {
    pid_t pid = 0;
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups; // supplementary groups

    // Root, or a member of `group` by its primary or a supplementary group.
    bool admitted(std::optional<gid_t> group) const;
    std::string describe() const;
};

std::optional<PeerCredentials> ReadPeerCredentials(int socket);

// The group's number; std::nullopt when no such group exists (then only root is let in).
std::optional<gid_t> GroupId(const std::string& name);

} // namespace korvane::guard
