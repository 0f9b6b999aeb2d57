#include "core/service/CreatedProject.h"

#include <QJsonObject>

#include "core/service/JsonFields.h"

CreatedProject CreatedProject::fromJson(const QJsonObject &object)
{
    using JsonFields::requireString;
    return {requireString(object, u"id"),    requireString(object, u"org"),
            requireString(object, u"slug"),  requireString(object, u"type"),
            requireString(object, u"title"), requireString(object, u"cloneUrl")};
}

QJsonObject CreatedProject::toJson() const
{
    return {{u"id"_qs, id},     {u"org"_qs, org},     {u"slug"_qs, slug},
            {u"type"_qs, type}, {u"title"_qs, title}, {u"cloneUrl"_qs, cloneUrl}};
}
