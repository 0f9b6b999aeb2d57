#include "core/service/JsonFields.h"

#include <cmath>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>

#include "core/service/DecodingError.h"

namespace {

[[noreturn]] void fail(QStringView key, QStringView expected)
{
    throw DecodingError(u"The answer's \""_qs + key.toString() + u"\" is not "_qs +
                        expected.toString() + u'.');
}

QJsonValue present(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        throw DecodingError(u"The answer has no \""_qs + key.toString() + u"\"."_qs);
    return value;
}

bool absent(const QJsonValue &value)
{
    return value.isUndefined() || value.isNull();
}

qint64 integerOf(const QJsonValue &value, QStringView key)
{
    if (!value.isDouble())
        fail(key, u"an integer");
    const double number = value.toDouble();
    // Whole numbers only, and only where a 64-bit integer can hold them.
    if (!std::isfinite(number) || std::trunc(number) != number || number < -9.2e18 ||
        number > 9.2e18)
        fail(key, u"an integer");
    return value.toInteger(qint64(number));
}

} // namespace

namespace JsonFields {

QJsonObject object(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        throw DecodingError(u"The answer is not valid JSON: "_qs + error.errorString() + u'.');
    if (!document.isObject())
        throw DecodingError(u"The answer is not a JSON object."_qs);
    return document.object();
}

QJsonObject requireObject(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = present(object, key);
    if (!value.isObject())
        fail(key, u"an object");
    return value.toObject();
}

QJsonArray requireArray(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = present(object, key);
    if (!value.isArray())
        fail(key, u"an array");
    return value.toArray();
}

QString requireString(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = present(object, key);
    if (!value.isString())
        fail(key, u"a string");
    return value.toString();
}

bool requireBool(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = present(object, key);
    if (!value.isBool())
        fail(key, u"a boolean");
    return value.toBool();
}

qint64 requireInteger(const QJsonObject &object, QStringView key)
{
    return integerOf(present(object, key), key);
}

double requireDouble(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = present(object, key);
    if (!value.isDouble())
        fail(key, u"a number");
    return value.toDouble();
}

QList<QString> requireStrings(const QJsonObject &object, QStringView key)
{
    const QJsonArray array = requireArray(object, key);
    QList<QString> strings;
    strings.reserve(array.size());
    for (const QJsonValue &value : array) {
        if (!value.isString())
            fail(key, u"an array of strings");
        strings.append(value.toString());
    }
    return strings;
}

std::optional<QString> optionalString(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = object.value(key);
    if (absent(value))
        return std::nullopt;
    if (!value.isString())
        fail(key, u"a string");
    return value.toString();
}

std::optional<bool> optionalBool(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = object.value(key);
    if (absent(value))
        return std::nullopt;
    if (!value.isBool())
        fail(key, u"a boolean");
    return value.toBool();
}

std::optional<qint64> optionalInteger(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = object.value(key);
    if (absent(value))
        return std::nullopt;
    return integerOf(value, key);
}

std::optional<double> optionalDouble(const QJsonObject &object, QStringView key)
{
    const QJsonValue value = object.value(key);
    if (absent(value))
        return std::nullopt;
    if (!value.isDouble())
        fail(key, u"a number");
    return value.toDouble();
}

void insertOptional(QJsonObject &object, const QString &key, const std::optional<QString> &value)
{
    if (value)
        object.insert(key, *value);
}

void insertOptional(QJsonObject &object, const QString &key, const std::optional<double> &value)
{
    if (value)
        object.insert(key, *value);
}

void insertOptional(QJsonObject &object, const QString &key, const std::optional<qint64> &value)
{
    if (value)
        object.insert(key, *value);
}

void insertOptional(QJsonObject &object, const QString &key, const std::optional<bool> &value)
{
    if (value)
        object.insert(key, *value);
}

QJsonObject elementObject(const QJsonArray &array, qsizetype index, QStringView key)
{
    const QJsonValue value = array.at(index);
    if (!value.isObject())
        fail(key, u"an array of objects");
    return value.toObject();
}

} // namespace JsonFields
