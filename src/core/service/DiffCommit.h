#pragma once

#include <QList>
#include <QString>

#include "core/service/DiffFile.h"

class QJsonObject;

// One commit of the recent history sent with an agent turn: its time as the git client formats
// it ("2026-03-01T09:30:00+01:00"), its summary line and its changed files (none for a merge).
struct DiffCommit {
    QString when;
    QString message;
    QList<DiffFile> files;

    // Keys "when", "message", "files"; reading is lenient like DiffFile's.
    QJsonObject toJson() const;
    static DiffCommit fromJson(const QJsonObject &object);

    bool operator==(const DiffCommit &) const = default;
};
