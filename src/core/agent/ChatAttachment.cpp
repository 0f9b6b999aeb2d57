#include "core/agent/ChatAttachment.h"

#include <QJsonObject>
#include <QJsonValue>

#include "core/agent/RecordJson.h"
#include "core/agent/UuidText.h"

QJsonObject ChatAttachment::toJson() const
{
    return QJsonObject{{u"id"_qs, UuidText::toString(id)},
                       {u"name"_qs, name},
                       {u"mediaType"_qs, mediaType},
                       {u"dataBase64"_qs, dataBase64}};
}

std::optional<ChatAttachment> ChatAttachment::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = RecordJson::requiredUuid(object, u"id");
    const auto name = RecordJson::requiredString(object, u"name");
    const auto mediaType = RecordJson::requiredString(object, u"mediaType");
    const auto dataBase64 = RecordJson::requiredString(object, u"dataBase64");
    if (!id || !name || !mediaType || !dataBase64)
        return std::nullopt;
    return ChatAttachment{*id, *name, *mediaType, *dataBase64};
}
