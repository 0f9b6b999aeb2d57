#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include "core/agent/AgentMessage.h"
#include "core/service/AgentTurnUsage.h"

class AgentConversation;
class QJsonObject;
class QJsonValue;

// One conversation as the chats file keeps it. Drafts, editing state and the tab's live fields
// are left out on purpose: only what a restart should bring back is written.
struct SavedChat {
    // Absent in files of older clients; a restore then makes a new one.
    std::optional<QUuid> id;
    // The user's own title (a rename).
    std::optional<QString> title;
    std::optional<QString> generatedTitle;
    QList<AgentMessage> messages;
    std::optional<QStringList> layout;
    std::optional<AgentTurnUsage> usage;

    static SavedChat of(const AgentConversation &conversation);

    // The messages a restore keeps: from the first user message on (none: nothing), without a
    // last assistant message whose text is only whitespace (a turn cut short before any reply).
    QList<AgentMessage> restorableMessages() const;

    // Keys "id", "title", "generatedTitle", "messages", "layout", "usage"; absent optionals are
    // left out.
    QJsonObject toJson() const;
    // "messages" is required; the optional keys may be missing or null but never mistyped. One
    // message that does not decode fails the whole chat.
    static std::optional<SavedChat> fromJson(const QJsonValue &value);

    bool operator==(const SavedChat &) const = default;
};
