#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Replaces the whole contents of an existing file; never creates one.
//
// The new contents go to a temporary file beside it, which is renamed over the old
// one with the old owner and permissions (FileReplacement), so a failed write (a full
// disk) or a crash leaves the old contents whole. Where no such replacement can stand in for the file (the folder
// is not writable, the file is a link, its owner cannot be kept), the file is rewritten
// in place, after reserving the space it needs.
//
// Throws FileError "Cannot create file <path>" when the file cannot be opened for
// writing or is no regular file (opening never blocks on a FIFO), and "Stream write error <path>" when writing fails.
void RewriteFile(const std::string& path, std::string_view contents);

} // namespace korvane
