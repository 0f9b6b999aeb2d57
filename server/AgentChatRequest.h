#pragma once

#include <optional>

#include <QJsonObject>
#include <QList>
#include <QString>

// The parts of an agent chat body that the demo agent reads, checked for their JSON types.
struct AgentChatRequest {
    struct Message {
        QString role; // "user" or "assistant"
        QString content;
    };
    struct File {
        QString path;
        QString contents;
    };

    QString model;
    QString mode; // "ask" or "agent"
    QList<Message> messages;
    QString title;
    QString type;
    QList<File> files;
    std::optional<QString> activeFile;

    // `error` says what is wrong when the body is not a chat request.
    static std::optional<AgentChatRequest> fromJson(const QJsonObject &body, QString *error);
    // The `messages` array alone, as the title request sends it.
    static std::optional<QList<Message>> messagesFromJson(const QJsonValue &value, QString *error);

    // The newest user message's text; empty when there is none.
    QString lastUserText() const;
    bool isFirstTurn() const;
};
