#pragma once

#include <QJsonObject>
#include <QString>

// A hosted project. Its JSON form (`CreatedProject` on the client) adds the clone URL, which
// depends on the address the server listens on.
struct ProjectRecord {
    QString id;
    QString org;
    QString slug;
    QString type;
    QString title;
    QString createdAt;

    QJsonObject toJson(const QString &baseUrl) const;
    QString cloneUrl(const QString &baseUrl) const;

    bool operator==(const ProjectRecord &) const = default;
};
