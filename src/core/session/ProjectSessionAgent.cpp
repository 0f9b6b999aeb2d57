// The agent side of ProjectSession: the conversation tabs, and one-line forwards to the turn
// loop (AgentTurn) and to chat persistence (ChatStore).

#include "core/session/ProjectSession.h"

#include <algorithm>

#include "core/agent/AgentConversation.h"
#include "core/session/AgentTurn.h"
#include "core/session/ChatStore.h"

namespace {

qsizetype indexOf(const QList<AgentConversation *> &conversations, const QUuid &id)
{
    const auto found = std::find_if(
        conversations.cbegin(), conversations.cend(),
        [&id](const AgentConversation *conversation) { return conversation->id() == id; });
    return found == conversations.cend() ? -1 : found - conversations.cbegin();
}

// Spaces and tabs only: a newline in a typed name is kept as it is.
QString trimmedName(const QString &name)
{
    qsizetype begin = 0;
    qsizetype end = name.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(name.at(begin)))
        ++begin;
    while (end > begin && blank(name.at(end - 1)))
        --end;
    return name.mid(begin, end - begin);
}

} // namespace

ChatStore &ProjectSession::chatStore()
{
    if (!m_chatStore)
        m_chatStore = new ChatStore(*this);
    return *m_chatStore;
}

AgentTurn &ProjectSession::agentTurn()
{
    if (!m_agentTurn)
        m_agentTurn = new AgentTurn(*this);
    return *m_agentTurn;
}

std::optional<QString> ProjectSession::chatFileURL() const
{
    if (!m_localURL)
        return std::nullopt;
    const QString file = ChatStore::chatFile(m_org, m_slug);
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

void ProjectSession::restoreAgentPrefs()
{
    chatStore().restoreAgentPrefs();
}

void ProjectSession::persistAgentPrefs()
{
    chatStore().persistAgentPrefs();
}

void ProjectSession::scheduleChatPersist()
{
    chatStore().scheduleChatPersist();
}

void ProjectSession::restoreChat()
{
    chatStore().restoreChat();
}

void ProjectSession::persistChatNow()
{
    chatStore().persistChatNow();
}

void ProjectSession::persistClosedConversations()
{
    chatStore().persistClosedConversations();
}

void ProjectSession::sendComposer()
{
    agentTurn().sendComposer();
}

void ProjectSession::stopAgent()
{
    agentTurn().stopAgent();
}

void ProjectSession::beginEditing(const QUuid &messageId)
{
    agentTurn().beginEditing(messageId);
}

void ProjectSession::cancelEditing()
{
    agentTurn().cancelEditing();
}

void ProjectSession::regenerateTitle(const QUuid &conversationId)
{
    agentTurn().regenerateTitle(conversationId);
}

AgentConversation *ProjectSession::newConversation()
{
    auto *conversation = new AgentConversation();
    chatStore().attach(*conversation);
    QList<AgentConversation *> conversations = m_conversations;
    conversations.append(conversation);
    setConversations(conversations);
    setActiveConversationId(conversation->id());
    return conversation;
}

void ProjectSession::closeConversation(const QUuid &id)
{
    if (m_agentBusy && m_busyConversationId == id)
        return;
    const qsizetype index = indexOf(m_conversations, id);
    if (index < 0)
        return;
    QList<AgentConversation *> remaining = m_conversations;
    remaining.removeAt(index);
    if (remaining.isEmpty()) {
        auto *fresh = new AgentConversation();
        chatStore().attach(*fresh);
        remaining.append(fresh);
    }
    setConversations(remaining);
    if (m_activeConversationId == id)
        setActiveConversationId(m_conversations.last()->id());
    persistClosedConversations();
}

void ProjectSession::closeOtherConversations(const QUuid &id)
{
    QList<AgentConversation *> remaining;
    for (AgentConversation *conversation : m_conversations) {
        const bool running = m_agentBusy && m_busyConversationId == conversation->id();
        if (conversation->id() == id || running)
            remaining.append(conversation);
    }
    if (remaining.isEmpty()) {
        auto *fresh = new AgentConversation();
        chatStore().attach(*fresh);
        remaining.append(fresh);
    }
    setConversations(remaining);
    if (indexOf(m_conversations, m_activeConversationId) < 0)
        setActiveConversationId(m_conversations.last()->id());
    persistClosedConversations();
    if (indexOf(m_conversations, id) >= 0)
        setActiveConversationId(id);
}

void ProjectSession::closeAllConversations()
{
    QList<AgentConversation *> remaining;
    for (AgentConversation *conversation : m_conversations) {
        if (m_agentBusy && m_busyConversationId == conversation->id())
            remaining.append(conversation);
    }
    if (remaining.isEmpty()) {
        auto *fresh = new AgentConversation();
        chatStore().attach(*fresh);
        remaining.append(fresh);
    }
    setConversations(remaining);
    if (indexOf(m_conversations, m_activeConversationId) < 0)
        setActiveConversationId(m_conversations.last()->id());
    persistClosedConversations();
}

void ProjectSession::moveConversation(const QUuid &id, const QUuid &target)
{
    if (id == target)
        return;
    const qsizetype from = indexOf(m_conversations, id);
    const qsizetype to = indexOf(m_conversations, target);
    if (from < 0 || to < 0)
        return;
    QList<AgentConversation *> reordered = m_conversations;
    AgentConversation *moved = reordered.takeAt(from);
    reordered.insert(to, moved);
    setConversations(reordered);
    scheduleChatPersist();
}

void ProjectSession::renameConversation(const QUuid &id, const QString &name)
{
    const qsizetype index = indexOf(m_conversations, id);
    if (index < 0)
        return;
    const QString trimmed = trimmedName(name);
    m_conversations.at(index)->setCustomTitle(trimmed.isEmpty() ? std::nullopt
                                                                : std::make_optional(trimmed));
    scheduleChatPersist();
}
