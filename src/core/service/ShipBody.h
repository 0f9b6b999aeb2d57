#pragma once

#include <optional>

#include <QMap>
#include <QString>

// The request of `createShip`: a flat object of strings, the optional ones only when given.
struct ShipBody {
    QString org;
    QString slug;
    QString deliverable;
    QString commit;
    QString tag;
    std::optional<QString> airDate; // year-month-day
    std::optional<QString> shots;
    std::optional<QString> lock;

    QMap<QString, QString> toFields() const;

    bool operator==(const ShipBody &) const = default;
};
