#include "core/agent/HistoryPayload.h"

#include <QSet>

#include "core/agent/Graphemes.h"

namespace {

// Indices of the assistant messages that keep their heavy parts.
QSet<qsizetype> keptIndices(const QList<AgentMessage> &messages, qsizetype budget)
{
    QSet<qsizetype> kept;
    qsizetype used = 0;
    for (qsizetype i = messages.size() - 1; i >= 0; --i) {
        const AgentMessage &message = messages.at(i);
        if (message.isUser())
            continue;
        const qsizetype weight = HistoryPayload::heavyWeight(message);
        if (weight == 0)
            continue;
        if (used + weight > budget)
            break;
        used += weight;
        kept.insert(i);
    }
    return kept;
}

std::optional<QList<AgentChatBody::MessageImage>> images(const AgentMessage &message)
{
    if (!message.attachments || message.attachments->isEmpty())
        return std::nullopt;
    QList<AgentChatBody::MessageImage> images;
    images.reserve(message.attachments->size());
    for (const ChatAttachment &attachment : *message.attachments)
        images.append(AgentChatBody::MessageImage{attachment.mediaType, attachment.dataBase64});
    return images;
}

std::optional<QList<AgentChatBody::MessageToolCall>> toolCalls(const AgentMessage &message)
{
    if (!message.toolCalls || message.toolCalls->isEmpty())
        return std::nullopt;
    QList<AgentChatBody::MessageToolCall> calls;
    calls.reserve(message.toolCalls->size());
    for (const AgentToolCall &call : *message.toolCalls)
        calls.append(AgentChatBody::MessageToolCall{call.name, call.args, call.result});
    return calls;
}

AgentChatBody::Message payload(const AgentMessage &message, bool keepHeavyParts)
{
    AgentChatBody::Message sent;
    sent.role = AgentMessage::roleRawValue(message.role);
    sent.content = message.text;
    sent.images = images(message);
    if (keepHeavyParts) {
        sent.toolCalls = toolCalls(message);
        if (message.thoughts && !message.thoughts->isEmpty())
            sent.thoughts = *message.thoughts;
    }
    return sent;
}

} // namespace

qsizetype HistoryPayload::heavyWeight(const AgentMessage &message)
{
    qsizetype weight = 0;
    if (message.toolCalls) {
        for (const AgentToolCall &call : *message.toolCalls)
            weight += Graphemes::count(call.args) + Graphemes::count(call.result);
    }
    if (message.thoughts) {
        for (const QString &thought : *message.thoughts)
            weight += Graphemes::count(thought);
    }
    return weight;
}

QList<AgentChatBody::Message> HistoryPayload::historyPayload(const QList<AgentMessage> &messages,
                                                             qsizetype budget)
{
    const QSet<qsizetype> kept = keptIndices(messages, budget);
    qsizetype first = 0;
    while (first < messages.size() && !messages.at(first).isUser())
        ++first;
    QList<AgentChatBody::Message> sent;
    sent.reserve(messages.size() - first);
    for (qsizetype i = first; i < messages.size(); ++i)
        sent.append(payload(messages.at(i), kept.contains(i)));
    return sent;
}
