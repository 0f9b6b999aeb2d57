#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUuid>

#include "core/agent/AgentToolCall.h"
#include "core/agent/ChatAttachment.h"

class QJsonObject;
class QJsonValue;

// One entry of a conversation's transcript. A user message carries text and images; an
// assistant message carries the reply with its inline notes, the reasoning blocks and the tool
// calls of its turn. Absent lists are "none", which the JSON keeps apart from nothing at all.
struct AgentMessage {
    enum class Role { User, Assistant };

    // Every message made by the client gets its own random id.
    QUuid id = QUuid::createUuid();
    Role role = Role::User;
    QString text;
    std::optional<QList<ChatAttachment>> attachments;
    // One reasoning block per thinking phase, in order.
    std::optional<QStringList> thoughts;
    std::optional<QList<AgentToolCall>> toolCalls;

    static AgentMessage user(QString text,
                             std::optional<QList<ChatAttachment>> attachments = std::nullopt);
    static AgentMessage assistant(QString text = {});

    bool isUser() const { return role == Role::User; }
    bool isAssistant() const { return role == Role::Assistant; }

    // "user" / "assistant": the wire and file spelling of a role.
    static QString roleRawValue(Role role);
    static std::optional<Role> roleFromRaw(QStringView raw);

    // Keys "id", "role", "text" and, only when present, "attachments", "thoughts", "toolCalls".
    QJsonObject toJson() const;
    // Strict: "id" (the bare UUID form), "role" (a known raw value) and "text" are required; the
    // three lists may be missing or null, but a list of the wrong shape, or one element that
    // does not decode, fails the whole message. Unknown keys are ignored.
    static std::optional<AgentMessage> fromJson(const QJsonValue &value);

    bool operator==(const AgentMessage &) const = default;
};
