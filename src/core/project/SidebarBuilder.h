#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "core/project/DeliverableRef.h"
#include "core/project/ProjectFile.h"
#include "core/project/ProjectType.h"
#include "core/project/SidebarSection.h"

// Builds the seven sidebar sections of a project and orders its deliverables.
namespace SidebarBuilder {

// Project, Bible, Characters, Locations, Deliverables, Rules, Skills; all present even when
// empty. The scorecard, when there is one, goes last in the Project section.
QList<SidebarSection>
sections(ProjectType type, const QList<ProjectFile> &sources, const QList<ProjectFile> &bible,
         const QList<ProjectFile> &characters, const QList<ProjectFile> &locations,
         const QList<DeliverableRef> &deliverables, const QList<ProjectFile> &rules,
         const QList<ProjectFile> &skills, const std::optional<ProjectFile> &scorecard);

// The one Deliverables section: each deliverable as a group node "deliverables/<slug>",
// in deliverable order. The type does not change the result.
QList<SidebarSection> groupDeliverables(ProjectType type, QList<DeliverableRef> deliverables);

// opening 0, recap 1, episode 2, credits 3, any other kind 4 (exact, case-sensitive).
int seasonRank(const QString &kind);

// "S1E2:", "E3:", "S2:" or nothing.
std::optional<QString> ordinalPrefix(const DeliverableRef &deliverable);

// The deliverable order: seasoned before unseasoned; then season, kind rank and episode
// number; then kind text and slug in code-point order. A strict weak order.
bool comesBefore(const DeliverableRef &a, const DeliverableRef &b);

} // namespace SidebarBuilder
