#include "core/service/CutDryRun.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>

#include "core/service/JsonFields.h"

CutDryRun CutDryRun::fromJson(const QJsonObject &object)
{
    return {JsonFields::requireInteger(object, u"nodeCount"),
            JsonFields::requireString(object, u"resolution"),
            JsonFields::requireStrings(object, u"dirtyNodeIds"),
            JsonFields::requireInteger(object, u"dirtyCount"),
            JsonFields::requireDouble(object, u"estimatedCostUsd")};
}

QJsonObject CutDryRun::toJson() const
{
    return {{u"nodeCount"_qs, nodeCount},
            {u"resolution"_qs, resolution},
            {u"dirtyNodeIds"_qs, QJsonArray::fromStringList(dirtyNodeIds)},
            {u"dirtyCount"_qs, dirtyCount},
            {u"estimatedCostUsd"_qs, estimatedCostUsd}};
}

size_t qHash(const CutDryRun &value, size_t seed)
{
    return qHashMulti(seed, value.nodeCount, value.resolution, value.dirtyNodeIds, value.dirtyCount,
                      value.estimatedCostUsd);
}
