#pragma once

#include <QString>

// The user's freedesktop Trash.
namespace Trash {

// Moves a file or folder (a symbolic link itself, not its target) to the Trash. Throws
// GitError when the item could not be trashed; the item is then where it was, never deleted.
void moveToTrash(const QString &absolutePath);

} // namespace Trash
