#include "JsonBody.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <httplib.h>

#include "HttpReply.h"

std::optional<QJsonObject> JsonBody::object(const httplib::Request &req, httplib::Response &res)
{
    QJsonParseError parseError;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(req.body), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        HttpReply::error(res, 400,
                         u"request body is not valid JSON: "_qs + parseError.errorString());
        return std::nullopt;
    }
    if (!document.isObject()) {
        HttpReply::error(res, 400, u"request body must be a JSON object"_qs);
        return std::nullopt;
    }
    return document.object();
}

std::optional<QString> JsonBody::requiredString(const QJsonObject &body, const QString &key,
                                                httplib::Response &res, bool allowEmpty)
{
    const QJsonValue value = body.value(key);
    if (value.isUndefined() || value.isNull()) {
        HttpReply::error(res, 400, u"missing field \""_qs + key + u'"');
        return std::nullopt;
    }
    if (!value.isString()) {
        HttpReply::error(res, 400, u"field \""_qs + key + u"\" must be a string"_qs);
        return std::nullopt;
    }
    if (!allowEmpty && value.toString().isEmpty()) {
        HttpReply::error(res, 400, u"field \""_qs + key + u"\" must not be empty"_qs);
        return std::nullopt;
    }
    return value.toString();
}
