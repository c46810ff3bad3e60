#pragma once

#include <array>
#include <string>

#include "tests/support/temp_folder.h"

namespace korvane::test {

// Every fixture is built as PE32+ ("x64") and PE32 ("x86"); tests run over both.
inline constexpr std::array<const char*, 2> kFixtureArchitectures{"x64", "x86"};

// The PE image built from tests/engine/version_fixtures/<name>.rc (the test target
// defines KORVANE_VERSION_FIXTURES_DIR and depends on version_fixtures).
inline std::string VersionFixture(const std::string& name, const std::string& architecture) {
    return std::string(KORVANE_VERSION_FIXTURES_DIR) + "/" + name + "." + architecture + ".dll";
}

inline std::string VersionFixtureBytes(const std::string& name, const std::string& architecture) {
    return ReadFileBytes(VersionFixture(name, architecture));
}

} // namespace korvane::test
