#include "core/cut/CutCamera.h"

#include <QHash>
#include <QStringList>

#include "core/cut/CutEntityName.h"

std::optional<QString> CutCamera::label() const
{
    QStringList parts;
    for (const auto *value : {&framing, &angle, &movement}) {
        if (*value)
            parts << **value;
    }
    if (subject)
        parts << QStringLiteral("on ") + cutEntityName(*subject);
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(QStringLiteral(" · "));
}

size_t qHash(const CutCamera &camera, size_t seed)
{
    for (const auto *value : {&camera.framing, &camera.angle, &camera.movement, &camera.subject})
        seed = qHashMulti(seed, value->has_value(), value->value_or(QString()));
    return seed;
}
