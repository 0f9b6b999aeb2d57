#include "core/service/Ship.h"

#include <QJsonObject>

#include "core/service/JsonFields.h"

Ship Ship::fromJson(const QJsonObject &object)
{
    using JsonFields::requireString;
    return {requireString(object, u"id"),
            requireString(object, u"deliverable"),
            requireString(object, u"commit"),
            requireString(object, u"tag"),
            JsonFields::optionalString(object, u"airDate"),
            requireString(object, u"createdAt")};
}

QJsonObject Ship::toJson() const
{
    QJsonObject object{{u"id"_qs, id},
                       {u"deliverable"_qs, deliverable},
                       {u"commit"_qs, commit},
                       {u"tag"_qs, tag},
                       {u"createdAt"_qs, createdAt}};
    JsonFields::insertOptional(object, u"airDate"_qs, airDate);
    return object;
}
