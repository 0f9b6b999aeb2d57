#include "core/agent/SavedChat.h"

#include <algorithm>

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include "core/agent/AgentConversation.h"
#include "core/agent/RecordJson.h"
#include "core/agent/UuidText.h"
#include "core/service/StrictJson.h"

namespace {

StrictJson::Field<QUuid> optionalUuid(const QJsonObject &object, QStringView key)
{
    const auto text = StrictJson::optionalString(object, key);
    if (!text.ok || !text.value)
        return {text.ok, std::nullopt};
    const auto id = UuidText::fromString(*text.value);
    return {id.has_value(), id};
}

std::optional<QList<AgentMessage>> messagesOf(const QJsonValue &value)
{
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    QList<AgentMessage> messages;
    messages.reserve(array.size());
    for (const QJsonValue &element : array) {
        auto message = AgentMessage::fromJson(element);
        if (!message)
            return std::nullopt;
        messages.append(std::move(*message));
    }
    return messages;
}

StrictJson::Field<AgentTurnUsage> optionalUsage(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return {};
    const auto usage = AgentTurnUsage::fromJson(value);
    return {usage.has_value(), usage};
}

} // namespace

SavedChat SavedChat::of(const AgentConversation &conversation)
{
    SavedChat chat;
    chat.id = conversation.id();
    chat.title = conversation.customTitle();
    chat.generatedTitle = conversation.generatedTitle();
    chat.messages = conversation.messages();
    chat.layout = conversation.conversationLayout();
    chat.usage = conversation.lastUsage();
    return chat;
}

QList<AgentMessage> SavedChat::restorableMessages() const
{
    const auto firstUser = std::find_if(messages.cbegin(), messages.cend(),
                                        [](const AgentMessage &m) { return m.isUser(); });
    QList<AgentMessage> kept(firstUser, messages.cend());
    if (!kept.isEmpty() && kept.last().isAssistant() && kept.last().text.trimmed().isEmpty())
        kept.removeLast();
    return kept;
}

QJsonObject SavedChat::toJson() const
{
    QJsonObject object;
    if (id)
        object.insert(u"id"_qs, UuidText::toString(*id));
    if (title)
        object.insert(u"title"_qs, *title);
    if (generatedTitle)
        object.insert(u"generatedTitle"_qs, *generatedTitle);
    QJsonArray encoded;
    for (const AgentMessage &message : messages)
        encoded.append(message.toJson());
    object.insert(u"messages"_qs, encoded);
    if (layout)
        object.insert(u"layout"_qs, QJsonArray::fromStringList(*layout));
    if (usage)
        object.insert(u"usage"_qs, usage->toJson());
    return object;
}

std::optional<SavedChat> SavedChat::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = optionalUuid(object, u"id");
    const auto title = StrictJson::optionalString(object, u"title");
    const auto generatedTitle = StrictJson::optionalString(object, u"generatedTitle");
    auto messages = messagesOf(object.value(u"messages"));
    const auto layout = RecordJson::optionalStrings(object, u"layout");
    const auto usage = optionalUsage(object, u"usage");
    if (!id.ok || !title.ok || !generatedTitle.ok || !messages || !layout.ok || !usage.ok)
        return std::nullopt;
    SavedChat chat;
    chat.id = id.value;
    chat.title = title.value;
    chat.generatedTitle = generatedTitle.value;
    chat.messages = std::move(*messages);
    chat.layout = layout.value;
    chat.usage = usage.value;
    return chat;
}
