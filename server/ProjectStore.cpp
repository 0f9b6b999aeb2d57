#include "ProjectStore.h"

#include "Database.h"

namespace {

ProjectRecord projectFromRow(const Database::Row &row)
{
    return {Database::text(row.at(0)), Database::text(row.at(1)), Database::text(row.at(2)),
            Database::text(row.at(3)), Database::text(row.at(4)), Database::text(row.at(5))};
}

} // namespace

QList<ProjectRecord> ProjectStore::projectsOf(const QString &userId)
{
    QList<ProjectRecord> projects;
    const auto rows =
        m_db.query(u"SELECT p.id, p.org, p.slug, p.type, p.title, p.created_at FROM projects p "
                   u"JOIN memberships m ON m.org_slug = p.org WHERE m.user_id = ? "
                   u"ORDER BY p.org, p.slug"_qs,
                   {userId});
    for (const auto &row : rows)
        projects.append(projectFromRow(row));
    return projects;
}

std::optional<ProjectRecord> ProjectStore::find(const QString &org, const QString &slug)
{
    const auto row = m_db.queryOne(u"SELECT id, org, slug, type, title, created_at FROM projects "
                                   u"WHERE org = ? AND slug = ?"_qs,
                                   {org, slug});
    if (!row)
        return std::nullopt;
    return projectFromRow(*row);
}

void ProjectStore::insert(const ProjectRecord &project)
{
    m_db.exec(
        u"INSERT INTO projects (id, org, slug, type, title, created_at) "
        u"VALUES (?, ?, ?, ?, ?, ?)"_qs,
        {project.id, project.org, project.slug, project.type, project.title, project.createdAt});
}

bool ProjectStore::remove(const QString &org, const QString &slug)
{
    return m_db.exec(u"DELETE FROM projects WHERE org = ? AND slug = ?"_qs, {org, slug}) > 0;
}
