#include "core/cut/CutEntityName.h"

#include <QStringList>

#include "core/project/ProjectLoader.h"

QString cutEntityName(const QString &ref)
{
    const QStringList pieces = ref.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? QString() : ProjectLoader::displayName(pieces.constLast());
}
