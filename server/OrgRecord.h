#pragma once

#include <QJsonObject>
#include <QString>

// An organisation a user may create projects in: `slug`, `personal`, `name`.
struct OrgRecord {
    QString slug;
    bool personal = false;
    QString name;

    QJsonObject toJson() const;

    bool operator==(const OrgRecord &) const = default;
};
