#include "OrgStore.h"

#include "Database.h"

QList<OrgRecord> OrgStore::orgsOf(const QString &userId)
{
    QList<OrgRecord> orgs;
    const auto rows = m_db.query(u"SELECT o.slug, o.personal, o.name FROM orgs o "
                                 u"JOIN memberships m ON m.org_slug = o.slug WHERE m.user_id = ? "
                                 u"ORDER BY o.personal DESC, o.slug"_qs,
                                 {userId});
    for (const auto &row : rows)
        orgs.append({Database::text(row.at(0)), Database::integer(row.at(1)) != 0,
                     Database::text(row.at(2))});
    return orgs;
}

bool OrgStore::isMember(const QString &userId, const QString &orgSlug)
{
    return m_db
        .queryOne(u"SELECT 1 FROM memberships WHERE user_id = ? AND org_slug = ?"_qs,
                  {userId, orgSlug})
        .has_value();
}

bool OrgStore::exists(const QString &orgSlug)
{
    return m_db.queryOne(u"SELECT 1 FROM orgs WHERE slug = ?"_qs, {orgSlug}).has_value();
}

void OrgStore::ensureTeam(const QString &slug, const QString &name, const QString &memberUserId)
{
    m_db.transaction([&] {
        m_db.exec(u"INSERT OR IGNORE INTO orgs (slug, name, personal) VALUES (?, ?, 0)"_qs,
                  {slug, name});
        m_db.exec(u"INSERT OR IGNORE INTO memberships (org_slug, user_id) VALUES (?, ?)"_qs,
                  {slug, memberUserId});
    });
}
