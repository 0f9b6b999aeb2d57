#include "core/session/CloneWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "core/git/GitError.h"
#include "core/session/ClonePath.h"

namespace CloneWriter {

Outcome write(const QString &root, const QString &path, const QString &text)
{
    const std::optional<QString> target = ClonePath::resolve(root, path);
    if (!target)
        return Outcome::Refused;

    const QString folder = QFileInfo(*target).absolutePath();
    if (!QDir().mkpath(folder))
        throw GitError(u"Could not create the folder for "_qs + path);

    QSaveFile file(*target);
    if (!file.open(QIODevice::WriteOnly))
        throw GitError(u"Could not write "_qs + path + u": "_qs + file.errorString());
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw GitError(u"Could not write "_qs + path + u": "_qs + file.errorString());
    return Outcome::Written;
}

} // namespace CloneWriter
