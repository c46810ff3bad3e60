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
    ASSERT_GE(requests.descriptor(), 0);
    EXPECT_FALSE(requests.takeRequests());

    ASSERT_EQ(::raise(SIGTERM), 0);
    ASSERT_TRUE(Readable(requests.descriptor()));
    EXPECT_TRUE(requests.takeRequests());
    EXPECT_FALSE(requests.takeRequests());

    ASSERT_EQ(::raise(SIGHUP), 0);
    ASSERT_EQ(::raise(SIGHUP), 0);
    ASSERT_TRUE(Readable(requests.descriptor()));
    EXPECT_TRUE(requests.takeRequests());
    EXPECT_FALSE(requests.takeRequests());
}

TEST(LinuxEndOfSession, PreviousHandlersComeBack) {
    const auto before = std::signal(SIGHUP, SIG_IGN);
    {
        const LinuxEndOfSession requests;
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
