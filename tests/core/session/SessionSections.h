#pragma once

#include <QString>
#include <QStringList>

#include "core/session/ProjectSession.h"

// What a session's sidebar shows, in the terms the tests compare.
namespace SessionSections {

// The paths of the items of the section `id`, in sidebar order; empty when there is no such
// section.
inline QStringList paths(const ProjectSession &session, const QString &id)
{
    QStringList result;
    for (const SidebarSection &section : session.sections()) {
        if (section.id != id)
            continue;
        for (const ProjectFile &item : section.items)
            result.append(item.path);
    }
    return result;
}

} // namespace SessionSections
