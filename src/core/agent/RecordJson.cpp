#include "core/agent/RecordJson.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include "core/agent/UuidText.h"

std::optional<QString> RecordJson::requiredString(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<QUuid> RecordJson::requiredUuid(const QJsonObject &object, QStringView key)
{
    const auto text = requiredString(object, key);
    if (!text)
        return std::nullopt;
    return UuidText::fromString(*text);
}

StrictJson::Field<QJsonArray> RecordJson::optionalArray(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isArray())
        return {false, std::nullopt};
    return {true, value.toArray()};
}

StrictJson::Field<QStringList> RecordJson::optionalStrings(const QJsonObject &object,
                                                           QStringView key)
{
    const auto array = optionalArray(object, key);
    if (!array.ok || !array.value)
        return {array.ok, std::nullopt};
    QStringList strings;
    strings.reserve(array.value->size());
    for (const QJsonValue &element : *array.value) {
        if (!element.isString())
            return {false, std::nullopt};
        strings.append(element.toString());
    }
    return {true, strings};
}
