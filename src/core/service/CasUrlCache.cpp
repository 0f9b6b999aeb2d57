#include "core/service/CasUrlCache.h"

#include <mutex>

#include <QHash>

namespace {

struct Entry {
    QString url;
    QDateTime fetchedAt;
};

struct State {
    std::mutex lock;
    QHash<QString, Entry> entries;
    std::function<QDateTime()> clock;
};

State &state()
{
    static State instance;
    return instance;
}

// Called with the lock held.
QDateTime now(const State &state)
{
    return state.clock ? state.clock() : QDateTime::currentDateTimeUtc();
}

} // namespace

namespace CasUrlCache {

std::optional<QString> freshUrl(const QString &address)
{
    State &s = state();
    const std::lock_guard guard(s.lock);
    const auto it = s.entries.constFind(address);
    if (it == s.entries.cend())
        return std::nullopt;
    if (it->fetchedAt.msecsTo(now(s)) >= FreshnessSeconds * 1000)
        return std::nullopt;
    return it->url;
}

void store(const QString &address, const QString &url)
{
    State &s = state();
    const std::lock_guard guard(s.lock);
    s.entries.insert(address, {url, now(s)});
}

void setClock(std::function<QDateTime()> clock)
{
    State &s = state();
    const std::lock_guard guard(s.lock);
    s.clock = std::move(clock);
}

void clear()
{
    State &s = state();
    const std::lock_guard guard(s.lock);
    s.entries.clear();
}

} // namespace CasUrlCache
