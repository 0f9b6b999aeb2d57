#include "core/service/AgentChatHandle.h"

#include <QNetworkReply>
#include <QPointer>

struct AgentChatHandle::State {
    QPointer<QNetworkReply> reply;
    bool stopped = false;
};

AgentChatHandle::AgentChatHandle()
    : m_state(std::make_shared<State>())
{
}

void AgentChatHandle::stop()
{
    if (m_state->stopped)
        return;
    m_state->stopped = true;
    // The waiting stream resumes on the reply's `finished` and reports the cancellation.
    if (QNetworkReply *reply = m_state->reply)
        reply->abort();
}

bool AgentChatHandle::isStopped() const
{
    return m_state->stopped;
}

void AgentChatHandle::attach(QNetworkReply *reply)
{
    m_state->reply = reply;
    if (reply && m_state->stopped)
        reply->abort();
}
