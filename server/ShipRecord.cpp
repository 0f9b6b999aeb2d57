#include "ShipRecord.h"

QJsonObject ShipRecord::toJson() const
{
    QJsonObject ship{{u"id"_qs, id},
                     {u"deliverable"_qs, deliverable},
                     {u"commit"_qs, commit},
                     {u"tag"_qs, tag},
                     {u"createdAt"_qs, createdAt}};
    if (airDate)
        ship.insert(u"airDate"_qs, *airDate);
    return ship;
}
