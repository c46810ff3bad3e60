#include "platform/linux/linux_end_of_session.h"

#include <gtest/gtest.h>

#include <csignal>

#include <poll.h>

namespace korvane {
namespace {

bool Readable(int fd) {
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, 1000) == 1 && (watched.revents & POLLIN) != 0;
}

TEST(LinuxEndOfSession, TermAndHangUpArriveOnTheDescriptor) {
    LinuxEndOfSession requests;
    const int descriptor = requests.startReceiving();
    ASSERT_GE(descriptor, 0);
    EXPECT_EQ(requests.startReceiving(), descriptor);
    EXPECT_FALSE(requests.takeRequests());

    ASSERT_EQ(::raise(SIGTERM), 0);
    ASSERT_TRUE(Readable(descriptor));
    EXPECT_TRUE(requests.takeRequests());
    EXPECT_FALSE(requests.takeRequests());

    ASSERT_EQ(::raise(SIGHUP), 0);
    ASSERT_EQ(::raise(SIGHUP), 0);
    ASSERT_TRUE(Readable(descriptor));
    EXPECT_TRUE(requests.takeRequests());
    EXPECT_FALSE(requests.takeRequests());
}

TEST(LinuxEndOfSession, HandlersOnlyWhileReceivingThenThePreviousOnes) {
    const auto before = std::signal(SIGHUP, SIG_IGN);
    {
        LinuxEndOfSession requests;
        struct sigaction unchanged {};
        ::sigaction(SIGHUP, nullptr, &unchanged);
        EXPECT_EQ(unchanged.sa_handler, SIG_IGN); // not receiving yet
        ASSERT_GE(requests.startReceiving(), 0);
        struct sigaction during {};
        ::sigaction(SIGHUP, nullptr, &during);
        EXPECT_NE(during.sa_handler, SIG_IGN);
    }
    struct sigaction after {};
    ::sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_IGN);
    std::signal(SIGHUP, before);
}

} // namespace
} // namespace korvane
