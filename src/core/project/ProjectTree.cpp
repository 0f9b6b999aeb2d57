#include "core/project/ProjectTree.h"

#include <algorithm>

#include <QMap>
#include <QSet>

#include "core/git/GitError.h"
#include "core/project/CodePointOrder.h"
#include "core/project/DeliverableRef.h"
#include "core/project/ProjectLoader.h"
#include "core/project/ShowYaml.h"
#include "core/project/SidebarBuilder.h"

namespace ProjectTree {

namespace {

void indexNode(const ProjectFile &node, FileIndex &index)
{
    index.insert(node.path, node);
    for (const ProjectFile &child : node.children)
        indexNode(child, index);
}

QList<QStringView> pieces(QStringView path)
{
    QList<QStringView> result;
    for (QStringView piece : path.tokenize(u'/', Qt::SkipEmptyParts))
        result.append(piece);
    return result;
}

SidebarSection *findSection(QList<SidebarSection> &sections, const QString &id)
{
    for (SidebarSection &section : sections) {
        if (section.id == id)
            return &section;
    }
    return nullptr;
}

void removeFrom(QList<ProjectFile> &items, const QString &path)
{
    items.removeIf([&](const ProjectFile &item) { return item.path == path; });
    for (ProjectFile &item : items)
        removeFrom(item.children, path);
}

} // namespace

FileIndex index(const QList<SidebarSection> &sections)
{
    FileIndex result;
    for (const SidebarSection &section : sections) {
        for (const ProjectFile &item : section.items)
            indexNode(item, result);
    }
    return result;
}

std::optional<QString> deliverableSlug(QStringView path)
{
    const QList<QStringView> parts = pieces(path);
    if (parts.size() >= 2 && parts.first() == u"deliverables")
        return parts.at(1).toString();
    return std::nullopt;
}

bool isDeliverableFolder(QStringView path)
{
    const QList<QStringView> parts = pieces(path);
    return parts.size() == 2 && parts.first() == u"deliverables";
}

void insertIntoSidebar(QList<SidebarSection> &sections, const ProjectFile &file)
{
    const QString &path = file.path;
    if (path.startsWith(u".slatebox/skills/"))
        appendToSection(sections, QStringLiteral("skills"), QStringLiteral("Skills"), file);
    else if (path.startsWith(u".slatebox/rules/"))
        appendToSection(sections, QStringLiteral("rules"), QStringLiteral("Rules"), file);
    else if (path == u".slatebox/scorecard.yaml")
        appendToSection(sections, QStringLiteral("sources"), QStringLiteral("Project"), file);
    else if (path.startsWith(u"bible/"))
        appendToSection(sections, QStringLiteral("bible"), QStringLiteral("Bible"), file);
    else if (path.startsWith(u"characters/"))
        appendToGroupedSection(sections, QStringLiteral("characters"), QStringLiteral("Characters"),
                               file);
    else if (path.startsWith(u"locations/"))
        appendToGroupedSection(sections, QStringLiteral("locations"), QStringLiteral("Locations"),
                               file);
    else if (path.startsWith(u"deliverables/"))
        appendToGroupedSection(sections, QStringLiteral("deliverables"),
                               QStringLiteral("Deliverables"), file);
    else if (!path.contains(u'/'))
        appendToSection(sections, QStringLiteral("sources"), QStringLiteral("Project"), file);
}

void appendToSection(QList<SidebarSection> &sections, const QString &id, const QString &title,
                     const ProjectFile &file)
{
    SidebarSection *section = findSection(sections, id);
    if (!section) {
        sections.append(SidebarSection{id, title, {file}});
        return;
    }
    section->items.append(file);
    sortByPath(section->items);
}

void appendToGroupedSection(QList<SidebarSection> &sections, const QString &id,
                            const QString &title, const ProjectFile &file)
{
    const QList<QStringView> parts = pieces(file.path);
    if (parts.size() <= 2) {
        appendToSection(sections, id, title, file);
        return;
    }
    QStringList groupPaths;
    QString prefix = parts.first().toString();
    for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
        prefix += u'/' + parts.at(i);
        groupPaths.append(prefix);
    }
    SidebarSection *section = findSection(sections, id);
    if (!section) {
        sections.append(SidebarSection{id, title, {}});
        section = &sections.last();
    }
    insert(file, std::move(groupPaths), section->items);
}

void insert(const ProjectFile &file, QStringList groupPaths, QList<ProjectFile> &items)
{
    if (groupPaths.isEmpty()) {
        items.append(file);
        sortByPath(items);
        return;
    }
    const QString groupPath = groupPaths.takeFirst();
    for (ProjectFile &item : items) {
        if (item.path == groupPath) {
            insert(file, std::move(groupPaths), item.children);
            return;
        }
    }
    ProjectFile group(groupPath, ProjectLoader::displayName(groupPath.section(u'/', -1)));
    insert(file, std::move(groupPaths), group.children);
    items.append(std::move(group));
    sortByPath(items);
}

void removeFromSidebar(QList<SidebarSection> &sections, const QString &path)
{
    for (SidebarSection &section : sections)
        removeFrom(section.items, path);
}

bool rebuildDeliverablesSection(QList<SidebarSection> &sections, const FileIndex &files)
{
    const auto manifestNode = files.constFind(QStringLiteral("slatebox.yaml"));
    if (manifestNode == files.cend())
        return false;
    ShowManifest manifest;
    try {
        manifest = ShowYaml::parse(manifestNode->contents);
    } catch (const GitError &) {
        return false;
    }

    // Keyed by slug; QMap keeps the slugs sorted for the unlisted folders below.
    QMap<QString, QList<ProjectFile>> filesBySlug;
    for (const ProjectFile &node : files) {
        if (node.isGroup() || !node.path.startsWith(u"deliverables/"))
            continue;
        const QList<QStringView> parts = pieces(node.path);
        if (parts.size() > 2)
            filesBySlug[parts.at(1).toString()].append(node);
    }
    for (QList<ProjectFile> &slugFiles : filesBySlug)
        sortByPath(slugFiles);

    QList<DeliverableRef> deliverables;
    QSet<QString> listed;
    for (const ShowManifest::Entry &entry : std::as_const(manifest.deliverables)) {
        deliverables.append(DeliverableRef{entry.slug, entry.kind, entry.title, entry.season,
                                           entry.number, filesBySlug.value(entry.slug)});
        listed.insert(entry.slug);
    }
    QStringList unlisted;
    for (auto it = filesBySlug.cbegin(); it != filesBySlug.cend(); ++it) {
        if (!listed.contains(it.key()))
            unlisted.append(it.key());
    }
    std::sort(unlisted.begin(), unlisted.end(),
              [](const QString &a, const QString &b) { return CodePointOrder::less(a, b); });
    for (const QString &slug : std::as_const(unlisted))
        deliverables.append(DeliverableRef{slug, QStringLiteral("custom"), slug, std::nullopt,
                                           std::nullopt, filesBySlug.value(slug)});

    SidebarSection *section = findSection(sections, QStringLiteral("deliverables"));
    if (!section)
        return false;
    *section = SidebarBuilder::groupDeliverables(manifest.type, std::move(deliverables)).first();
    return true;
}

void sortByPath(QList<ProjectFile> &files)
{
    std::stable_sort(files.begin(), files.end(), [](const ProjectFile &a, const ProjectFile &b) {
        return CodePointOrder::less(a.path, b.path);
    });
}

} // namespace ProjectTree
