#include "store/single_instance.h"

#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"

namespace korvane {
namespace {

TEST(SingleInstance, FirstInstanceRunsSecondGetsTheMessage) {
    test::FakeInstanceLock lock;
    EXPECT_EQ(CheckSingleInstance(lock, "Korvane"), std::nullopt);
    lock.grant = false;
    EXPECT_EQ(CheckSingleInstance(lock, "Korvane"), "You can only have one instance of [KORVANE] running at one time.");
    EXPECT_EQ(lock.titles, (std::vector<std::string>{"Korvane", "Korvane"}));
    EXPECT_EQ(SingleInstanceMessage("k\xE4v-2"), "You can only have one instance of [K\xE4V-2] running at one time.");
}

} // namespace
} // namespace korvane
