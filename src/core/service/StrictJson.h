#pragma once

#include <optional>

#include <QString>
#include <QtGlobal>

class QJsonObject;

// Reading JSON objects the way a strict decoder does: a value of the wrong type is a failure,
// never a default. Each reader answers "failed" separately from "absent" so optional keys can
// tell a null (absent) from a number where a string belongs (failure).
namespace StrictJson {

// The outcome of reading one optional key: `ok` false means the key held the wrong type.
template<typename T>
struct Field {
    bool ok = true;
    std::optional<T> value;
};

Field<QString> optionalString(const QJsonObject &object, QStringView key);
// Whole numbers only: a fraction or a number outside the 64-bit range is the wrong type.
Field<qint64> optionalInteger(const QJsonObject &object, QStringView key);
Field<bool> optionalBool(const QJsonObject &object, QStringView key);

} // namespace StrictJson
