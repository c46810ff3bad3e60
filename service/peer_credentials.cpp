#include "service/peer_credentials.h"

#include <algorithm>
#include <cerrno>

#include <grp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvane::guard {

bool PeerCredentials::admitted(std::optional<gid_t> group) const {
    if (uid == 0) {
        return true;
    }
    return group && (gid == *group || std::find(groups.begin(), groups.end(), *group) != groups.end());
}

std::string PeerCredentials::describe() const {
    return "pid " + std::to_string(pid) + " uid " + std::to_string(uid) + " gid " + std::to_string(gid);
}

std::optional<PeerCredentials> ReadPeerCredentials(int socket) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) {
        return std::nullopt;
    }
    PeerCredentials peer{credentials.pid, credentials.uid, credentials.gid, {}};
    // The supplementary groups as they were at connect time; the list grows until it fits.
    std::vector<gid_t> groups(64);
    for (;;) {
        socklen_t bytes = static_cast<socklen_t>(groups.size() * sizeof(gid_t));
        if (::getsockopt(socket, SOL_SOCKET, SO_PEERGROUPS, groups.data(), &bytes) == 0) {
            groups.resize(bytes / sizeof(gid_t));
            break;
        }
        if (errno != ERANGE || bytes <= groups.size() * sizeof(gid_t)) {
            return std::nullopt;
        }
        groups.resize(bytes / sizeof(gid_t));
    }
    peer.groups = std::move(groups);
    return peer;
}

std::optional<gid_t> GroupId(const std::string& name) {
    group entry{};
    group* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    return found->gr_gid;
}

} // namespace korvane::guard
