#pragma once

#include <optional>

#include <QJsonObject>
#include <QString>
#include <QtGlobal>

// Proxy render prices. A shot costs its duration in whole seconds (at least one second: a shot
// without a duration still renders a clip) times its model's price per second:
//
//   fal/minimax/h3              $0.05 per second
//   fal/bytedance/seedance-2.5  $0.08 per second
//
// All proxy renders are 720p.
namespace CutPricing {

inline constexpr auto resolution = "720p";

double usdPerSecond(const QString &catalogModel);
double shotCost(qint64 durationSeconds, const QString &catalogModel);

// The answer of a cut-graph dry run for an outline and an optional lock text: every shot of the
// outline is a node; a node is dirty when its current input hash is not pinned in the lock.
// Dirty ids keep outline order.
QJsonObject dryRun(const QString &shotsText, const std::optional<QString> &lockText);

} // namespace CutPricing
