#pragma once

#include <array>
#include <optional>

#include <QString>

// The kind of production a project is; its raw value is the manifest's `type` and what the
// service is told.
enum class ProjectType { Series, Film, Campaign };

namespace ProjectTypes {

// In the order the new-project sheet offers them.
inline constexpr std::array<ProjectType, 3> allCases{ProjectType::Series, ProjectType::Film,
                                                     ProjectType::Campaign};

// Exact and case-sensitive: "Series" or " series" is no type.
std::optional<ProjectType> fromRawValue(const QString &rawValue);
QString rawValue(ProjectType type);
inline QString id(ProjectType type)
{
    return rawValue(type);
}
QString label(ProjectType type);
QString description(ProjectType type);

// Sidebar section headings; the same for every type.
QString sourcesHeading(ProjectType type);
QString bibleHeading(ProjectType type);
QString charactersHeading(ProjectType type);
QString locationsHeading(ProjectType type);
QString deliverablesHeading(ProjectType type);
QString rulesHeading(ProjectType type);
QString skillsHeading(ProjectType type);

} // namespace ProjectTypes
