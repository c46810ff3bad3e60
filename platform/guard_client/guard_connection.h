#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QLocalSocket>
#include <QObject>
#include <QTimer>

#include "platform/api/process_events.h"
#include "protocol/frame_decoder.h"
#include "protocol/messages.h"

namespace korvane {

// The window's one connection to the guard service. Requests are answered in the
// order they were sent; the service's unasked reports (the process table changed)
// are gathered for the process events. The service is trusted only when the kernel
// says the socket's other end is root.
//
// When the service goes away the connection says so, answers every request with
// nothing, and tries again every kRetry until the service is back.
class GuardConnection : public QObject {
    Q_OBJECT

public:
    static constexpr int kRetry = 500;          // milliseconds between attempts to reconnect
    static constexpr int kAnswerTimeout = 2000; // milliseconds a request may wait

    explicit GuardConnection(std::string path);
    ~GuardConnection() override;

    // Connects, checks the peer and exchanges hellos; false when the service does not
    // answer as it should.
    bool open();
    bool connected() const { return connected_; }

    // Sends the request and gives its first answer; std::nullopt once the service is
    // gone or too slow. More answers to the same request: nextAnswer().
    std::optional<protocol::Message> request(const protocol::Message& message);
    std::optional<protocol::Message> nextAnswer();
    // Sends a message the service does not answer; false when not connected.
    bool post(const protocol::Message& message);
    // Counts the times the connection was made; a service met again knows nothing
    // of what was said before.
    std::uint64_t openings() const { return openings_; }

    // Readable while reports wait to be taken.
    int eventDescriptor() const { return eventFd_; }
    ProcessEventBatch takeEvents();

    // Reports of the service's execution guard kept at most; the oldest go first.
    static constexpr std::size_t kReportsKept = 256;
    // Readable while the service's execution reports wait to be taken.
    int reportDescriptor() const { return reportsFd_; }
    std::vector<protocol::ExecutionReported> takeReports();

    // Called when the service goes away or comes back.
    void setStateHandler(std::function<void()> handler) { stateHandler_ = std::move(handler); }

private:
    void drain();
    void lose();
    void retry();
    void send(const protocol::Message& message);

    std::string path_;
    QLocalSocket socket_;
    QTimer retry_;
    protocol::FrameDecoder decoder_;
    std::deque<protocol::Message> answers_;
    ProcessEventBatch events_;
    std::deque<protocol::ExecutionReported> reports_;
    bool connected_ = false; // the socket is open and greeted
    bool up_ = false;        // the service was last announced as there
    int eventFd_ = -1;
    int reportsFd_ = -1;
    std::uint64_t openings_ = 0;
    std::function<void()> stateHandler_;
};

} // namespace korvane
