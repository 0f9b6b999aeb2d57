#include "Database.h"

#include <sqlite3.h>

#include "DatabaseError.h"
#include "DatabaseSchema.h"

namespace {

struct StatementDeleter {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

} // namespace

Database::~Database()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

QString Database::open(const QString &path)
{
    std::lock_guard lock(m_mutex);
    const int rc = sqlite3_open_v2(
        path.toUtf8().constData(), &m_db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString message =
            m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        if (m_db)
            sqlite3_close_v2(m_db);
        m_db = nullptr;
        return message;
    }
    sqlite3_busy_timeout(m_db, 5000);
    try {
        exec(u"PRAGMA journal_mode=WAL"_qs);
        exec(u"PRAGMA foreign_keys=ON"_qs);
        migrate();
    } catch (const DatabaseError &error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

void Database::migrate()
{
    const qint64 version = integer(queryOne(u"PRAGMA user_version"_qs).value().at(0));
    const QStringList &steps = DatabaseSchema::migrations();
    for (qsizetype i = version; i < steps.size(); ++i) {
        transaction([&] {
            char *error = nullptr;
            if (sqlite3_exec(m_db, steps.at(i).toUtf8().constData(), nullptr, nullptr, &error) !=
                SQLITE_OK) {
                const QString message = QString::fromUtf8(error ? error : "unknown error");
                sqlite3_free(error);
                throw DatabaseError(u"schema step "_qs + QString::number(i + 1) + u": "_qs +
                                    message);
            }
            exec(u"PRAGMA user_version = "_qs + QString::number(i + 1));
        });
    }
}

namespace {

void bind(sqlite3 *db, sqlite3_stmt *statement, const std::vector<Database::Value> &params)
{
    for (size_t i = 0; i < params.size(); ++i) {
        const int index = static_cast<int>(i) + 1;
        int rc = SQLITE_OK;
        const auto &value = params[i];
        if (std::holds_alternative<std::nullptr_t>(value)) {
            rc = sqlite3_bind_null(statement, index);
        } else if (const auto *n = std::get_if<qint64>(&value)) {
            rc = sqlite3_bind_int64(statement, index, *n);
        } else if (const auto *d = std::get_if<double>(&value)) {
            rc = sqlite3_bind_double(statement, index, *d);
        } else if (const auto *s = std::get_if<QString>(&value)) {
            const QByteArray utf8 = s->toUtf8();
            rc = sqlite3_bind_text(statement, index, utf8.constData(), int(utf8.size()),
                                   SQLITE_TRANSIENT);
        } else if (const auto *b = std::get_if<QByteArray>(&value)) {
            rc = sqlite3_bind_blob(statement, index, b->constData(), int(b->size()),
                                   SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
}

Database::Value column(sqlite3_stmt *statement, int index)
{
    switch (sqlite3_column_type(statement, index)) {
    case SQLITE_INTEGER:
        return qint64(sqlite3_column_int64(statement, index));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, index);
    case SQLITE_TEXT:
        return QString::fromUtf8(
            reinterpret_cast<const char *>(sqlite3_column_text(statement, index)),
            sqlite3_column_bytes(statement, index));
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, index)),
                          sqlite3_column_bytes(statement, index));
    default:
        return nullptr;
    }
}

} // namespace

std::vector<Database::Row> Database::query(const QString &sql, const std::vector<Value> &params)
{
    std::lock_guard lock(m_mutex);
    if (!m_db)
        throw DatabaseError(u"database is not open"_qs);
    sqlite3_stmt *raw = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &raw, nullptr) != SQLITE_OK)
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(m_db)));
    Statement statement(raw);
    bind(m_db, raw, params);
    std::vector<Row> rows;
    for (;;) {
        const int rc = sqlite3_step(raw);
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(m_db)));
        Row row;
        const int count = sqlite3_column_count(raw);
        row.reserve(size_t(count));
        for (int i = 0; i < count; ++i)
            row.push_back(column(raw, i));
        rows.push_back(std::move(row));
    }
    return rows;
}

int Database::exec(const QString &sql, const std::vector<Value> &params)
{
    std::lock_guard lock(m_mutex);
    query(sql, params);
    return sqlite3_changes(m_db);
}

std::optional<Database::Row> Database::queryOne(const QString &sql,
                                                const std::vector<Value> &params)
{
    auto rows = query(sql, params);
    if (rows.empty())
        return std::nullopt;
    return std::move(rows.front());
}

QString Database::text(const Value &value)
{
    if (const auto *s = std::get_if<QString>(&value))
        return *s;
    if (const auto *n = std::get_if<qint64>(&value))
        return QString::number(*n);
    return {};
}

qint64 Database::integer(const Value &value)
{
    if (const auto *n = std::get_if<qint64>(&value))
        return *n;
    if (const auto *s = std::get_if<QString>(&value))
        return s->toLongLong();
    return 0;
}
