#include "ShipStore.h"

#include <QDateTime>

#include "Database.h"

namespace {

Database::Value nullable(const std::optional<QString> &text)
{
    if (!text)
        return nullptr;
    return *text;
}

std::optional<QString> optionalText(const Database::Value &value)
{
    if (std::holds_alternative<std::nullptr_t>(value))
        return std::nullopt;
    return Database::text(value);
}

} // namespace

void ShipStore::insert(const ShipRecord &ship, const QString &userId)
{
    m_db.exec(u"INSERT INTO ships (id, user_id, org, slug, deliverable, commit_id, tag, air_date, "
              "shots, lock_text, created_at, created_ms) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
              "?, ?)"_qs,
              {ship.id, userId, ship.org, ship.slug, ship.deliverable, ship.commit, ship.tag,
               nullable(ship.airDate), nullable(ship.shots), nullable(ship.lock), ship.createdAt,
               QDateTime::currentMSecsSinceEpoch()});
}

QList<ShipRecord> ShipStore::shipsOf(const QString &org, const QString &slug)
{
    QList<ShipRecord> ships;
    for (const Database::Row &row : m_db.query(
             u"SELECT id, org, slug, deliverable, commit_id, tag, air_date, shots, lock_text, "
             "created_at FROM ships WHERE org = ? AND slug = ? "
             "ORDER BY created_ms DESC, rowid DESC"_qs,
             {org, slug})) {
        ships.append({Database::text(row.at(0)), Database::text(row.at(1)),
                      Database::text(row.at(2)), Database::text(row.at(3)),
                      Database::text(row.at(4)), Database::text(row.at(5)), optionalText(row.at(6)),
                      optionalText(row.at(7)), optionalText(row.at(8)), Database::text(row.at(9))});
    }
    return ships;
}
