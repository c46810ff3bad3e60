#pragma once

#include <string_view>

#include "engine/admission_digest.h"
#include "engine/list_pane.h"
#include "engine/process_snapshot.h"

namespace korvane {

// "Copy all Current to Safe": every Current entry, in list order, enters the Safe list
// with the digest of what runs under its path (AdmissionDigest), except the program's
// own executable, entries that name no file and paths no list line can hold. The own
// executable is recognised by its exact path, both sides trimmed: on Linux a path that
// differs only in letter case is another program, which must be admitted like any
// other. Then neighbouring duplicates and blank entries leave the Safe list.
//
// Stops at the first entry whose file cannot be digested and returns false: the
// entries before it stay admitted and the clean-up is skipped.
bool CopyAllCurrentToSafe(const ListPane& current, ListPane& safe, std::string_view ownExecutable,
                          const ProcessSnapshot& snapshot, const AdmissionReads& reads);

} // namespace korvane
