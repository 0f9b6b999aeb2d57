#pragma once

#include <optional>

#include <QJsonObject>
#include <QString>

// A recorded release of a deliverable; its JSON form is the client's `Ship`.
struct ShipRecord {
    QString id;
    QString org;
    QString slug;
    QString deliverable;
    QString commit;
    QString tag;
    std::optional<QString> airDate; // "yyyy-MM-dd"
    std::optional<QString> shots;   // the deliverable's shots.yaml as shipped
    std::optional<QString> lock;    // slatebox.lock as shipped
    QString createdAt;

    QJsonObject toJson() const;

    bool operator==(const ShipRecord &) const = default;
};
