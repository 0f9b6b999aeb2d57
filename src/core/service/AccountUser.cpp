#include "core/service/AccountUser.h"

#include <QJsonObject>

#include "core/service/JsonFields.h"

AccountUser AccountUser::fromJson(const QJsonObject &object)
{
    return AccountUser{JsonFields::requireString(object, u"id"),
                       JsonFields::requireString(object, u"slug"),
                       JsonFields::optionalString(object, u"email"),
                       JsonFields::optionalString(object, u"displayName")};
}
