#include "core/service/Namespace.h"

#include <QHash>
#include <QJsonObject>

#include "core/service/JsonFields.h"

Namespace Namespace::fromJson(const QJsonObject &object)
{
    return {JsonFields::requireString(object, u"slug"),
            JsonFields::requireBool(object, u"personal"),
            JsonFields::optionalString(object, u"name")};
}

QJsonObject Namespace::toJson() const
{
    QJsonObject object{{u"slug"_qs, slug}, {u"personal"_qs, personal}};
    JsonFields::insertOptional(object, u"name"_qs, name);
    return object;
}

size_t qHash(const Namespace &value, size_t seed)
{
    return qHashMulti(seed, value.slug, value.personal, value.name.has_value(),
                      value.name.value_or(QString()));
}
