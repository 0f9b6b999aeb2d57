// The session's forwards to its context, slash-command and fold helpers, so views call them by
// the names they know.
#include "core/session/ProjectSession.h"

#include "core/agent/ThoughtFolds.h"
#include "core/session/AgentContext.h"
#include "core/session/SkillCommandsMenu.h"

QList<ContextSlice> ProjectSession::contextBreakdown() const
{
    return AgentContext(*this).contextBreakdown();
}

qint64 ProjectSession::contextTokensUsed() const
{
    return AgentContext(*this).contextTokensUsed();
}

std::optional<qint64> ProjectSession::contextWindowTokens() const
{
    return AgentContext(*this).contextWindowTokens();
}

double ProjectSession::contextUsage() const
{
    return AgentContext(*this).contextUsage();
}

QList<SkillCommand> ProjectSession::skillCommands() const
{
    return SkillCommandsMenu(*this).skillCommands();
}

QList<SkillCommand> ProjectSession::composerSlashSuggestions() const
{
    return SkillCommandsMenu(*this).composerSlashSuggestions();
}

void ProjectSession::completeSlashCommand(const QString &name)
{
    SkillCommandsMenu(*this).completeSlashCommand(name);
}

void ProjectSession::toggleThought(const QUuid &messageId, int index)
{
    setExpandedThoughts(ThoughtFolds::toggledThought(m_expandedThoughts, messageId, index));
}

void ProjectSession::toggleLiveThinking()
{
    setLiveThinkingCollapsed(ThoughtFolds::toggledLiveThinking(m_liveThinkingCollapsed));
}
