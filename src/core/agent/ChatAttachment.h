#pragma once

#include <optional>

#include <QString>
#include <QUuid>

class QJsonObject;
class QJsonValue;

// An image attached to a user message or to a composer draft; the bytes travel inline so the
// saved chats need no side files.
struct ChatAttachment {
    QUuid id;
    // The file name shown on the chip.
    QString name;
    // MIME type, such as "image/png".
    QString mediaType;
    // The image bytes in standard Base64.
    QString dataBase64;

    // Keys "id", "name", "mediaType", "dataBase64"; the id as upper-case hex without braces.
    QJsonObject toJson() const;
    // All four keys are required; a missing or mistyped one gives nullopt.
    static std::optional<ChatAttachment> fromJson(const QJsonValue &value);

    bool operator==(const ChatAttachment &) const = default;
};
