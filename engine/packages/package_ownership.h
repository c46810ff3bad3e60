#pragma once

#include <string>

#include "engine/packages/package_index.h"

namespace korvane {

// The file-information display's lines about the installed package that owns the
// file at `path`, joined by single CRs: "Package: <name>", then "Package checksum: "
// with "matches", "differs" or "file cannot be read"; "Package: none" when no
// installed package records the file.
std::string PackageOwnershipText(const PackageIndex& index, const std::string& path);

} // namespace korvane
