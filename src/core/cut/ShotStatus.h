#pragma once

#include <optional>

#include <QList>
#include <QMap>
#include <QString>

#include "core/cut/ShotDisplayStatus.h"
#include "core/service/Take.h"

// How one shot's takes and the project's pins decide what the shot shows. `pins` maps an input
// hash to the content address locked for it, as read from the lock file.
namespace ShotStatus {

// The take has an output and the lock file pins exactly that output for the take's inputs.
bool isPinnedTake(const Take &take, const QMap<QString, QString> &pins);

// The pinned take among the succeeded ones, else the first succeeded one, in the service's order.
std::optional<Take> displayTake(const QList<Take> &takes, const QMap<QString, QString> &pins);

ShotDisplayStatus cardStatus(const QList<Take> &takes, const QMap<QString, QString> &pins);

} // namespace ShotStatus
