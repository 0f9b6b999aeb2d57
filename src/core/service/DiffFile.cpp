#include "core/service/DiffFile.h"

#include <QJsonObject>
#include <QJsonValue>

QJsonObject DiffFile::toJson() const
{
    return QJsonObject{{QStringLiteral("path"), path},
                       {QStringLiteral("added"), added},
                       {QStringLiteral("removed"), removed}};
}

DiffFile DiffFile::fromJson(const QJsonObject &object)
{
    DiffFile file;
    file.path = object.value(QStringLiteral("path")).toString();
    file.added = object.value(QStringLiteral("added")).toInteger();
    file.removed = object.value(QStringLiteral("removed")).toInteger();
    return file;
}
