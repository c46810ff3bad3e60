#include "tests/support/watch_fixture.h"

#include <filesystem>

namespace korvane::test {

WatchFixture::WatchFixture() {
    std::filesystem::create_directory(folder.path() / "system");
    WriteFileBytes(folder.file("system/KVlog.txt"), "");
    engine = std::make_unique<WatchEngine>(platform.services, ProgramLocation{programPath(), folder.folder()},
                                           WatchPanes{current, safe, kill, neverKill}, host, preferences, dialog);
    // The real dialog clears the flag when it closes.
    dialog.onClose = [this] { engine->flags().DialogUp = false; };
}

} // namespace korvane::test
