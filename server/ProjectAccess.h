#pragma once

#include <optional>

#include <QJsonObject>
#include <QMap>
#include <QString>

#include "ProjectRecord.h"

namespace httplib {
struct Response;
}

struct ServerContext;
struct UserRecord;

// Request checks shared by the render and ship endpoints; each answers the failure itself (a 4xx
// with an `error` text) and yields nothing, so the handler returns at once.
namespace ProjectAccess {

// The project when the user belongs to its organisation; 404 otherwise, so that other people's
// projects are indistinguishable from missing ones.
std::optional<ProjectRecord> find(ServerContext &ctx, const UserRecord &user, const QString &org,
                                  const QString &slug, httplib::Response &res);

// Absent and null give an empty optional inside a present result; any other non-string is a 400.
std::optional<std::optional<QString>> optionalString(const QJsonObject &body, const QString &key,
                                                     httplib::Response &res);

// An object of strings, or absent/null for an empty map; anything else is a 400.
std::optional<QMap<QString, QString>> stringMap(const QJsonObject &body, const QString &key,
                                                httplib::Response &res);

} // namespace ProjectAccess
