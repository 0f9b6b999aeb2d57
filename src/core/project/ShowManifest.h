#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "core/project/ProjectType.h"

// The parsed `slatebox.yaml`: the project's type, title and deliverables in file order.
struct ShowManifest {
    // One deliverable of the manifest.
    struct Entry {
        QString slug;
        QString kind = QStringLiteral("custom");
        QString title;
        std::optional<qint64> season;
        std::optional<qint64> number;
        std::optional<QString> status;
        std::optional<QString> airDate;

        bool operator==(const Entry &) const = default;
    };

    ProjectType type = ProjectType::Series;
    QString title = QStringLiteral("Untitled");
    QList<Entry> deliverables;

    bool operator==(const ShowManifest &) const = default;
};
