#include "AgentChatRequest.h"

#include <algorithm>

#include <QJsonArray>

namespace {

bool optionalString(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = object.value(key);
    return value.isUndefined() || value.isNull() || value.isString();
}

std::optional<QList<AgentChatRequest::File>> filesFromJson(const QJsonValue &value, QString *error)
{
    if (!value.isArray()) {
        *error = QStringLiteral("context.files must be an array");
        return std::nullopt;
    }
    QList<AgentChatRequest::File> files;
    for (const QJsonValue &entry : value.toArray()) {
        const QJsonObject file = entry.toObject();
        if (!entry.isObject() || !file.value(u"path").isString() ||
            !file.value(u"contents").isString()) {
            *error = QStringLiteral("every context file needs the strings path and contents");
            return std::nullopt;
        }
        files.append({file.value(u"path").toString(), file.value(u"contents").toString()});
    }
    return files;
}

} // namespace

std::optional<QList<AgentChatRequest::Message>>
AgentChatRequest::messagesFromJson(const QJsonValue &value, QString *error)
{
    if (!value.isArray()) {
        *error = QStringLiteral("messages must be an array");
        return std::nullopt;
    }
    QList<Message> messages;
    for (const QJsonValue &entry : value.toArray()) {
        const QJsonObject message = entry.toObject();
        const QString role = message.value(u"role").toString();
        if (!entry.isObject() || (role != u"user" && role != u"assistant") ||
            !message.value(u"content").isString()) {
            *error = QStringLiteral(
                "every message needs a role (\"user\" or \"assistant\") and a string content");
            return std::nullopt;
        }
        if (!(message.value(u"images").isUndefined() || message.value(u"images").isNull() ||
              message.value(u"images").isArray()) ||
            !(message.value(u"toolCalls").isUndefined() || message.value(u"toolCalls").isNull() ||
              message.value(u"toolCalls").isArray()) ||
            !(message.value(u"thoughts").isUndefined() || message.value(u"thoughts").isNull() ||
              message.value(u"thoughts").isArray())) {
            *error = QStringLiteral("images, toolCalls and thoughts must be arrays");
            return std::nullopt;
        }
        messages.append({role, message.value(u"content").toString()});
    }
    return messages;
}

std::optional<AgentChatRequest> AgentChatRequest::fromJson(const QJsonObject &body, QString *error)
{
    AgentChatRequest request;
    if (!body.value(u"model").isString()) {
        *error = QStringLiteral("model must be a string");
        return std::nullopt;
    }
    request.model = body.value(u"model").toString();
    request.mode = body.value(u"mode").toString();
    if (request.mode != u"ask" && request.mode != u"agent") {
        *error = QStringLiteral("mode must be \"ask\" or \"agent\"");
        return std::nullopt;
    }
    std::optional<QList<Message>> messages = messagesFromJson(body.value(u"messages"), error);
    if (!messages)
        return std::nullopt;
    if (messages->isEmpty()) {
        *error = QStringLiteral("messages must not be empty");
        return std::nullopt;
    }
    request.messages = *messages;

    const QJsonObject context = body.value(u"context").toObject();
    if (!body.value(u"context").isObject() || !context.value(u"title").isString() ||
        !context.value(u"type").isString()) {
        *error = QStringLiteral("context must be an object with the strings title and type");
        return std::nullopt;
    }
    if (!optionalString(context, u"org") || !optionalString(context, u"slug") ||
        !optionalString(context, u"activeFile")) {
        *error = QStringLiteral("context.org, context.slug and context.activeFile must be strings");
        return std::nullopt;
    }
    request.title = context.value(u"title").toString();
    request.type = context.value(u"type").toString();
    std::optional<QList<File>> files = filesFromJson(context.value(u"files"), error);
    if (!files)
        return std::nullopt;
    request.files = *files;
    if (context.value(u"activeFile").isString())
        request.activeFile = context.value(u"activeFile").toString();
    return request;
}

QString AgentChatRequest::lastUserText() const
{
    for (auto it = messages.crbegin(); it != messages.crend(); ++it) {
        if (it->role == u"user")
            return it->content;
    }
    return {};
}

bool AgentChatRequest::isFirstTurn() const
{
    return std::count_if(messages.cbegin(), messages.cend(),
                         [](const Message &message) { return message.role == u"user"; }) == 1 &&
           std::none_of(messages.cbegin(), messages.cend(),
                        [](const Message &message) { return message.role == u"assistant"; });
}
