#include "UserRecord.h"

QJsonObject UserRecord::toJson() const
{
    QJsonObject object{{u"id"_qs, id}, {u"slug"_qs, slug}};
    object.insert(u"email"_qs, email ? QJsonValue(*email) : QJsonValue(QJsonValue::Null));
    object.insert(u"displayName"_qs,
                  displayName ? QJsonValue(*displayName) : QJsonValue(QJsonValue::Null));
    return object;
}
