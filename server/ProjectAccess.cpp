#include "ProjectAccess.h"

#include <httplib.h>

#include "HttpReply.h"
#include "OrgStore.h"
#include "ProjectStore.h"
#include "ServerContext.h"
#include "UserRecord.h"

std::optional<ProjectRecord> ProjectAccess::find(ServerContext &ctx, const UserRecord &user,
                                                 const QString &org, const QString &slug,
                                                 httplib::Response &res)
{
    std::optional<ProjectRecord> project;
    if (ctx.orgs.isMember(user.id, org))
        project = ctx.projects.find(org, slug);
    if (!project)
        HttpReply::error(res, 404, u"no project "_qs + org + u'/' + slug);
    return project;
}

std::optional<std::optional<QString>>
ProjectAccess::optionalString(const QJsonObject &body, const QString &key, httplib::Response &res)
{
    const QJsonValue value = body.value(key);
    if (value.isUndefined() || value.isNull())
        return std::optional<QString>();
    if (!value.isString()) {
        HttpReply::error(res, 400, u"field \""_qs + key + u"\" must be a string"_qs);
        return std::nullopt;
    }
    return std::optional<QString>(value.toString());
}

std::optional<QMap<QString, QString>>
ProjectAccess::stringMap(const QJsonObject &body, const QString &key, httplib::Response &res)
{
    const QJsonValue value = body.value(key);
    QMap<QString, QString> map;
    if (value.isUndefined() || value.isNull())
        return map;
    const QJsonObject object = value.toObject();
    bool valid = value.isObject();
    for (auto it = object.begin(); valid && it != object.end(); ++it) {
        valid = it.value().isString();
        map.insert(it.key(), it.value().toString());
    }
    if (!valid) {
        HttpReply::error(res, 400, u"field \""_qs + key + u"\" must be an object of strings"_qs);
        return std::nullopt;
    }
    return map;
}
