#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

namespace httplib {
struct Response;
}

// How every route answers: JSON bodies, and failures as `{"error": "…"}` with a 4xx/5xx status.
namespace HttpReply {

void json(httplib::Response &res, int status, const QJsonObject &body);
// `{"<key>": body}`, the wrapped answers of the REST endpoints.
void wrapped(httplib::Response &res, int status, const QString &key, const QJsonValue &body);
void error(httplib::Response &res, int status, const QString &message);
void html(httplib::Response &res, int status, const QString &page);

} // namespace HttpReply
