#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <sys/types.h>

#include "protocol/frame_decoder.h"
#include "protocol/messages.h"
#include "tests/support/child_process.h"

namespace korvane::test {

// The group the tests let in: one that exists everywhere and that "nobody" is not in.
inline constexpr const char* kGuardGroup = "users";
inline constexpr gid_t kGuardGroupId = 100;
inline constexpr uid_t kNobody = 65534;

// `command` run as the user "nobody" through setpriv, with no supplementary group, or
// with `group` as its only one.
std::vector<std::string> AsNobody(std::vector<std::string> command, std::optional<gid_t> group = std::nullopt);

// The real korvane-guard, started in the foreground on a socket of the test's own and
// ended with SIGTERM when destroyed. Up once its socket answers.
class GuardService {
public:
    // `runAs` (a setpriv prefix, see AsNobody) starts the service as another user.
    GuardService(const std::string& socketPath, std::vector<std::string> runAs = {});
    ~GuardService();
    pid_t pid() const { return process_->pid(); }
    // True once the socket accepts connections (waits up to 10 s).
    bool up();
    // Ends the service at once, as a crash would.
    void crash();

private:
    std::string socketPath_;
    std::unique_ptr<ChildProcess> process_;
};

// A client that speaks the frames directly, to say what a window would not.
class RawGuardClient {
public:
    explicit RawGuardClient(const std::string& socketPath);
    ~RawGuardClient();
    RawGuardClient(const RawGuardClient&) = delete;
    RawGuardClient& operator=(const RawGuardClient&) = delete;

    bool connected() const { return socket_ >= 0; }
    // False once the socket refuses more (the service closed it).
    bool send(const protocol::Message& message);
    bool sendBytes(std::span<const std::byte> bytes);
    // The next answer within `milliseconds`, passing over the service's unasked
    // reports; std::nullopt on timeout or close.
    std::optional<protocol::Message> receive(int milliseconds = 5000);
    // The next report (the process table changed) within `milliseconds`.
    std::optional<protocol::Changed> receiveReport(int milliseconds);
    // The hello exchange; true when the service answered it.
    bool greet();
    // True when the service closes the connection within `milliseconds`; what it
    // sent before closing is read and passed over.
    bool closedBy(int milliseconds = 5000);
    // The whole process table, or std::nullopt.
    std::optional<std::vector<protocol::ProcessEntry>> list();

private:
    std::optional<protocol::Message> receiveAny(int milliseconds);

    int socket_ = -1;
    protocol::FrameDecoder decoder_;
    bool closed_ = false;
};

} // namespace korvane::test
