#include "core/project/ProjectType.h"

namespace ProjectTypes {

std::optional<ProjectType> fromRawValue(const QString &rawValue)
{
    for (const ProjectType type : allCases) {
        if (ProjectTypes::rawValue(type) == rawValue)
            return type;
    }
    return std::nullopt;
}

QString rawValue(ProjectType type)
{
    switch (type) {
    case ProjectType::Series:
        return QStringLiteral("series");
    case ProjectType::Film:
        return QStringLiteral("film");
    case ProjectType::Campaign:
        return QStringLiteral("campaign");
    }
    return {};
}

QString label(ProjectType type)
{
    const QString raw = rawValue(type);
    return raw.left(1).toUpper() + raw.mid(1);
}

QString description(ProjectType type)
{
    switch (type) {
    case ProjectType::Series:
        return QStringLiteral(
            "Episodic — TV shows and anything with seasons. Starts with a pilot episode.");
    case ProjectType::Film:
        return QStringLiteral("A single feature or short. Starts with one feature deliverable.");
    case ProjectType::Campaign:
        return QStringLiteral("Commercial work — ad spots and promos for a brand or launch. "
                              "Starts with one spot.");
    }
    return {};
}

QString sourcesHeading(ProjectType)
{
    return QStringLiteral("Project");
}

QString bibleHeading(ProjectType)
{
    return QStringLiteral("Bible");
}

QString charactersHeading(ProjectType)
{
    return QStringLiteral("Characters");
}

QString locationsHeading(ProjectType)
{
    return QStringLiteral("Locations");
}

QString deliverablesHeading(ProjectType)
{
    return QStringLiteral("Deliverables");
}

QString rulesHeading(ProjectType)
{
    return QStringLiteral("Rules");
}

QString skillsHeading(ProjectType)
{
    return QStringLiteral("Skills");
}

} // namespace ProjectTypes
