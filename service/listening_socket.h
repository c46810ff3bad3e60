#pragma once

#include <optional>
#include <string>

#include <sys/types.h>

namespace korvane::guard {

// The socket the service listens on: the one systemd passed (socket activation),
// else one made at `path`.
//
// A socket made here replaces a stale one at the path (never another kind of file),
// is owned by root and `group` with mode 0660, so that only the group's members and
// root can even connect; without the group, only root (mode 0600). The folder is
// made (mode 0755) when it is the default one and missing. -1, with the reason in
// `error`, when it cannot be made.
int OpenListeningSocket(const std::string& path, std::optional<gid_t> group, bool& activated, std::string& error);

} // namespace korvane::guard
