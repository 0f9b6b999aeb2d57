#include "core/cut/CutBeat.h"

#include <QHash>
#include <QStringList>

#include "core/cut/CutEntityName.h"

QString CutBeat::label() const
{
    QStringList parts;
    if (at)
        parts << QStringLiteral("at ") + QString::number(*at) + QStringLiteral("s:");
    if (action)
        parts << *action;
    if (line) {
        const QString speaker = character ? cutEntityName(*character) : QString();
        const QString offscreenMark = offscreen ? QStringLiteral(" (O.S.)") : QString();
        parts << speaker + offscreenMark + QStringLiteral(": “") + *line + QStringLiteral("”");
    }
    return parts.join(QLatin1Char(' '));
}

size_t qHash(const CutBeat &beat, size_t seed)
{
    seed = qHashMulti(seed, beat.at.has_value(), beat.at.value_or(0), beat.offscreen);
    for (const auto *value : {&beat.action, &beat.character, &beat.line})
        seed = qHashMulti(seed, value->has_value(), value->value_or(QString()));
    return seed;
}
