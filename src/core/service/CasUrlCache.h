#pragma once

#include <functional>
#include <optional>

#include <QDateTime>
#include <QString>

// Download URLs of content addresses, process-wide, in memory only, behind one lock. An entry is
// fresh while less than 30 minutes have passed since it was fetched; a stale one stays until a
// new fetch overwrites it. Nothing ever clears the map outside tests.
namespace CasUrlCache {

inline constexpr qint64 FreshnessSeconds = 1800;

// The URL fetched for `address` if it is still fresh.
std::optional<QString> freshUrl(const QString &address);
// Records `url` as fetched now, replacing any older entry.
void store(const QString &address, const QString &url);

// The clock that stamps and ages entries; an empty function restores the system clock.
void setClock(std::function<QDateTime()> clock);
// Empties the map (tests only).
void clear();

} // namespace CasUrlCache
