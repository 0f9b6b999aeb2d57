#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QStringList>

#include "core/service/DiffCommit.h"

class QJsonObject;
class QJsonValue;

// The request of one agent turn: the conversation, already trimmed to the budget, and a snapshot
// of the project. Absent optionals are left out of the JSON, never sent as null.
struct AgentChatBody {
    struct MessageImage {
        QString mediaType;
        // The image bytes in standard Base64.
        QString dataBase64;

        bool operator==(const MessageImage &) const = default;
    };

    // Arguments and result stay as the service reported them.
    struct MessageToolCall {
        QString name;
        QString args;
        QString result;

        bool operator==(const MessageToolCall &) const = default;
    };

    struct Message {
        // "user" or "assistant".
        QString role;
        QString content;
        std::optional<QList<MessageImage>> images;
        std::optional<QList<MessageToolCall>> toolCalls;
        std::optional<QStringList> thoughts;

        QJsonObject toJson() const;
        static std::optional<Message> fromJson(const QJsonValue &value);

        bool operator==(const Message &) const = default;
    };

    struct File {
        // Project-relative, "/"-separated.
        QString path;
        QString contents;

        bool operator==(const File &) const = default;
    };

    struct Context {
        QString title;
        // "series", "film" or "campaign".
        QString type;
        std::optional<QString> org;
        std::optional<QString> slug;
        // Always sent, possibly empty.
        QList<File> files;
        std::optional<QString> activeFile;
        std::optional<QList<DiffCommit>> diffHistory;
        std::optional<QStringList> projectLayout;

        QJsonObject toJson() const;
        static std::optional<Context> fromJson(const QJsonValue &value);

        bool operator==(const Context &) const = default;
    };

    // "auto" or a catalogue model id.
    QString model;
    // "ask" or "agent".
    QString mode;
    // Oldest first; the last one is the user's new message.
    QList<Message> messages;
    Context context;

    QJsonObject toJson() const;
    // Strict like every decoder of service JSON: a missing required key or a mistyped value
    // gives nullopt.
    static std::optional<AgentChatBody> fromJson(const QJsonValue &value);

    bool operator==(const AgentChatBody &) const = default;
};
