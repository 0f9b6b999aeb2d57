#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QList>
#include <QString>

#include <QCoro/QCoroTask>

#include "core/service/DiffCommit.h"

// The recent commit history sent with each turn, kept per head commit so consecutive turns do
// not walk the repository again; it is read anew only when the clone's head moves (a save, a
// fast-forward). UI thread only. The state is shared with running lookups, so a lookup that
// outlives the cache finishes without touching freed memory.
class RecentDiffHistory {
public:
    // At most this many commits, newest first.
    static constexpr int commitLimit = 15;

    // Both throw on failure, as GitTasks does; a failure makes the history absent.
    using HeadReader = std::function<QCoro::Task<QString>(QString clonePath)>;
    using LogReader = std::function<QCoro::Task<QString>(int limit, QString clonePath)>;

    // Reads the clone through GitTasks (headCommit, logNumstat on the thread pool).
    RecentDiffHistory();
    RecentDiffHistory(HeadReader readHead, LogReader readLog);

    // Absent without a clone, when the head cannot be read, when the log fails or holds no
    // commit. A result for a head that could be read is cached, absence included.
    QCoro::Task<std::optional<QList<DiffCommit>>>
    recentDiffHistory(std::optional<QString> clonePath);

    // The head the cached history belongs to, if any.
    std::optional<QString> cachedHead() const;
    void clear();

    // Parses the log; a log without commits, or no log at all, gives no history.
    static std::optional<QList<DiffCommit>> historyFromLog(const std::optional<QString> &log);

private:
    struct Entry {
        QString head;
        std::optional<QList<DiffCommit>> commits;
    };
    struct State {
        HeadReader readHead;
        LogReader readLog;
        std::optional<Entry> entry;
    };

    static QCoro::Task<std::optional<QList<DiffCommit>>> lookUp(std::shared_ptr<State> state,
                                                                std::optional<QString> clonePath);

    std::shared_ptr<State> m_state;
};
