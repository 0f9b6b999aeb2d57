#pragma once

#include <QList>
#include <QString>

#include "core/project/ProjectFile.h"

// One titled section of the sidebar ("sources", "bible", ..., "skills").
struct SidebarSection {
    QString id;
    QString title;
    QList<ProjectFile> items;

    bool operator==(const SidebarSection &) const = default;
};

size_t qHash(const SidebarSection &section, size_t seed = 0);
