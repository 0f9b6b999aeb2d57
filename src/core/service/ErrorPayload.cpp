#include "core/service/ErrorPayload.h"

#include <QJsonDocument>
#include <QJsonObject>

std::optional<ErrorPayload> ErrorPayload::fromJson(const QByteArray &body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue error = document.object().value(u"error");
    if (error.isUndefined() || error.isNull())
        return ErrorPayload{};
    if (!error.isString())
        return std::nullopt;
    return ErrorPayload{error.toString()};
}
