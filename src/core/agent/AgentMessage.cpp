#include "core/agent/AgentMessage.h"

#include <utility>

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include "core/agent/RecordJson.h"
#include "core/agent/UuidText.h"

namespace {

template<typename Record>
QJsonArray recordsToJson(const QList<Record> &records)
{
    QJsonArray array;
    for (const Record &record : records)
        array.append(record.toJson());
    return array;
}

// A missing or null key is no list; a list with one undecodable element fails (`ok` false).
template<typename Record>
StrictJson::Field<QList<Record>> optionalRecords(const QJsonObject &object, QStringView key)
{
    const auto array = RecordJson::optionalArray(object, key);
    if (!array.ok || !array.value)
        return {array.ok, std::nullopt};
    QList<Record> records;
    records.reserve(array.value->size());
    for (const QJsonValue &element : *array.value) {
        auto record = Record::fromJson(element);
        if (!record)
            return {false, std::nullopt};
        records.append(std::move(*record));
    }
    return {true, std::move(records)};
}

} // namespace

AgentMessage AgentMessage::user(QString text, std::optional<QList<ChatAttachment>> attachments)
{
    AgentMessage message;
    message.role = Role::User;
    message.text = std::move(text);
    message.attachments = std::move(attachments);
    return message;
}

AgentMessage AgentMessage::assistant(QString text)
{
    AgentMessage message;
    message.role = Role::Assistant;
    message.text = std::move(text);
    return message;
}

QString AgentMessage::roleRawValue(Role role)
{
    return role == Role::User ? u"user"_qs : u"assistant"_qs;
}

std::optional<AgentMessage::Role> AgentMessage::roleFromRaw(QStringView raw)
{
    if (raw == u"user")
        return Role::User;
    if (raw == u"assistant")
        return Role::Assistant;
    return std::nullopt;
}

QJsonObject AgentMessage::toJson() const
{
    QJsonObject object{
        {u"id"_qs, UuidText::toString(id)}, {u"role"_qs, roleRawValue(role)}, {u"text"_qs, text}};
    if (attachments)
        object.insert(u"attachments", recordsToJson(*attachments));
    if (thoughts)
        object.insert(u"thoughts", QJsonArray::fromStringList(*thoughts));
    if (toolCalls)
        object.insert(u"toolCalls", recordsToJson(*toolCalls));
    return object;
}

std::optional<AgentMessage> AgentMessage::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = RecordJson::requiredUuid(object, u"id");
    const auto roleText = RecordJson::requiredString(object, u"role");
    const auto role = roleText ? roleFromRaw(*roleText) : std::nullopt;
    const auto text = RecordJson::requiredString(object, u"text");
    auto attachments = optionalRecords<ChatAttachment>(object, u"attachments");
    auto thoughts = RecordJson::optionalStrings(object, u"thoughts");
    auto toolCalls = optionalRecords<AgentToolCall>(object, u"toolCalls");
    if (!id || !role || !text || !attachments.ok || !thoughts.ok || !toolCalls.ok)
        return std::nullopt;
    AgentMessage message;
    message.id = *id;
    message.role = *role;
    message.text = *text;
    message.attachments = std::move(attachments.value);
    message.thoughts = std::move(thoughts.value);
    message.toolCalls = std::move(toolCalls.value);
    return message;
}
