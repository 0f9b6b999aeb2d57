#include "RenderStore.h"

#include <QDateTime>

#include "Database.h"

namespace {

const QString takeColumns = u"r.id, r.shot_id, r.input_hash, r.status, r.output_cas, "
                            "r.billed_usd, r.model, r.resolution, r.error, r.prompt, r.seed, "
                            "r.created_at"_qs;

std::optional<QString> optionalText(const Database::Value &value)
{
    if (std::holds_alternative<std::nullptr_t>(value))
        return std::nullopt;
    return Database::text(value);
}

std::optional<double> optionalReal(const Database::Value &value)
{
    if (const double *real = std::get_if<double>(&value))
        return *real;
    if (const qint64 *whole = std::get_if<qint64>(&value))
        return double(*whole);
    return std::nullopt;
}

TakeRecord takeFromRow(const Database::Row &row)
{
    TakeRecord take;
    take.id = Database::text(row.at(0));
    take.shotId = Database::text(row.at(1));
    take.inputHash = Database::text(row.at(2));
    take.status = Database::text(row.at(3));
    take.outputCas = optionalText(row.at(4));
    take.billedUsd = optionalReal(row.at(5));
    take.model = Database::text(row.at(6));
    take.resolution = Database::text(row.at(7));
    take.error = optionalText(row.at(8));
    take.prompt = Database::text(row.at(9));
    take.seed = Database::integer(row.at(10));
    take.createdAt = Database::text(row.at(11));
    return take;
}

Database::Value nullable(const std::optional<QString> &text)
{
    if (!text)
        return nullptr;
    return *text;
}

} // namespace

void RenderStore::insert(const NewRender &render, qint64 durationSeconds)
{
    const TakeRecord &take = render.take;
    m_db.exec(u"INSERT INTO renders (id, user_id, org, slug, deliverable, shot_id, input_hash, "
              "status, model, resolution, prompt, seed, duration_seconds, created_at, "
              "created_ms, due_ms) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_qs,
              {take.id, render.userId, render.org, render.slug, render.deliverable, take.shotId,
               take.inputHash, take.status, take.model, take.resolution, take.prompt, take.seed,
               durationSeconds, take.createdAt, QDateTime::currentMSecsSinceEpoch(), render.dueMs});
}

std::optional<TakeRecord> RenderStore::find(const QString &userId, const QString &id)
{
    const auto row = m_db.queryOne(u"SELECT "_qs + takeColumns +
                                       u" FROM renders r JOIN memberships m ON m.org_slug = r.org "
                                       "WHERE m.user_id = ? AND r.id = ?"_qs,
                                   {userId, id});
    if (!row)
        return std::nullopt;
    return takeFromRow(*row);
}

QList<TakeRecord> RenderStore::takes(const QString &userId, const QString &shotId,
                                     const QString &inputHash)
{
    QList<TakeRecord> takes;
    for (const Database::Row &row :
         m_db.query(u"SELECT "_qs + takeColumns +
                        u" FROM renders r JOIN memberships m ON m.org_slug = r.org "
                        "WHERE m.user_id = ? AND r.shot_id = ? AND r.input_hash = ? "
                        "ORDER BY r.created_ms DESC, r.rowid DESC"_qs,
                    {userId, shotId, inputHash}))
        takes.append(takeFromRow(row));
    return takes;
}

QList<RenderStore::Pending> RenderStore::pending()
{
    QList<Pending> pending;
    for (const Database::Row &row :
         m_db.query(u"SELECT id, shot_id, model, duration_seconds, due_ms FROM renders "
                    "WHERE status = 'rendering' ORDER BY due_ms"_qs))
        pending.append({Database::text(row.at(0)), Database::text(row.at(1)),
                        Database::text(row.at(2)), Database::integer(row.at(3)),
                        Database::integer(row.at(4))});
    return pending;
}

void RenderStore::finish(const QString &id, const std::optional<QString> &outputCas,
                         double billedUsd, const std::optional<QString> &error)
{
    m_db.exec(u"UPDATE renders SET status = ?, output_cas = ?, billed_usd = ?, error = ? "
              "WHERE id = ? AND status = 'rendering'"_qs,
              {error ? u"failed"_qs : u"succeeded"_qs, nullable(outputCas), billedUsd,
               nullable(error), id});
}
