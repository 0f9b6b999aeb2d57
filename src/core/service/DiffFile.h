#pragma once

#include <QString>
#include <QtGlobal>

class QJsonObject;

// One changed file of a recent commit, with its line counts; binary files count 0 and 0.
struct DiffFile {
    QString path;
    qint64 added = 0;
    qint64 removed = 0;

    // Keys "path", "added", "removed". Reading is lenient: a missing or mistyped key keeps its
    // default, so a damaged entry reads as an empty one instead of failing the whole body.
    QJsonObject toJson() const;
    static DiffFile fromJson(const QJsonObject &object);

    bool operator==(const DiffFile &) const = default;
};
