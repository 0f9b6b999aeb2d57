#include "core/cut/ShotStatus.h"

namespace ShotStatus {

bool isPinnedTake(const Take &take, const QMap<QString, QString> &pins)
{
    if (!take.outputCas)
        return false;
    const auto pin = pins.constFind(take.inputHash);
    return pin != pins.cend() && *pin == *take.outputCas;
}

std::optional<Take> displayTake(const QList<Take> &takes, const QMap<QString, QString> &pins)
{
    const Take *firstSucceeded = nullptr;
    for (const Take &take : takes) {
        if (take.status != QLatin1String("succeeded"))
            continue;
        if (isPinnedTake(take, pins))
            return take;
        if (!firstSucceeded)
            firstSucceeded = &take;
    }
    if (!firstSucceeded)
        return std::nullopt;
    return *firstSucceeded;
}

ShotDisplayStatus cardStatus(const QList<Take> &takes, const QMap<QString, QString> &pins)
{
    const std::optional<Take> take = displayTake(takes, pins);
    if (!take)
        return ShotDisplayStatus::Unrendered;
    return isPinnedTake(*take, pins) ? ShotDisplayStatus::Pinned : ShotDisplayStatus::Proxy;
}

} // namespace ShotStatus
