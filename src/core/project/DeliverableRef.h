#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "core/project/ProjectFile.h"

// One deliverable of the manifest with every file of its folder, flat and sorted by path.
struct DeliverableRef {
    QString slug;
    QString kind;
    QString title;
    std::optional<qint64> season;
    std::optional<qint64> number;
    QList<ProjectFile> files;

    const QString &id() const { return slug; }
    bool operator==(const DeliverableRef &) const = default;
};

size_t qHash(const DeliverableRef &deliverable, size_t seed = 0);
