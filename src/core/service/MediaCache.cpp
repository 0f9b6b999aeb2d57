#include "core/service/MediaCache.h"

#include <algorithm>
#include <memory>
#include <mutex>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <qcoro/qcoronetworkreply.h>

#include "core/service/SharedNetwork.h"

namespace {

struct State {
    std::mutex lock;
    QSet<QString> inFlight;
    bool didTrim = false;
};

State &state()
{
    static State instance;
    return instance;
}

// The address's last non-empty ":" piece, or absent when that piece could name anything other
// than a plain file inside the folder.
std::optional<QString> plainName(const QString &address)
{
    const QStringList pieces = address.split(u':', Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return std::nullopt;
    const QString &name = pieces.last();
    if (name == u"."_qs || name == u".."_qs || name.contains(u'/') || name.contains(u'\\') ||
        name.contains(QChar(0)))
        return std::nullopt;
    return name;
}

struct ReplyDeleter {
    void operator()(QNetworkReply *reply) const { reply->deleteLater(); }
};

// Downloads `remote` into `file`; true when the transfer ended well and an HTTP answer (if it
// was one) had status 200.
QCoro::Task<bool> download(QUrl remote, QFile *file)
{
    QNetworkRequest request(remote);
    request.setTransferTimeout(60 * 1000);
    std::unique_ptr<QNetworkReply, ReplyDeleter> reply(SharedNetwork::manager()->get(request));
    QNetworkReply *raw = reply.get();
    bool writeFailed = false;
    // Written as it arrives: a video is never held in memory whole.
    QObject::connect(raw, &QIODevice::readyRead, raw, [raw, file, &writeFailed] {
        const QByteArray chunk = raw->readAll();
        if (file->write(chunk) != chunk.size())
            writeFailed = true;
    });
    co_await raw;
    QObject::disconnect(raw, &QIODevice::readyRead, raw, nullptr);
    const QByteArray rest = raw->readAll();
    if (file->write(rest) != rest.size())
        writeFailed = true;
    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    co_return !writeFailed && raw->error() == QNetworkReply::NoError &&
        (!status.isValid() || status.toInt() == 200);
}

void removeEntry(const QFileInfo &entry)
{
    if (entry.isDir() && !entry.isSymLink())
        QDir(entry.filePath()).removeRecursively();
    else
        QFile::remove(entry.filePath());
}

} // namespace

namespace MediaCache {

QString directory()
{
    static const QString path =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
        u"/Slatebox/cas"_qs;
    return path;
}

std::optional<QString> filePath(const QString &address)
{
    const std::optional<QString> name = plainName(address);
    if (!name)
        return std::nullopt;
    return directory() + u'/' + *name + u".mp4"_qs;
}

std::optional<QUrl> localURL(const QString &address)
{
    const std::optional<QString> path = filePath(address);
    if (!path || !QFileInfo(*path).isFile())
        return std::nullopt;
    return QUrl::fromLocalFile(*path);
}

MediaCacheClaim claim(const QString &address)
{
    State &s = state();
    const std::lock_guard guard(s.lock);
    MediaCacheClaim result;
    result.shouldTrim = !s.didTrim;
    s.didTrim = true;
    if (s.inFlight.contains(address) || localURL(address))
        return result;
    s.inFlight.insert(address);
    result.claimed = true;
    return result;
}

void release(const QString &address)
{
    State &s = state();
    const std::lock_guard guard(s.lock);
    s.inFlight.remove(address);
}

void trim()
{
    const QDir folder(directory());
    if (!folder.exists())
        return;
    QFileInfoList entries = folder.entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::NoSort);
    struct Sized {
        QFileInfo info;
        QDateTime modified; // invalid: the distant past
        qint64 size = 0;
    };
    QList<Sized> sized;
    qint64 total = 0;
    for (QFileInfo &entry : entries) {
        entry.setCaching(false);
        if (!entry.exists() && !entry.isSymLink())
            continue; // gone since the listing: nothing to read
        Sized item{entry, entry.lastModified(), entry.isDir() ? 0 : entry.size()};
        total += item.size;
        sized.append(item);
    }
    if (total <= SizeLimit)
        return;
    std::stable_sort(sized.begin(), sized.end(), [](const Sized &a, const Sized &b) {
        if (!a.modified.isValid() || !b.modified.isValid())
            return !a.modified.isValid() && b.modified.isValid();
        return a.modified < b.modified;
    });
    for (const Sized &item : sized) {
        if (total <= SizeLimit)
            break;
        removeEntry(item.info);
        total -= item.size;
    }
}

QCoro::Task<void> ensureCached(QString address, QUrl remote)
{
    const std::optional<QString> target = filePath(address);
    if (!target)
        co_return;
    const MediaCacheClaim claimed = claim(address);
    if (claimed.shouldTrim)
        trim();
    if (!claimed.claimed)
        co_return;

    // The partial download sits beside the folder, on the same file system, so the final move is
    // a rename and a reader never sees half a file under the address's name.
    const QString parent = QFileInfo(directory()).path();
    bool ok = QDir().mkpath(parent);
    QTemporaryFile partial(parent + u"/.cas-download-XXXXXX"_qs);
    ok = ok && partial.open();
    if (ok) {
        try {
            ok = co_await download(remote, &partial);
        } catch (...) {
            ok = false; // a download failure is never the caller's concern
        }
    }
    if (ok) {
        partial.close();
        QDir().mkpath(directory());
        QFile::remove(*target);
        if (partial.rename(*target))
            partial.setAutoRemove(false);
    }
    release(address);
}

void resetForTesting()
{
    State &s = state();
    const std::lock_guard guard(s.lock);
    s.inFlight.clear();
    s.didTrim = false;
}

} // namespace MediaCache
