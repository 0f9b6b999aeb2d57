#include "core/agent/SavedChats.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include "core/agent/UuidText.h"
#include "core/service/StrictJson.h"

namespace {

std::optional<SavedChats> currentLayout(const QJsonObject &object)
{
    const auto version = StrictJson::optionalInteger(object, u"version");
    const auto activeText = StrictJson::optionalString(object, u"activeId");
    const QJsonValue chatsValue = object.value(u"chats");
    if (!version.ok || !version.value || !activeText.ok || !chatsValue.isArray())
        return std::nullopt;
    SavedChats saved;
    saved.version = *version.value;
    if (activeText.value) {
        saved.activeId = UuidText::fromString(*activeText.value);
        if (!saved.activeId)
            return std::nullopt;
    }
    const QJsonArray chats = chatsValue.toArray();
    saved.chats.reserve(chats.size());
    for (const QJsonValue &element : chats) {
        auto chat = SavedChat::fromJson(element);
        if (!chat)
            return std::nullopt;
        saved.chats.append(std::move(*chat));
    }
    return saved;
}

} // namespace

QByteArray SavedChats::encode() const
{
    QJsonObject object;
    object.insert(u"version"_qs, version);
    if (activeId)
        object.insert(u"activeId"_qs, UuidText::toString(*activeId));
    QJsonArray encoded;
    for (const SavedChat &chat : chats)
        encoded.append(chat.toJson());
    object.insert(u"chats"_qs, encoded);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<SavedChats> SavedChats::decode(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    if (auto saved = currentLayout(object))
        return saved;
    auto single = SavedChat::fromJson(object);
    if (!single)
        return std::nullopt;
    SavedChats saved;
    saved.version = SingleChatVersion;
    saved.chats.append(std::move(*single));
    return saved;
}
