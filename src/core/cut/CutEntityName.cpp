#include "core/cut/CutEntityName.h"

#include <QStringList>

namespace {

// The project's display-name rule for a folder or file stem: hyphens separate words, each word
// gets one leading capital. Kept here so the cut model stands without the project loader.
QString displayName(const QString &name)
{
    QStringList words = name.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    for (QString &word : words)
        word = word.left(1).toUpper() + word.mid(1).toLower();
    return words.join(QLatin1Char(' '));
}

} // namespace

QString cutEntityName(const QString &ref)
{
    const QStringList pieces = ref.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? QString() : displayName(pieces.constLast());
}
