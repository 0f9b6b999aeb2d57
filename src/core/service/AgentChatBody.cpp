#include "core/service/AgentChatBody.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include "core/service/StrictJson.h"

namespace {

bool isAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

template<typename T, typename Encode>
QJsonArray arrayOf(const QList<T> &items, Encode encode)
{
    QJsonArray array;
    for (const T &item : items)
        array.append(encode(item));
    return array;
}

// A required array whose every element decodes; nullopt on the first that does not.
template<typename T, typename Decode>
std::optional<QList<T>> listOf(const QJsonValue &value, Decode decode)
{
    if (!value.isArray())
        return std::nullopt;
    QList<T> items;
    for (const QJsonValue &element : value.toArray()) {
        std::optional<T> item = decode(element);
        if (!item)
            return std::nullopt;
        items.append(std::move(*item));
    }
    return items;
}

// An optional array: `ok` false when present but not a list of T.
template<typename T, typename Decode>
StrictJson::Field<QList<T>> optionalListOf(const QJsonObject &object, QStringView key,
                                           Decode decode)
{
    const QJsonValue value = object.value(key);
    if (isAbsent(value))
        return {};
    auto items = listOf<T>(value, decode);
    return {items.has_value(), std::move(items)};
}

std::optional<QString> requiredString(const QJsonObject &object, QStringView key)
{
    const auto field = StrictJson::optionalString(object, key);
    return field.ok ? field.value : std::nullopt;
}

std::optional<QString> stringOf(const QJsonValue &value)
{
    return value.isString() ? std::optional(value.toString()) : std::nullopt;
}

std::optional<AgentChatBody::MessageImage> imageOf(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    auto mediaType = requiredString(object, u"mediaType");
    auto data = requiredString(object, u"dataBase64");
    if (!value.isObject() || !mediaType || !data)
        return std::nullopt;
    return AgentChatBody::MessageImage{*mediaType, *data};
}

std::optional<AgentChatBody::MessageToolCall> toolCallOf(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    auto name = requiredString(object, u"name");
    auto args = requiredString(object, u"args");
    auto result = requiredString(object, u"result");
    if (!value.isObject() || !name || !args || !result)
        return std::nullopt;
    return AgentChatBody::MessageToolCall{*name, *args, *result};
}

std::optional<AgentChatBody::File> fileOf(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    auto path = requiredString(object, u"path");
    auto contents = requiredString(object, u"contents");
    if (!value.isObject() || !path || !contents)
        return std::nullopt;
    return AgentChatBody::File{*path, *contents};
}

std::optional<DiffFile> diffFileOf(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    auto path = requiredString(object, u"path");
    auto added = StrictJson::optionalInteger(object, u"added");
    auto removed = StrictJson::optionalInteger(object, u"removed");
    if (!value.isObject() || !path || !added.value || !removed.value)
        return std::nullopt;
    return DiffFile{*path, *added.value, *removed.value};
}

std::optional<DiffCommit> diffCommitOf(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    auto when = requiredString(object, u"when");
    auto message = requiredString(object, u"message");
    auto files = listOf<DiffFile>(object.value(u"files"), diffFileOf);
    if (!value.isObject() || !when || !message || !files)
        return std::nullopt;
    return DiffCommit{*when, *message, *files};
}

} // namespace

QJsonObject AgentChatBody::Message::toJson() const
{
    QJsonObject object{{u"role"_qs, role}, {u"content"_qs, content}};
    if (images)
        object.insert(u"images", arrayOf(*images, [](const MessageImage &image) {
                          return QJsonObject{{u"mediaType"_qs, image.mediaType},
                                             {u"dataBase64"_qs, image.dataBase64}};
                      }));
    if (toolCalls)
        object.insert(u"toolCalls", arrayOf(*toolCalls, [](const MessageToolCall &call) {
                          return QJsonObject{{u"name"_qs, call.name},
                                             {u"args"_qs, call.args},
                                             {u"result"_qs, call.result}};
                      }));
    if (thoughts)
        object.insert(u"thoughts", QJsonArray::fromStringList(*thoughts));
    return object;
}

std::optional<AgentChatBody::Message> AgentChatBody::Message::fromJson(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    auto role = requiredString(object, u"role");
    auto content = requiredString(object, u"content");
    auto images = optionalListOf<MessageImage>(object, u"images", imageOf);
    auto toolCalls = optionalListOf<MessageToolCall>(object, u"toolCalls", toolCallOf);
    auto thoughts = optionalListOf<QString>(object, u"thoughts", stringOf);
    if (!value.isObject() || !role || !content || !images.ok || !toolCalls.ok || !thoughts.ok)
        return std::nullopt;
    return Message{*role, *content, images.value, toolCalls.value, thoughts.value};
}

QJsonObject AgentChatBody::Context::toJson() const
{
    QJsonObject object{{u"title"_qs, title}, {u"type"_qs, type}};
    if (org)
        object.insert(u"org", *org);
    if (slug)
        object.insert(u"slug", *slug);
    object.insert(u"files", arrayOf(files, [](const File &file) {
                      return QJsonObject{{u"path"_qs, file.path}, {u"contents"_qs, file.contents}};
                  }));
    if (activeFile)
        object.insert(u"activeFile", *activeFile);
    if (diffHistory)
        object.insert(u"diffHistory", arrayOf(*diffHistory, [](const DiffCommit &commit) {
                          return commit.toJson();
                      }));
    if (projectLayout)
        object.insert(u"projectLayout", QJsonArray::fromStringList(*projectLayout));
    return object;
}

std::optional<AgentChatBody::Context> AgentChatBody::Context::fromJson(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    auto title = requiredString(object, u"title");
    auto type = requiredString(object, u"type");
    auto org = StrictJson::optionalString(object, u"org");
    auto slug = StrictJson::optionalString(object, u"slug");
    auto files = listOf<File>(object.value(u"files"), fileOf);
    auto activeFile = StrictJson::optionalString(object, u"activeFile");
    auto history = optionalListOf<DiffCommit>(object, u"diffHistory", diffCommitOf);
    auto layout = optionalListOf<QString>(object, u"projectLayout", stringOf);
    if (!value.isObject() || !title || !type || !org.ok || !slug.ok || !files || !activeFile.ok ||
        !history.ok || !layout.ok)
        return std::nullopt;
    return Context{*title,           *type,         org.value,   slug.value, *files,
                   activeFile.value, history.value, layout.value};
}

QJsonObject AgentChatBody::toJson() const
{
    return QJsonObject{
        {u"model"_qs, model},
        {u"mode"_qs, mode},
        {u"messages"_qs, arrayOf(messages, [](const Message &m) { return m.toJson(); })},
        {u"context"_qs, context.toJson()}};
}

std::optional<AgentChatBody> AgentChatBody::fromJson(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    auto model = requiredString(object, u"model");
    auto mode = requiredString(object, u"mode");
    auto messages = listOf<Message>(object.value(u"messages"), Message::fromJson);
    auto context = Context::fromJson(object.value(u"context"));
    if (!value.isObject() || !model || !mode || !messages || !context)
        return std::nullopt;
    return AgentChatBody{*model, *mode, *messages, *context};
}
