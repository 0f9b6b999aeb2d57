#include "core/project/SidebarBuilder.h"

#include <algorithm>

#include "core/project/CodePointOrder.h"
#include "core/project/ProjectTree.h"

namespace SidebarBuilder {

namespace {

SidebarSection section(const QString &id, const QString &title, QList<ProjectFile> items)
{
    return SidebarSection{id, title, std::move(items)};
}

ProjectFile groupNode(const DeliverableRef &deliverable)
{
    return ProjectFile(QStringLiteral("deliverables/") + deliverable.slug, deliverable.title,
                       QString(), deliverable.files, ordinalPrefix(deliverable), false);
}

} // namespace

QList<SidebarSection>
sections(ProjectType type, const QList<ProjectFile> &sources, const QList<ProjectFile> &bible,
         const QList<ProjectFile> &characters, const QList<ProjectFile> &locations,
         const QList<DeliverableRef> &deliverables, const QList<ProjectFile> &rules,
         const QList<ProjectFile> &skills, const std::optional<ProjectFile> &scorecard)
{
    QList<ProjectFile> projectItems = sources;
    if (scorecard)
        projectItems.append(*scorecard);

    QList<SidebarSection> result;
    result.reserve(7);
    result.append(section(QStringLiteral("sources"), ProjectTypes::sourcesHeading(type),
                          std::move(projectItems)));
    result.append(section(QStringLiteral("bible"), ProjectTypes::bibleHeading(type), bible));
    result.append(
        section(QStringLiteral("characters"), ProjectTypes::charactersHeading(type), characters));
    result.append(
        section(QStringLiteral("locations"), ProjectTypes::locationsHeading(type), locations));
    result.append(groupDeliverables(type, deliverables));
    result.append(section(QStringLiteral("rules"), ProjectTypes::rulesHeading(type), rules));
    result.append(section(QStringLiteral("skills"), ProjectTypes::skillsHeading(type), skills));
    return result;
}

QList<SidebarSection> groupDeliverables(ProjectType type, QList<DeliverableRef> deliverables)
{
    std::stable_sort(deliverables.begin(), deliverables.end(), comesBefore);
    QList<ProjectFile> items;
    items.reserve(deliverables.size());
    for (const DeliverableRef &deliverable : std::as_const(deliverables))
        items.append(groupNode(deliverable));
    return {section(QStringLiteral("deliverables"), ProjectTypes::deliverablesHeading(type),
                    std::move(items))};
}

int seasonRank(const QString &kind)
{
    if (kind == u"opening")
        return 0;
    if (kind == u"recap")
        return 1;
    if (kind == u"episode")
        return 2;
    if (kind == u"credits")
        return 3;
    return 4;
}

std::optional<QString> ordinalPrefix(const DeliverableRef &deliverable)
{
    if (deliverable.kind == u"episode" && deliverable.number) {
        const QString number = QString::number(*deliverable.number);
        if (deliverable.season)
            return u'S' + QString::number(*deliverable.season) + u'E' + number + u':';
        return u'E' + number + u':';
    }
    if (deliverable.season && seasonRank(deliverable.kind) < 4)
        return u'S' + QString::number(*deliverable.season) + u':';
    return std::nullopt;
}

bool comesBefore(const DeliverableRef &a, const DeliverableRef &b)
{
    if (a.season.has_value() != b.season.has_value())
        return a.season.has_value();
    if (a.season && b.season) {
        if (*a.season != *b.season)
            return *a.season < *b.season;
        const int rankA = seasonRank(a.kind);
        const int rankB = seasonRank(b.kind);
        if (rankA != rankB)
            return rankA < rankB;
        if (a.kind == u"episode" && b.kind == u"episode") {
            const qint64 numberA = a.number.value_or(0);
            const qint64 numberB = b.number.value_or(0);
            if (numberA != numberB)
                return numberA < numberB;
        }
    }
    if (a.kind != b.kind)
        return CodePointOrder::less(a.kind, b.kind);
    return CodePointOrder::less(a.slug, b.slug);
}

} // namespace SidebarBuilder
