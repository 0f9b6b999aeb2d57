#pragma once

#include <optional>

#include <QString>

class QJsonObject;

// A recorded release of a deliverable.
struct Ship {
    QString id;
    QString deliverable;
    QString commit;
    QString tag;
    std::optional<QString> airDate;
    QString createdAt;

    // Strict: throws DecodingError for a missing required key or a value of the wrong type.
    static Ship fromJson(const QJsonObject &object);
    QJsonObject toJson() const;

    bool operator==(const Ship &) const = default;
};
