#include "CutPricing.h"

#include <algorithm>
#include <cmath>

#include <QJsonArray>

#include "RenderInputHash.h"
#include "core/cut/ShotsOutline.h"
#include "core/project/LockFile.h"

namespace CutPricing {

double usdPerSecond(const QString &catalogModel)
{
    return catalogModel == QStringLiteral("fal/bytedance/seedance-2.5") ? 0.08 : 0.05;
}

double shotCost(qint64 durationSeconds, const QString &catalogModel)
{
    const qint64 seconds = std::max<qint64>(durationSeconds, 1);
    // Whole cents, so sums of many shots do not drift into long binary fractions.
    return std::round(double(seconds) * usdPerSecond(catalogModel) * 100.0) / 100.0;
}

QJsonObject dryRun(const QString &shotsText, const std::optional<QString> &lockText)
{
    const LockPins pins = lockText ? LockFile::pins(*lockText) : LockPins{};
    const QString model = RenderInputHash::catalogModel(shotsText);
    qint64 nodeCount = 0;
    double cents = 0;
    QJsonArray dirty;
    for (const CutScene &scene : ShotsOutline::parse(shotsText)) {
        for (const CutShot &shot : scene.shots) {
            ++nodeCount;
            const std::optional<QString> hash = RenderInputHash::of(shotsText, shot.id);
            if (hash && pins.contains(*hash))
                continue;
            dirty.append(shot.id);
            cents += std::round(shotCost(shot.duration, model) * 100.0);
        }
    }
    return QJsonObject{{QStringLiteral("nodeCount"), nodeCount},
                       {QStringLiteral("resolution"), QString::fromLatin1(resolution)},
                       {QStringLiteral("dirtyNodeIds"), dirty},
                       {QStringLiteral("dirtyCount"), qint64(dirty.size())},
                       {QStringLiteral("estimatedCostUsd"), cents / 100.0}};
}

} // namespace CutPricing
