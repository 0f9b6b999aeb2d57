#pragma once

#include <QList>
#include <QString>

#include "core/project/ProjectFile.h"
#include "core/project/ProjectTree.h"

// Project files as the agent tests build them: plain files (no display name, no children) and
// the index the agent reads them from.
namespace AgentTestFiles {

inline ProjectFile file(const QString &path, const QString &contents, bool binary = false)
{
    return ProjectFile(path, std::nullopt, contents, {}, std::nullopt, binary);
}

inline FileIndex index(const QList<ProjectFile> &files)
{
    FileIndex index;
    for (const ProjectFile &f : files)
        index.insert(f.path, f);
    return index;
}

} // namespace AgentTestFiles
