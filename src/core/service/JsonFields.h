#pragma once

#include <optional>

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QtGlobal>

class QByteArray;

// Strict readers for the service's records: a required key that is missing (or null), or a value
// of the wrong JSON type, throws DecodingError naming the key. Optional readers accept a missing
// or null key but still refuse a wrong type. Unknown keys are never looked at.
namespace JsonFields {

// The body as a JSON object; anything else throws DecodingError.
QJsonObject object(const QByteArray &body);
// `object[key]` as an object (the wrapped answers of the service).
QJsonObject requireObject(const QJsonObject &object, QStringView key);
QJsonArray requireArray(const QJsonObject &object, QStringView key);

QString requireString(const QJsonObject &object, QStringView key);
bool requireBool(const QJsonObject &object, QStringView key);
qint64 requireInteger(const QJsonObject &object, QStringView key);
double requireDouble(const QJsonObject &object, QStringView key);
QList<QString> requireStrings(const QJsonObject &object, QStringView key);

std::optional<QString> optionalString(const QJsonObject &object, QStringView key);
std::optional<bool> optionalBool(const QJsonObject &object, QStringView key);
std::optional<qint64> optionalInteger(const QJsonObject &object, QStringView key);
std::optional<double> optionalDouble(const QJsonObject &object, QStringView key);

// Each element of `object[key]` must be an object; `decode` turns it into a record.
template<typename Record, typename Decode>
QList<Record> requireRecords(const QJsonObject &object, QStringView key, Decode decode);

// Writers that leave an absent optional out instead of writing null.
void insertOptional(QJsonObject &object, const QString &key, const std::optional<QString> &value);
void insertOptional(QJsonObject &object, const QString &key, const std::optional<double> &value);
void insertOptional(QJsonObject &object, const QString &key, const std::optional<qint64> &value);
void insertOptional(QJsonObject &object, const QString &key, const std::optional<bool> &value);

// The element at `index` of the array `key`, which must be an object.
QJsonObject elementObject(const QJsonArray &array, qsizetype index, QStringView key);

} // namespace JsonFields

template<typename Record, typename Decode>
QList<Record> JsonFields::requireRecords(const QJsonObject &object, QStringView key, Decode decode)
{
    const QJsonArray array = requireArray(object, key);
    QList<Record> records;
    records.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i)
        records.append(decode(elementObject(array, i, key)));
    return records;
}
