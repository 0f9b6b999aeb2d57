// Media resolution of SlateboxAPI: local cached files first, then fresh download URLs.

#include "core/service/SlateboxAPI.h"

#include <vector>

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "core/service/CasUrlCache.h"
#include "core/service/MediaCache.h"

QCoro::Task<QList<Take>> SlateboxAPI::resolvingMedia(QList<Take> takes) const
{
    const SlateboxAPI api = *this;
    QStringList addresses;
    for (const Take &take : std::as_const(takes)) {
        if (take.outputCas && !addresses.contains(*take.outputCas))
            addresses.append(*take.outputCas);
    }
    if (addresses.isEmpty())
        co_return takes;

    QHash<QString, QString> local;
    QStringList missing;
    for (const QString &address : std::as_const(addresses)) {
        if (const std::optional<QUrl> file = MediaCache::localURL(address))
            local.insert(address, file->toString(QUrl::FullyEncoded));
        else
            missing.append(address);
    }

    // Tasks start at once, so the fetches run side by side; awaiting them in turn waits for all.
    std::vector<QCoro::Task<void>> fetches;
    for (const QString &address : std::as_const(missing)) {
        if (!CasUrlCache::freshUrl(address))
            fetches.push_back(api.fetchCasUrl(address));
    }
    for (QCoro::Task<void> &fetch : fetches)
        co_await fetch;

    QHash<QString, QString> remote;
    for (const QString &address : std::as_const(missing)) {
        const std::optional<QString> url = CasUrlCache::freshUrl(address);
        if (!url)
            continue;
        remote.insert(address, *url);
        const QUrl parsed(*url, QUrl::StrictMode);
        // Not awaited: the download outlives this call and fails silently.
        if (parsed.isValid() && !parsed.isRelative())
            MediaCache::ensureCached(address, parsed);
    }

    for (Take &take : takes) {
        if (!take.outputCas)
            continue;
        if (const auto it = local.constFind(*take.outputCas); it != local.cend())
            take.outputUrl = *it;
        else if (const auto fresh = remote.constFind(*take.outputCas); fresh != remote.cend())
            take.outputUrl = *fresh;
    }
    co_return takes;
}

QCoro::Task<void> SlateboxAPI::fetchCasUrl(QString address) const
{
    const SlateboxAPI api = *this;
    APIResponse response;
    try {
        QUrlQuery query;
        query.addQueryItem(u"json"_qs, u"1"_qs);
        response = co_await api.get(u"v1/cas/"_qs + address, query);
    } catch (...) {
        co_return; // no URL: the take keeps the service's own
    }
    if (response.statusCode != 200)
        co_return;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(response.body, &error);
    const QJsonValue url = document.object().value(u"url"_qs);
    if (error.error != QJsonParseError::NoError || !document.isObject() || !url.isString())
        co_return;
    CasUrlCache::store(address, url.toString());
}
