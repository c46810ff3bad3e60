#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/checksums.h"
#include "engine/digest_cache.h"
#include "engine/watch_engine.h"
#include "platform/linux/linux_platform.h"
#include "tests/support/child_process.h"
#include "tests/support/engine_rig.h"
#include "tests/support/safe_entries.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

// Changes one byte the loader never reads (in the last section header), through the
// file's own inode: the size stays.
void FlipLastByte(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    const auto at = static_cast<off_t>(std::filesystem::file_size(path) - 1);
    char last = 0;
    ASSERT_EQ(::pread(fd, &last, 1, at), 1);
    last = static_cast<char>(last ^ 0x01);
    ASSERT_EQ(::pwrite(fd, &last, 1, at), 1);
    ::close(fd);
}

// The verification pass over the real backend, with the digests of running images
// remembered: a program on the Safe list, installed long enough ago that its digest
// is kept.
class RunningImageDigestTest : public ::testing::Test {
protected:
    RunningImageDigestTest() {
        test::CopySleepBinary(program);
        std::this_thread::sleep_for(DigestCache::kSettleTime + std::chrono::milliseconds(100));
        rig.safe.add(test::SafeEntryFor(program));
    }

    // Starts the program and runs a pass over a fresh snapshot; the dialog line of
    // the process, if it was listed.
    std::string startAndVerify() {
        child = std::make_unique<test::ChildProcess>(program, std::vector<std::string>{"60"});
        rig.engine->snapshot().RefreshTaskListNT();
        rig.engine->verifier().CheckSafeProcessesList();
        const std::string entry = program + " [" + std::to_string(child->pid()) + "]";
        for (const auto& [text, id] : rig.dialog.entries) {
            if (text.starts_with(entry)) {
                return text.substr(entry.size());
            }
        }
        return {};
    }
    void endProgram() {
        ::kill(child->pid(), SIGKILL);
        ASSERT_TRUE(child->waitEnded(5000));
    }
    timespec modificationTime() const {
        struct stat info {};
        EXPECT_EQ(::stat(program.c_str(), &info), 0);
        return info.st_mtim;
    }
    void setModificationTime(const timespec& time) const {
        const timespec times[2] = {time, time};
        ASSERT_EQ(::utimensat(AT_FDCWD, program.c_str(), times, 0), 0);
    }

    test::TempFolder folder;
    std::string program = folder.file("guarded-sleep");
    PlatformServices platform = MakeLinuxPlatform();
    test::EngineRig rig{platform};
    std::unique_ptr<test::ChildProcess> child;
};

TEST_F(RunningImageDigestTest, AnImageRewrittenInPlaceWithItsModificationTimeRestoredIsReadAgain) {
    EXPECT_EQ(startAndVerify(), "");
    rig.engine->verifier().CheckSafeProcessesList();
    EXPECT_EQ(rig.engine->digests().filesRead(), 1u);
    endProgram();

    // Same inode, same size, same modification time: only the change time tells.
    const timespec modified = modificationTime();
    const auto size = std::filesystem::file_size(program);
    FlipLastByte(program);
    setModificationTime(modified);
    ASSERT_EQ(std::filesystem::file_size(program), size);

    EXPECT_EQ(startAndVerify(), " [corrupt checksum]");
    EXPECT_EQ(rig.engine->digests().filesRead(), 2u);
}

TEST_F(RunningImageDigestTest, AnImagePutInThePlaceOfTheTrustedOneIsReadAgain) {
    EXPECT_EQ(startAndVerify(), "");
    endProgram();

    const timespec modified = modificationTime();
    const std::string replacement = folder.file("replacement");
    std::filesystem::copy_file(program, replacement);
    FlipLastByte(replacement);
    std::filesystem::permissions(replacement, std::filesystem::perms::owner_all);
    std::filesystem::rename(replacement, program);
    setModificationTime(modified);

    EXPECT_EQ(startAndVerify(), " [corrupt checksum]");
    EXPECT_EQ(rig.engine->digests().filesRead(), 2u);
}

} // namespace
} // namespace korvane
