#include "core/session/AgentContext.h"

#include "core/agent/AgentConversation.h"
#include "core/agent/ContextEstimate.h"
#include "core/agent/ProjectSnapshot.h"
#include "core/session/ProjectSession.h"

namespace {

// The conversation list is never empty, but an emptied one must not crash the pane.
std::optional<AgentTurnUsage> lastUsage(const ProjectSession &session)
{
    const AgentConversation *conversation = session.activeConversation();
    return conversation ? conversation->lastUsage() : std::nullopt;
}

QList<AgentMessage> activeMessages(const ProjectSession &session)
{
    const AgentConversation *conversation = session.activeConversation();
    return conversation ? conversation->messages() : QList<AgentMessage>();
}

} // namespace

AgentContext::AgentContext(const ProjectSession &session)
    : m_session(session)
{
}

QList<AgentChatBody::File> AgentContext::projectSnapshot() const
{
    return ProjectSnapshot::projectSnapshot(m_session.files());
}

QStringList AgentContext::layoutSnapshot(AgentConversation &conversation) const
{
    return ProjectSnapshot::layoutSnapshot(conversation, m_session.files());
}

QList<ContextSlice> AgentContext::estimatedBreakdown() const
{
    return ContextEstimate::estimatedBreakdown(m_session.files(), m_session.activeTab(),
                                               activeMessages(m_session));
}

QList<ContextSlice> AgentContext::contextBreakdown() const
{
    return ContextEstimate::contextBreakdown(lastUsage(m_session),
                                             [this] { return estimatedBreakdown(); });
}

qint64 AgentContext::contextTokensUsed() const
{
    return ContextEstimate::contextTokensUsed(lastUsage(m_session),
                                              [this] { return contextBreakdown(); });
}

std::optional<qint64> AgentContext::contextWindowTokens() const
{
    return ContextEstimate::contextWindowTokens(lastUsage(m_session), m_session.agentAuto(),
                                                m_session.agentModelId());
}

double AgentContext::contextUsage() const
{
    return ContextEstimate::contextUsage(contextTokensUsed(), contextWindowTokens());
}
