#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

class QJsonObject;

// The service's price estimate for rendering a deliverable.
struct CutDryRun {
    qint64 nodeCount = 0;
    QString resolution;
    QList<QString> dirtyNodeIds;
    qint64 dirtyCount = 0;
    double estimatedCostUsd = 0;

    // Strict: throws DecodingError for a missing key or a value of the wrong type (a fraction
    // where a count belongs included).
    static CutDryRun fromJson(const QJsonObject &object);
    QJsonObject toJson() const;

    bool operator==(const CutDryRun &) const = default;
};

size_t qHash(const CutDryRun &value, size_t seed = 0);
