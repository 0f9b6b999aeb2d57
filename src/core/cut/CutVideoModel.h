#pragma once

#include <array>
#include <optional>

#include <QString>

// The video model a deliverable renders with by default (`defaults: video_model:` in the outline).
enum class CutVideoModel { Seedance25, MinimaxH3 };

namespace CutVideoModels {

// In the order the picker offers them.
inline constexpr std::array<CutVideoModel, 2> allCases{CutVideoModel::Seedance25,
                                                       CutVideoModel::MinimaxH3};

// The value written to the outline: "seedance-2.5", "minimax-h3".
QString rawValue(CutVideoModel model);
inline QString id(CutVideoModel model)
{
    return rawValue(model);
}
// Exact and case-sensitive.
std::optional<CutVideoModel> fromRawValue(const QString &rawValue);
QString displayName(CutVideoModel model);

// What the picker shows for the outline's value: MiniMax H3 unless the value names another model
// exactly.
CutVideoModel fromOutline(const std::optional<QString> &rawValue);

// The render service names models by catalogue id ("fal/minimax/h3"); unknown ids are shown as
// they are.
QString displayNameForCatalogId(const QString &catalogId);

} // namespace CutVideoModels
