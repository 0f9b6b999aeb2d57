#pragma once

#include <memory>

class QNetworkReply;

// The caller's grip on one streamed agent turn. Destroying the consuming task does not stop a
// coroutine, so stopping is explicit: `stop()` aborts the transfer, and the stream then ends
// with a cancellation TransportError. Copies share the one turn; the handle may outlive it.
class AgentChatHandle {
public:
    AgentChatHandle();

    void stop();
    bool isStopped() const;

    // Used by the stream: the transfer `stop()` aborts, or nullptr once it is over.
    void attach(QNetworkReply *reply);

private:
    struct State;
    std::shared_ptr<State> m_state;
};
