#include "core/agent/RecentDiffHistory.h"

#include <utility>

#include "core/agent/NumstatLog.h"
#include "core/git/GitTasks.h"

namespace {

// Any failure of the reader, whatever it throws, is an absent value.
QCoro::Task<std::optional<QString>> attempt(QCoro::Task<QString> task)
{
    try {
        QString value = co_await std::move(task);
        co_return std::optional<QString>(std::move(value));
    } catch (...) {
        co_return std::nullopt;
    }
}

} // namespace

RecentDiffHistory::RecentDiffHistory()
    : RecentDiffHistory(&GitTasks::headCommit, &GitTasks::logNumstat)
{
}

RecentDiffHistory::RecentDiffHistory(HeadReader readHead, LogReader readLog)
    : m_state(std::make_shared<State>())
{
    m_state->readHead = std::move(readHead);
    m_state->readLog = std::move(readLog);
}

QCoro::Task<std::optional<QList<DiffCommit>>>
RecentDiffHistory::recentDiffHistory(std::optional<QString> clonePath)
{
    // Not a coroutine itself: the lookup holds the shared state, never `this`.
    return lookUp(m_state, std::move(clonePath));
}

QCoro::Task<std::optional<QList<DiffCommit>>>
RecentDiffHistory::lookUp(std::shared_ptr<State> state, std::optional<QString> clonePath)
{
    if (!clonePath)
        co_return std::nullopt;
    // Named tasks: GCC 12 mishandles temporaries that live across a co_await.
    QCoro::Task<std::optional<QString>> readingHead = attempt(state->readHead(*clonePath));
    const std::optional<QString> head = co_await std::move(readingHead);
    if (!head)
        co_return std::nullopt;
    if (state->entry && state->entry->head == *head)
        co_return state->entry->commits;
    QCoro::Task<std::optional<QString>> readingLog =
        attempt(state->readLog(commitLimit, *clonePath));
    const std::optional<QString> log = co_await std::move(readingLog);
    std::optional<QList<DiffCommit>> commits = historyFromLog(log);
    Entry entry;
    entry.head = *head;
    entry.commits = commits;
    state->entry = std::move(entry);
    co_return commits;
}

std::optional<QString> RecentDiffHistory::cachedHead() const
{
    if (!m_state->entry)
        return std::nullopt;
    return m_state->entry->head;
}

void RecentDiffHistory::clear()
{
    m_state->entry.reset();
}

std::optional<QList<DiffCommit>>
RecentDiffHistory::historyFromLog(const std::optional<QString> &log)
{
    if (!log)
        return std::nullopt;
    QList<DiffCommit> commits = NumstatLog::parseNumstatLog(*log);
    if (commits.isEmpty())
        return std::nullopt;
    return commits;
}
