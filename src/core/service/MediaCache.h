#pragma once

#include <optional>

#include <QString>
#include <QUrl>
#include <QtGlobal>

#include <qcoro/qcorotask.h>

#include "core/service/MediaCacheClaim.h"

// Local copies of rendered videos, one flat file per content address under the user's cache
// folder (XDG_CACHE_HOME or ~/.cache, then Slatebox/cas), named after the address's last
// ":"-separated piece plus ".mp4". Filled by background downloads, trimmed to 4 GiB once per
// process. An address whose name would not be a plain file name ("/", "\", ".", "..", nothing)
// is never cached, so no address can reach outside the folder.
namespace MediaCache {

inline constexpr qint64 SizeLimit = 4294967296; // bytes, over all entries

// Computed once per process; not created until the first download.
QString directory();
// Where the file of `address` lives, whether or not it exists; absent for an unsafe address.
std::optional<QString> filePath(const QString &address);
// The file URL of `address` when its file exists.
std::optional<QUrl> localURL(const QString &address);

// Makes sure the file of `address` exists, downloading `remote` without any authorization when
// it does not. Never throws; every failure leaves no file. The first call of the process trims
// the cache first, whether or not it downloads.
QCoro::Task<void> ensureCached(QString address, QUrl remote);

// Under the lock: marks the trim as done and takes `address` into the in-flight set unless it is
// there already or its file exists.
MediaCacheClaim claim(const QString &address);
// Under the lock: takes `address` out of the in-flight set.
void release(const QString &address);
// Deletes the oldest entries (by modification time) until the folder holds at most SizeLimit
// bytes; a folder that cannot be listed is left alone.
void trim();

// Forgets the in-flight set and that the cache was trimmed (tests only).
void resetForTesting();

} // namespace MediaCache
