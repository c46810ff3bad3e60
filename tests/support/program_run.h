#pragma once

#include <string>
#include <vector>

namespace korvane::test {

// One start of a program, waited for to its end.
struct ProgramRun {
    int execError = 0; // the error of its exec (EPERM when refused), 0 when it ran
    int exitCode = -1; // when it ran to a normal end
};
// Starts the program and waits for its end. The caller waits for the exec too: it
// must never be a thread that answers for the program's start.
ProgramRun RunToEnd(const std::string& executable, const std::vector<std::string>& arguments);

// Copies /bin/touch to `path` (executable): a program that writes the file named by
// its argument, so a run leaves a trace.
void CopyMarkerWriter(const std::string& path);

} // namespace korvane::test
