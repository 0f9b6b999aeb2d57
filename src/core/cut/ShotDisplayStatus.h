#pragma once

#include <QColor>
#include <QString>

// What a shot card shows about the shot's renders.
enum class ShotDisplayStatus { Unrendered, Proxy, Pinned };

namespace ShotDisplayStatuses {

QString label(ShotDisplayStatus status); // "Unrendered", "Proxy", "Pinned"
QColor colour(ShotDisplayStatus status); // gray, green, orange

} // namespace ShotDisplayStatuses
