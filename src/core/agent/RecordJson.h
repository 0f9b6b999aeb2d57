#pragma once

#include <optional>

#include <QStringList>
#include <QStringView>
#include <QUuid>

#include "core/service/StrictJson.h"

class QJsonArray;
class QJsonObject;

// Readers for the conversation records (messages, attachments, tool calls). They are strict the
// way the saved chats need: a required key that is missing, null or of the wrong type gives
// nullopt, and an optional key may be missing or null but never of the wrong type.
namespace RecordJson {

std::optional<QString> requiredString(const QJsonObject &object, QStringView key);
// The bare 36-character UUID form, either case.
std::optional<QUuid> requiredUuid(const QJsonObject &object, QStringView key);
// An array of strings; a non-string element makes the whole key fail.
StrictJson::Field<QStringList> optionalStrings(const QJsonObject &object, QStringView key);
// The raw array under an optional key (missing or null: no value).
StrictJson::Field<QJsonArray> optionalArray(const QJsonObject &object, QStringView key);

} // namespace RecordJson
