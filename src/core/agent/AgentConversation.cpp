#include "core/agent/AgentConversation.h"

#include <utility>

#include "core/agent/Graphemes.h"

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Only spaces and tabs: a title keeps any other white space, as the rule asks.
QStringView trimSpacesAndTabs(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QStringView firstNonEmptyLine(QStringView text)
{
    for (const QStringView line : text.tokenize(u'\n', Qt::SkipEmptyParts))
        return line;
    return text;
}

bool isPresent(const std::optional<QString> &text)
{
    return text && !text->isEmpty();
}

// Assigns and reports whether anything changed, so each setter reads as one rule.
template<typename T>
bool assign(T &field, const T &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

QString AgentConversation::placeholderTitle()
{
    return u"New Agent"_qs;
}

AgentConversation::AgentConversation(QUuid id, std::optional<QString> customTitle,
                                     std::optional<QString> generatedTitle,
                                     QList<AgentMessage> messages, QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_customTitle(std::move(customTitle))
    , m_generatedTitle(std::move(generatedTitle))
    , m_messages(std::move(messages))
{
    m_title = title();
}

AgentConversation::AgentConversation(QObject *parent)
    : AgentConversation(QUuid::createUuid(), std::nullopt, std::nullopt, {}, parent)
{
}

void AgentConversation::setCustomTitle(const std::optional<QString> &title)
{
    if (assign(m_customTitle, title)) {
        emit customTitleChanged();
        refreshTitle();
    }
}

void AgentConversation::setGeneratedTitle(const std::optional<QString> &title)
{
    if (assign(m_generatedTitle, title)) {
        emit generatedTitleChanged();
        refreshTitle();
    }
}

void AgentConversation::setAwaitingGeneratedTitle(bool awaiting)
{
    if (assign(m_awaitingGeneratedTitle, awaiting)) {
        emit awaitingGeneratedTitleChanged();
        refreshTitle();
    }
}

void AgentConversation::setMessages(const QList<AgentMessage> &messages)
{
    messagesStored(assign(m_messages, messages));
}

void AgentConversation::setComposer(const QString &composer)
{
    if (assign(m_composer, composer))
        emit composerChanged();
}

void AgentConversation::setPendingAttachments(const QList<ChatAttachment> &attachments)
{
    if (assign(m_pendingAttachments, attachments))
        emit pendingAttachmentsChanged();
}

void AgentConversation::setLastUsage(const std::optional<AgentTurnUsage> &usage)
{
    if (assign(m_lastUsage, usage))
        emit lastUsageChanged();
}

void AgentConversation::setConversationLayout(const std::optional<QStringList> &layout)
{
    if (assign(m_conversationLayout, layout))
        emit conversationLayoutChanged();
}

void AgentConversation::setEditingMessageId(const std::optional<QUuid> &id)
{
    if (assign(m_editingMessageId, id))
        emit editingMessageIdChanged();
}

void AgentConversation::setDraftBeforeEditing(const QString &draft)
{
    if (assign(m_draftBeforeEditing, draft))
        emit draftBeforeEditingChanged();
}

void AgentConversation::setDraftAttachmentsBeforeEditing(const QList<ChatAttachment> &attachments)
{
    if (assign(m_draftAttachmentsBeforeEditing, attachments))
        emit draftAttachmentsBeforeEditingChanged();
}

void AgentConversation::setOnMessagesChanged(MessagesChangedHook hook)
{
    m_onMessagesChanged = std::move(hook);
}

void AgentConversation::appendMessage(const AgentMessage &message)
{
    m_messages.append(message);
    messagesStored(true);
}

bool AgentConversation::updateMessage(qsizetype index,
                                      const std::function<void(AgentMessage &)> &edit)
{
    if (index < 0 || index >= m_messages.size())
        return false;
    AgentMessage edited = m_messages.at(index);
    edit(edited);
    const bool changed = edited != m_messages.at(index);
    if (changed)
        m_messages[index] = std::move(edited);
    messagesStored(changed);
    return true;
}

bool AgentConversation::appendToMessageText(qsizetype index, QStringView text)
{
    if (index < 0 || index >= m_messages.size())
        return false;
    if (!text.isEmpty())
        m_messages[index].text.append(text);
    messagesStored(!text.isEmpty());
    return true;
}

bool AgentConversation::updateMessage(const QUuid &id,
                                      const std::function<void(AgentMessage &)> &edit)
{
    return updateMessage(indexOfMessage(id), edit);
}

qsizetype AgentConversation::indexOfMessage(const QUuid &id) const
{
    for (qsizetype i = 0; i < m_messages.size(); ++i) {
        if (m_messages.at(i).id == id)
            return i;
    }
    return -1;
}

bool AgentConversation::hasUserMessages() const
{
    for (const AgentMessage &message : m_messages) {
        if (message.isUser())
            return true;
    }
    return false;
}

QString AgentConversation::title() const
{
    if (isPresent(m_customTitle))
        return *m_customTitle;
    if (isPresent(m_generatedTitle))
        return *m_generatedTitle;
    if (m_awaitingGeneratedTitle)
        return placeholderTitle();
    for (const AgentMessage &message : m_messages) {
        if (message.isUser())
            return titleFromMessage(message.text);
    }
    return placeholderTitle();
}

QString AgentConversation::titleFromMessage(QStringView text)
{
    const QStringView line = trimSpacesAndTabs(firstNonEmptyLine(text));
    const QStringView kept = Graphemes::left(line, maxMessageTitleLength);
    if (kept.size() == line.size())
        return line.toString();
    return kept.toString() + u'…';
}

void AgentConversation::refreshTitle()
{
    QString current = title();
    if (current == m_title)
        return;
    m_title = std::move(current);
    emit titleChanged();
}

void AgentConversation::messagesStored(bool changed)
{
    if (changed) {
        emit messagesChanged();
        refreshTitle();
    }
    if (m_onMessagesChanged)
        m_onMessagesChanged();
}
