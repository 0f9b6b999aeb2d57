#pragma once

#include <optional>

#include <QList>
#include <QStringList>

#include "core/agent/ContextSlice.h"
#include "core/service/AgentChatBody.h"

class AgentConversation;
class ProjectSession;

// What a turn tells the service about the project, and how much of the model's window the
// next prompt takes, read from the session: its files, active editor tab, active conversation
// and model choice. Computed on each use; the only state it touches is a conversation's frozen
// layout.
class AgentContext {
public:
    explicit AgentContext(const ProjectSession &session);

    QList<AgentChatBody::File> projectSnapshot() const;
    QStringList layoutSnapshot(AgentConversation &conversation) const;

    // "Project context", "Rules", "Conversation" from the in-memory files and the active
    // conversation's texts.
    QList<ContextSlice> estimatedBreakdown() const;
    // The service's breakdown of the active conversation's last turn, else the estimate,
    // scaled to the reported input tokens.
    QList<ContextSlice> contextBreakdown() const;
    qint64 contextTokensUsed() const;
    std::optional<qint64> contextWindowTokens() const;
    // Between 0 and 1, for the usage ring.
    double contextUsage() const;

private:
    const ProjectSession &m_session;
};
