#include "core/service/ShipBody.h"

QMap<QString, QString> ShipBody::toFields() const
{
    QMap<QString, QString> fields{{u"org"_qs, org},
                                  {u"slug"_qs, slug},
                                  {u"deliverable"_qs, deliverable},
                                  {u"commit"_qs, commit},
                                  {u"tag"_qs, tag}};
    if (airDate)
        fields.insert(u"airDate"_qs, *airDate);
    if (shots)
        fields.insert(u"shots"_qs, *shots);
    if (lock)
        fields.insert(u"lock"_qs, *lock);
    return fields;
}
