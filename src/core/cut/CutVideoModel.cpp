#include "core/cut/CutVideoModel.h"

namespace CutVideoModels {

QString rawValue(CutVideoModel model)
{
    switch (model) {
    case CutVideoModel::Seedance25:
        return QStringLiteral("seedance-2.5");
    case CutVideoModel::MinimaxH3:
        return QStringLiteral("minimax-h3");
    }
    return {};
}

std::optional<CutVideoModel> fromRawValue(const QString &rawValue)
{
    for (CutVideoModel model : allCases) {
        if (CutVideoModels::rawValue(model) == rawValue)
            return model;
    }
    return std::nullopt;
}

QString displayName(CutVideoModel model)
{
    switch (model) {
    case CutVideoModel::Seedance25:
        return QStringLiteral("Seedance 2.5");
    case CutVideoModel::MinimaxH3:
        return QStringLiteral("MiniMax H3");
    }
    return {};
}

CutVideoModel fromOutline(const std::optional<QString> &rawValue)
{
    const auto model = rawValue ? fromRawValue(*rawValue) : std::nullopt;
    return model.value_or(CutVideoModel::MinimaxH3);
}

QString displayNameForCatalogId(const QString &catalogId)
{
    if (catalogId == QLatin1String("fal/minimax/h3"))
        return displayName(CutVideoModel::MinimaxH3);
    if (catalogId == QLatin1String("fal/bytedance/seedance-2.5"))
        return displayName(CutVideoModel::Seedance25);
    return catalogId;
}

} // namespace CutVideoModels
