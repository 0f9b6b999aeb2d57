#pragma once

#include <optional>

#include <QMap>
#include <QString>

class QJsonObject;

// The request of `createRender`: the deliverable's texts the service renders a shot from.
struct RenderBody {
    QString org;
    QString slug;
    QString deliverable;
    QString shots;
    QString shotId;
    std::optional<QString> lock;
    QMap<QString, QString> appearance;
    QMap<QString, QString> voice;
    QMap<QString, QString> location;
    std::optional<QString> manifest;

    // Absent optionals are left out; the three maps are always sent, empty or not.
    QJsonObject toJson() const;

    bool operator==(const RenderBody &) const = default;
};
