#pragma once

#include <optional>

#include <QJsonObject>
#include <QString>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

// Reading JSON request bodies; every failure is answered with 400 and an `error` text, and the
// handler returns at once when a call yields nothing.
namespace JsonBody {

std::optional<QJsonObject> object(const httplib::Request &req, httplib::Response &res);

// A string field that must be present (empty strings allowed only with `allowEmpty`).
std::optional<QString> requiredString(const QJsonObject &body, const QString &key,
                                      httplib::Response &res, bool allowEmpty = false);

} // namespace JsonBody
