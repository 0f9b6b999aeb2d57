#pragma once

#include <optional>

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "core/project/ProjectFile.h"
#include "core/project/SidebarSection.h"

// Every node of a project's sections, groups included, keyed by path.
using FileIndex = QHash<QString, ProjectFile>;

// The project tree's index and the operations that keep the sidebar sections in step with
// files created, deleted or a changed manifest, without reading the disk again.
namespace ProjectTree {

// Walks the sections in order, each node before its children; a path met later wins.
FileIndex index(const QList<SidebarSection> &sections);

// The slug of the deliverable that `path` lies in (its folder included), or nothing.
std::optional<QString> deliverableSlug(QStringView path);
// True exactly for "deliverables/<slug>" itself.
bool isDeliverableFolder(QStringView path);

// Adds a new node to the section its path belongs to; paths no section covers are dropped.
void insertIntoSidebar(QList<SidebarSection> &sections, const ProjectFile &file);
void appendToSection(QList<SidebarSection> &sections, const QString &id, const QString &title,
                     const ProjectFile &file);
void appendToGroupedSection(QList<SidebarSection> &sections, const QString &id,
                            const QString &title, const ProjectFile &file);
// Places `file` inside the nested groups named by `groupPaths` (outermost first), creating the
// missing groups; `items` is re-sorted by path only where something was appended to it.
void insert(const ProjectFile &file, QStringList groupPaths, QList<ProjectFile> &items);

// Removes every node with exactly this path, at any depth, in every section.
void removeFromSidebar(QList<SidebarSection> &sections, const QString &path);

// Rebuilds the Deliverables section from the manifest text and the files held in `files`.
// Returns false, leaving the sections as they are, when there is no parsable manifest or no
// Deliverables section.
bool rebuildDeliverablesSection(QList<SidebarSection> &sections, const FileIndex &files);

// A stable sort of nodes by path in code-point order.
void sortByPath(QList<ProjectFile> &files);

} // namespace ProjectTree
