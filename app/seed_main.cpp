// korvane-seed FOLDER: makes a new portable folder ready for Korvane's first start.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/linux/linux_process_table.h"
#include "store/seed_folder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: korvane-seed FOLDER\n"
                             "Gives FOLDER (where Korvane runs from) its data files for a first start.\n");
        return 2;
    }
    std::string folder = argv[1];
    if (!folder.ends_with('/')) {
        folder += '/';
    }
    try {
        korvane::LinuxProcessTable processes;
        const std::vector<std::string> neverKill = korvane::SeedFolderForThisMachine(folder, processes);
        std::printf("Seeded %s for a first start. Never Kill System Processes:\n", folder.c_str());
        for (const std::string& path : neverKill) {
            std::printf("  %s\n", path.c_str());
        }
        return 0;
    } catch (const korvane::SeedRefused& refusal) {
        std::fprintf(stderr, "korvane-seed: %s\n", refusal.what());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "korvane-seed: cannot seed %s: %s\n", folder.c_str(), error.what());
    }
    return 1;
}
