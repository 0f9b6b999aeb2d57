#pragma once

#include <optional>

#include <QJsonObject>
#include <QString>

// An account as the client sees it: `id`, `slug`, `email`, `displayName` (the last two may be
// null).
struct UserRecord {
    QString id;
    QString slug;
    std::optional<QString> email;
    std::optional<QString> displayName;

    QJsonObject toJson() const;

    bool operator==(const UserRecord &) const = default;
};
