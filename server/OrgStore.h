#pragma once

#include <QList>
#include <QString>

#include "OrgRecord.h"

class Database;

// Organisations and who belongs to them. Personal organisations are made with their account
// (AccountStore); team organisations here.
class OrgStore {
public:
    explicit OrgStore(Database &db)
        : m_db(db)
    {
    }

    // The user's organisations, the personal one first, then by slug.
    QList<OrgRecord> orgsOf(const QString &userId);
    bool isMember(const QString &userId, const QString &orgSlug);
    bool exists(const QString &orgSlug);

    // Makes the team organisation when missing and adds the user to it.
    void ensureTeam(const QString &slug, const QString &name, const QString &memberUserId);

private:
    Database &m_db;
};
