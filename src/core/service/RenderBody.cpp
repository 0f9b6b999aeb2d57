#include "core/service/RenderBody.h"

#include <QJsonObject>

#include "core/service/JsonFields.h"

namespace {

QJsonObject stringMap(const QMap<QString, QString> &map)
{
    QJsonObject object;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        object.insert(it.key(), it.value());
    return object;
}

} // namespace

QJsonObject RenderBody::toJson() const
{
    QJsonObject object{{u"org"_qs, org},
                       {u"slug"_qs, slug},
                       {u"deliverable"_qs, deliverable},
                       {u"shots"_qs, shots},
                       {u"shotId"_qs, shotId},
                       {u"appearance"_qs, stringMap(appearance)},
                       {u"voice"_qs, stringMap(voice)},
                       {u"location"_qs, stringMap(location)}};
    JsonFields::insertOptional(object, u"lock"_qs, lock);
    JsonFields::insertOptional(object, u"manifest"_qs, manifest);
    return object;
}
