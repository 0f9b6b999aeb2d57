#include "OrgRecord.h"

QJsonObject OrgRecord::toJson() const
{
    return {{u"slug"_qs, slug}, {u"personal"_qs, personal}, {u"name"_qs, name}};
}
