#include "core/session/ClonePath.h"

#include <QFileInfo>
#include <QStringList>

namespace ClonePath {

namespace {

bool isInside(const QString &canonical, const QString &canonicalRoot)
{
    if (canonicalRoot == u"/")
        return true;
    return canonical == canonicalRoot ||
           (canonical.startsWith(canonicalRoot) && canonical.at(canonicalRoot.size()) == u'/');
}

bool isInsideRepository(const QString &canonical, const QString &canonicalRoot)
{
    const QString git =
        canonicalRoot == u"/" ? QStringLiteral("/.git") : canonicalRoot + QStringLiteral("/.git");
    return canonical.compare(git, Qt::CaseInsensitive) == 0 ||
           canonical.startsWith(git + u'/', Qt::CaseInsensitive);
}

} // namespace

bool isClean(QStringView relative)
{
    if (relative.isEmpty() || relative.contains(u'\\') || relative.contains(QChar(u'\0')))
        return false;
    for (QStringView piece : relative.split(u'/')) {
        if (piece.isEmpty() || piece == u"." || piece == u".." ||
            piece.compare(u".git", Qt::CaseInsensitive) == 0)
            return false;
    }
    return true;
}

std::optional<QString> resolve(const QString &root, const QString &relative)
{
    if (!isClean(relative) || root.isEmpty())
        return std::nullopt;
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    if (canonicalRoot.isEmpty())
        return std::nullopt;

    // Walk down from the root to the deepest component that exists; where that really is on
    // disk decides, so links inside links are covered. Links that stay inside the clone are
    // accepted, like the loader accepts them. A dangling link is refused: writing through it
    // would create its target wherever it points.
    QString current = root;
    QString deepestExisting = root;
    for (QStringView piece : QStringView(relative).split(u'/')) {
        current += u'/' + piece.toString();
        const QFileInfo info(current);
        if (info.exists()) {
            deepestExisting = current;
            continue;
        }
        if (info.isSymLink())
            return std::nullopt;
        break;
    }
    const QString canonical = QFileInfo(deepestExisting).canonicalFilePath();
    if (canonical.isEmpty() || !isInside(canonical, canonicalRoot) ||
        isInsideRepository(canonical, canonicalRoot))
        return std::nullopt;
    return root + u'/' + relative;
}

} // namespace ClonePath
