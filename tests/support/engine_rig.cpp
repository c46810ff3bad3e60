#include "tests/support/engine_rig.h"

#include <filesystem>

namespace korvane::test {

EngineRig::EngineRig(PlatformServices& platform) {
    std::filesystem::create_directory(folder.path() / "system");
    WriteFileBytes(folder.file("system/KVlog.txt"), "");
    engine = std::make_unique<WatchEngine>(platform, ProgramLocation{programPath(), folder.folder()},
                                           WatchPanes{current, safe, kill, neverKill}, host, preferences, dialog);
    // The real dialog clears the flag when it closes.
    dialog.onClose = [this] { engine->flags().DialogUp = false; };
}

int EngineRig::logCount(const std::string& text) const {
    const std::string log = logText();
    int count = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
        ++count;
    }
    return count;
}

} // namespace korvane::test
