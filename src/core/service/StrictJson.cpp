#include "core/service/StrictJson.h"

#include <cmath>

#include <QJsonObject>
#include <QJsonValue>

namespace StrictJson {

namespace {

bool isAbsent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

} // namespace

Field<QString> optionalString(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = object.value(key);
    if (isAbsent(value))
        return {};
    if (!value.isString())
        return {false, std::nullopt};
    return {true, value.toString()};
}

Field<qint64> optionalInteger(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = object.value(key);
    if (isAbsent(value))
        return {};
    if (!value.isDouble())
        return {false, std::nullopt};
    const double number = value.toDouble();
    // 2^63 itself is out of range; every double below it converts exactly.
    constexpr double limit = 9223372036854775808.0;
    if (std::trunc(number) != number || number >= limit || number < -limit)
        return {false, std::nullopt};
    return {true, static_cast<qint64>(number)};
}

Field<bool> optionalBool(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = object.value(key);
    if (isAbsent(value))
        return {};
    if (!value.isBool())
        return {false, std::nullopt};
    return {true, value.toBool()};
}

} // namespace StrictJson
