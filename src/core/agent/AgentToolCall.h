#pragma once

#include <optional>

#include <QString>

class QJsonObject;
class QJsonValue;

// One tool the assistant ran during a turn, as the service reported it.
struct AgentToolCall {
    QString name;
    QString args;
    QString result;

    // Keys "name", "args", "result".
    QJsonObject toJson() const;
    // All three keys are required; a missing or mistyped one gives nullopt.
    static std::optional<AgentToolCall> fromJson(const QJsonValue &value);

    bool operator==(const AgentToolCall &) const = default;
};
