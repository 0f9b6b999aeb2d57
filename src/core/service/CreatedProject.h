#pragma once

#include <QString>

class QJsonObject;

// A project as the service lists or creates it. `type` is the service's text ("series", "film",
// "campaign"); it is kept as sent so a type this client does not know still lists.
struct CreatedProject {
    QString id;
    QString org;
    QString slug;
    QString type;
    QString title;
    QString cloneUrl;

    // Strict: throws DecodingError for a missing required key or a value of the wrong type.
    static CreatedProject fromJson(const QJsonObject &object);
    QJsonObject toJson() const;

    bool operator==(const CreatedProject &) const = default;
};
