#include "engine/packages/package_trust.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/safe_list_verifier.h"
#include "tests/support/dpkg_database_folder.h"
#include "tests/support/safe_entries.h"
#include "tests/support/watch_fixture.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;

const std::string kAutoCorrupt = "Auto terminated per prefs - corrupt checksum.";

// A dpkg database under a root of its own (outside the program's folder, which is
// exempt), with /bin linked to usr/bin; the fake platform trusts that root.
struct PackageRoot {
    PackageRoot() {
        std::filesystem::create_directories(root.path() / "usr" / "bin");
        std::filesystem::create_directory_symlink("usr/bin", root.path() / "bin");
    }
    test::TempFolder root;
    test::DpkgDatabaseFolder dpkg{root.path().string()};
};

struct TrustingPlatform : PackageRoot, test::FakePlatformHolder {
    TrustingPlatform() { platform.services.packageRoot = root.path().string(); }
};

class PackageTrustTest : public ::testing::Test, public TrustingPlatform, public test::EngineRig {
protected:
    PackageTrustTest() : EngineRig(platform.services) {
        dpkg.install("tool", {{"bin/tool", "tool version 1"}});
        tool = dpkg.at("usr/bin/tool");
    }

    // The database read, as a while after the preference was first needed.
    void readDatabase() {
        engine->packages().index();
        ASSERT_TRUE(engine->packages().waitForReading(30s));
    }
    void tick() { engine->Timer1Timer(); }
    std::vector<std::string> dialogItems() const {
        std::vector<std::string> items;
        for (std::size_t i = 0; i < dialog.count(); ++i) {
            items.push_back(dialog.item(i));
        }
        return items;
    }
    static std::string entry(const std::string& path, const ProcessIdentity& id) {
        return path + " [" + std::to_string(id.pid) + "]";
    }

    std::string tool;
};

TEST_F(PackageTrustTest, APackagedProgramPassesOnItsRecordOnlyWhileTrusted) {
    const ProcessIdentity id = platform.table->start(tool);
    preferences.trustPackages = true;
    readDatabase();
    tick();
    EXPECT_EQ(dialog.count(), 0u);

    preferences.trustPackages = false;
    engine->flags().ForceCheck = true;
    tick();
    EXPECT_EQ(dialogItems(), std::vector<std::string>{entry(tool, id) + " [not in Safe list]"});
}

TEST_F(PackageTrustTest, AModifiedCopyAtAPackagedPathIsACorruptChecksumWithoutASafeEntry) {
    test::WriteFileBytes(tool, "tool, modified");
    const ProcessIdentity id = platform.table->start(tool);
    preferences.trustPackages = true;
    readDatabase();
    tick();
    EXPECT_EQ(dialogItems(), std::vector<std::string>{entry(tool, id) + " [corrupt checksum]"});

    // "Auto Kill unknown checksums" ends it, and a second copy, as it would a changed
    // Safe-listed program.
    const ProcessIdentity second = platform.table->start(tool);
    preferences.autoKillChecksums = true;
    tick();
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{id, second}));
    EXPECT_EQ(logCount(kAutoCorrupt), 2);
}

TEST_F(PackageTrustTest, TheSafeListIsAskedFirstAndEitherDigestVouches) {
    const std::string other = dpkg.at("usr/bin/other");
    dpkg.install("other", {{"usr/bin/other", "other, as packaged"}});
    // The Safe list admitted a local build; the package record vouches for the file as shipped.
    test::WriteFileBytes(tool, "tool, built here");
    safe.add(test::SafeEntryFor(tool));
    safe.add(test::SafeEntry(other, "0123456789ABCDEF0123456789ABCDEF"));
    platform.table->start(tool);
    platform.table->start(other);
    preferences.trustPackages = true;
    readDatabase();
    tick();
    EXPECT_EQ(dialog.count(), 0u);

    // The Never Kill list still exempts a path without reading its file.
    test::WriteFileBytes(other, "neither");
    neverKill.add(other);
    platform.executables->probed.clear();
    engine->flags().ForceCheck = true;
    tick();
    EXPECT_EQ(dialog.count(), 0u);
    EXPECT_EQ(std::count(platform.executables->probed.begin(), platform.executables->probed.end(), other), 0);
}

TEST_F(PackageTrustTest, AnUpgradeBetweenTwoTicksIsPickedUpAndNeverEndsTheUpgradedProgram) {
    preferences.trustPackages = true;
    preferences.autoKillChecksums = true;
    platform.table->start(tool);
    readDatabase();
    tick();
    const std::uint64_t generation = engine->packages().generation();

    // No change: the database is not read again.
    tick();
    tick();
    EXPECT_EQ(engine->packages().generation(), generation);
    EXPECT_FALSE(engine->packages().rereading());

    // dpkg puts the new program and its records in place, then marks the package
    // installed again; the new program starts at once.
    dpkg.install("tool", {{"bin/tool", "tool version 2"}});
    dpkg.setState("tool", "installed");
    const ProcessIdentity upgraded = platform.table->start(tool);
    tick();
    EXPECT_TRUE(platform.terminator->terminated.empty()) << "judged against the records of the old version";
    ASSERT_TRUE(engine->packages().waitForReading(30s));
    tick();
    EXPECT_EQ(engine->packages().generation(), generation + 1);
    EXPECT_TRUE(platform.terminator->terminated.empty());
    EXPECT_EQ(dialog.count(), 0u);

    // The records now describe version 2: version 1 running at the path is a changed checksum.
    const ProcessIdentity stale = platform.table->start(tool);
    platform.executables->images[stale.pid] = root.write("old/tool", "tool version 1");
    tick();
    EXPECT_EQ(platform.terminator->terminated, std::vector<ProcessIdentity>{stale});
    EXPECT_NE(stale, upgraded);
}

TEST_F(PackageTrustTest, ADatabaseTouchedAllTheTimeIsKeptOnceTwoReadingsAgree) {
    // dpkg rewriting its status file over and over, each time by a new file renamed
    // into place: the change times never stand still while the database is read.
    std::atomic<bool> reading = true;
    std::atomic<int> rewrites = 0;
    std::thread busy([&] {
        while (reading) {
            dpkg.setState("tool", "installed");
            ++rewrites;
        }
    });
    while (rewrites < 10) {
        std::this_thread::yield();
    }
    engine->packages().index();
    const bool done = engine->packages().waitForReading(60s);
    reading = false;
    busy.join();
    ASSERT_TRUE(done);
    EXPECT_EQ(engine->packages().index()->find(tool).size(), 1u);
}

TEST_F(PackageTrustTest, WithoutAPackageDatabaseNothingIsRead) {
    test::TempFolder bare;
    PackageTrust none(bare.path().string());
    EXPECT_FALSE(none.available());
    EXPECT_EQ(none.index(), nullptr);
    EXPECT_TRUE(none.waitForReading(0ms));
    EXPECT_EQ(none.generation(), 0u);
}

} // namespace
} // namespace korvane
