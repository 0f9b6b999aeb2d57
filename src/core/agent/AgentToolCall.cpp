#include "core/agent/AgentToolCall.h"

#include <QJsonObject>
#include <QJsonValue>

#include "core/agent/RecordJson.h"

QJsonObject AgentToolCall::toJson() const
{
    return QJsonObject{{u"name"_qs, name}, {u"args"_qs, args}, {u"result"_qs, result}};
}

std::optional<AgentToolCall> AgentToolCall::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto name = RecordJson::requiredString(object, u"name");
    const auto args = RecordJson::requiredString(object, u"args");
    const auto result = RecordJson::requiredString(object, u"result");
    if (!name || !args || !result)
        return std::nullopt;
    return AgentToolCall{*name, *args, *result};
}
