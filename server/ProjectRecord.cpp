#include "ProjectRecord.h"

QString ProjectRecord::cloneUrl(const QString &baseUrl) const
{
    return baseUrl + u"/git/"_qs + org + u'/' + slug + u".git"_qs;
}

QJsonObject ProjectRecord::toJson(const QString &baseUrl) const
{
    return {{u"id"_qs, id},
            {u"org"_qs, org},
            {u"slug"_qs, slug},
            {u"type"_qs, type},
            {u"title"_qs, title},
            {u"cloneUrl"_qs, cloneUrl(baseUrl)},
            {u"createdAt"_qs, createdAt}};
}
