#pragma once

#include <optional>

#include <QHash>
#include <QList>
#include <QString>

#include "core/project/ProjectTree.h"
#include "core/project/ProjectType.h"
#include "core/project/SidebarSection.h"

// Everything the loader read from a clone, as the project session takes it over. The texts in
// `sections`, `files` and `loadedContents` are the same shared QStrings, not copies.
struct LoadedProject {
    QString title;
    ProjectType type = ProjectType::Series;
    QString org;
    QString slug;
    QList<SidebarSection> sections;
    FileIndex files;
    // Every node of `files` that is not a group, path to text (binary files map to "").
    QHash<QString, QString> loadedContents;
    // The first "…script.fountain" of the deliverables in manifest order, if any.
    std::optional<QString> openingTab;
    // The clone folder the project was read from, as given to the loader.
    QString localURL;
};
