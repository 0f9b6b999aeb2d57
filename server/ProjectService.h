#pragma once

#include <mutex>
#include <optional>

#include <QString>

#include "ProjectRecord.h"

class OrgStore;
class ProjectStore;
class RepositoryStore;
struct UserRecord;

// Creating and deleting projects: the database row and the repository change together. A
// project is listed only once its repository is complete, and a failed creation leaves neither
// behind.
class ProjectService {
public:
    ProjectService(OrgStore &orgs, ProjectStore &projects, RepositoryStore &repositories)
        : m_orgs(orgs)
        , m_projects(projects)
        , m_repositories(repositories)
    {
    }

    struct Outcome {
        std::optional<ProjectRecord> project;
        int status = 200;
        QString error; // set when the operation failed; `status` is then its HTTP status
    };

    // `org`, `slug`, `title` and `type` as the client sent them; all validation happens here.
    Outcome create(const UserRecord &user, const QString &org, const QString &slug,
                   const QString &title, const QString &type);
    Outcome remove(const UserRecord &user, const QString &org, const QString &slug);

private:
    OrgStore &m_orgs;
    ProjectStore &m_projects;
    RepositoryStore &m_repositories;
    std::mutex m_mutex; // one creation or deletion at a time: checks and changes stay atomic
};
