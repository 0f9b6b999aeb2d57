#include "core/cut/ShotDisplayStatus.h"

namespace ShotDisplayStatuses {

QString label(ShotDisplayStatus status)
{
    switch (status) {
    case ShotDisplayStatus::Unrendered:
        return QStringLiteral("Unrendered");
    case ShotDisplayStatus::Proxy:
        return QStringLiteral("Proxy");
    case ShotDisplayStatus::Pinned:
        return QStringLiteral("Pinned");
    }
    return {};
}

QColor colour(ShotDisplayStatus status)
{
    // The system gray, green and orange: they read on both light and dark grounds.
    switch (status) {
    case ShotDisplayStatus::Unrendered:
        return QColor(142, 142, 147);
    case ShotDisplayStatus::Proxy:
        return QColor(52, 199, 89);
    case ShotDisplayStatus::Pinned:
        return QColor(255, 149, 0);
    }
    return {};
}

} // namespace ShotDisplayStatuses
