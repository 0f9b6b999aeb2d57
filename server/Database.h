#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <variant>
#include <vector>

#include <QByteArray>
#include <QString>

struct sqlite3;

// The server's SQLite database. httplib serves requests from a pool of threads, so every use
// takes `mutex()` (recursive, so a store can run a transaction around its own helper calls).
// Values go in through bound parameters only, never through SQL text.
class Database {
public:
    using Value = std::variant<std::nullptr_t, qint64, double, QString, QByteArray>;
    using Row = std::vector<Value>;

    Database() = default;
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens (creating) the file and brings its schema up to date; returns an error text or an
    // empty string.
    QString open(const QString &path);

    std::recursive_mutex &mutex() { return m_mutex; }

    // Runs one statement; throws DatabaseError on failure. Returns the number of changed rows.
    int exec(const QString &sql, const std::vector<Value> &params = {});
    std::vector<Row> query(const QString &sql, const std::vector<Value> &params = {});
    std::optional<Row> queryOne(const QString &sql, const std::vector<Value> &params = {});

    // Runs `work` in a transaction under the lock: committed when it returns, rolled back when it
    // throws (the exception is rethrown). A transaction inside another one joins the outer one.
    template<typename Work>
    auto transaction(Work &&work)
    {
        std::lock_guard lock(m_mutex);
        if (m_transactionDepth > 0) {
            const DepthGuard nested(m_transactionDepth);
            return work();
        }
        exec(u"BEGIN IMMEDIATE"_qs);
        try {
            const DepthGuard outer(m_transactionDepth);
            if constexpr (std::is_void_v<decltype(work())>) {
                work();
                exec(u"COMMIT"_qs);
            } else {
                auto result = work();
                exec(u"COMMIT"_qs);
                return result;
            }
        } catch (...) {
            exec(u"ROLLBACK"_qs);
            throw;
        }
    }

    static QString text(const Value &value);
    static qint64 integer(const Value &value);

private:
    void migrate();

    struct DepthGuard {
        explicit DepthGuard(int &depth)
            : m_depth(depth)
        {
            ++m_depth;
        }
        ~DepthGuard() { --m_depth; }
        DepthGuard(const DepthGuard &) = delete;
        DepthGuard &operator=(const DepthGuard &) = delete;
        int &m_depth;
    };

    std::recursive_mutex m_mutex;
    sqlite3 *m_db = nullptr;
    int m_transactionDepth = 0; // guarded by m_mutex
};
