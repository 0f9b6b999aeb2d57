#pragma once

#include <QString>

#include "core/project/LoadedProject.h"

class ProjectSession;
class QObject;

// Opens a project window's session from a local clone: what `ProjectLoader::read` gives, as a live
// session with its clone folder set and the project's saved chats restored.
namespace ProjectLoader {

// Throws GitError when slatebox.yaml cannot be read or has no valid type. The session is a
// child of `parent`; with no parent the caller owns it.
ProjectSession *load(const QString &root, const QString &org, const QString &slug,
                     QObject *parent = nullptr);

// The session of a project already read; `project.localURL` becomes its clone folder.
ProjectSession *fromLoaded(LoadedProject project, QObject *parent = nullptr);

} // namespace ProjectLoader
