#include "core/service/DiffCommit.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

QJsonObject DiffCommit::toJson() const
{
    QJsonArray fileArray;
    for (const DiffFile &file : files)
        fileArray.append(file.toJson());
    return QJsonObject{{QStringLiteral("when"), when},
                       {QStringLiteral("message"), message},
                       {QStringLiteral("files"), fileArray}};
}

DiffCommit DiffCommit::fromJson(const QJsonObject &object)
{
    DiffCommit commit;
    commit.when = object.value(QStringLiteral("when")).toString();
    commit.message = object.value(QStringLiteral("message")).toString();
    const QJsonArray fileArray = object.value(QStringLiteral("files")).toArray();
    for (const QJsonValue &value : fileArray)
        commit.files.append(DiffFile::fromJson(value.toObject()));
    return commit;
}
