#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "ProjectRecord.h"

class Database;

// The projects table. The repositories that go with the rows are RepositoryStore's; the two are
// kept in step by ProjectService.
class ProjectStore {
public:
    explicit ProjectStore(Database &db)
        : m_db(db)
    {
    }

    // Projects of every organisation the user belongs to, by organisation then slug.
    QList<ProjectRecord> projectsOf(const QString &userId);
    std::optional<ProjectRecord> find(const QString &org, const QString &slug);
    void insert(const ProjectRecord &project);
    bool remove(const QString &org, const QString &slug);

private:
    Database &m_db;
};
