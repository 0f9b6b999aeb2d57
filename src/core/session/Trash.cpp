#include "core/session/Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "core/git/GitError.h"

namespace Trash {

namespace {

// A trashed item lives in "<trash>/files/<name>", where <trash> is the home trash
// ("$XDG_DATA_HOME/Trash") or a volume's ".Trash/<uid>" or ".Trash-<uid>".
bool isInATrash(const QString &pathInTrash)
{
    const QFileInfo trashed(pathInTrash);
    if (pathInTrash.isEmpty() || trashed.isRelative())
        return false;
    const QDir files = trashed.dir();
    if (files.dirName() != u"files")
        return false;
    const QString trash = QFileInfo(files.absolutePath()).dir().absolutePath();
    const QString trashName = QFileInfo(trash).fileName();
    const QString parentName = QFileInfo(QFileInfo(trash).absolutePath()).fileName();
    return trashName == u"Trash" || trashName.startsWith(u".Trash-") || parentName == u".Trash";
}

GitError refused(const QString &absolutePath, const QString &reason)
{
    return GitError(u'"' + QFileInfo(absolutePath).fileName() +
                    QStringLiteral("\" could not be moved to the Trash: ") + reason);
}

} // namespace

void moveToTrash(const QString &absolutePath)
{
    // Without the data folder, Qt reports success yet moves the item into "files/" below the
    // current directory; the home trash must have somewhere to live first.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome))
        throw refused(absolutePath, QStringLiteral("the Trash folder cannot be created."));

    QFile item(absolutePath);
    if (!item.moveToTrash())
        throw refused(absolutePath, item.errorString());
    // On success the file name is the item's new place.
    const QString pathInTrash = item.fileName();
    if (isInATrash(pathInTrash))
        return;

    // It went somewhere that is no Trash: put it back where the user left it.
    const QString landed = QFileInfo(pathInTrash).absoluteFilePath();
    QDir().rename(landed, absolutePath);
    throw refused(absolutePath, QStringLiteral("the Trash is not available."));
}

} // namespace Trash
