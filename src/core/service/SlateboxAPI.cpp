#include "core/service/SlateboxAPI.h"

#include <memory>

#include <QHostAddress>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <qcoro/qcoronetworkreply.h>

#include "core/platform/KeychainStore.h"
#include "core/service/APIEnvironment.h"
#include "core/service/APIError.h"
#include "core/service/ErrorPayload.h"
#include "core/service/SharedNetwork.h"
#include "core/service/TransportError.h"

namespace {

bool isLoopbackHost(const QString &host)
{
    if (host.compare(u"localhost", Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

struct ReplyDeleter {
    void operator()(QNetworkReply *reply) const { reply->deleteLater(); }
};

QCoro::Task<APIResponse> send(QNetworkRequest request, QByteArray verb, QByteArray body)
{
    QNetworkAccessManager *manager = SharedNetwork::manager();
    std::unique_ptr<QNetworkReply, ReplyDeleter> reply(
        verb == "GET" ? manager->get(request) : manager->sendCustomRequest(request, verb, body));
    co_await reply.get();

    APIResponse response;
    response.url = reply->url();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        response.statusCode = status.toInt();
    // A failing HTTP status is an answer to judge; no status and an error is a transport failure.
    if (!response.statusCode && reply->error() != QNetworkReply::NoError)
        throw TransportError(reply->error(), reply->errorString());
    response.headers = reply->rawHeaderPairs();
    response.body = reply->readAll();
    co_return response;
}

} // namespace

SlateboxAPI::SlateboxAPI(QUrl baseURL, std::optional<QString> bearerToken)
    : m_baseURL(std::move(baseURL))
    , m_bearerToken(std::move(bearerToken))
{
}

SlateboxAPI SlateboxAPI::current()
{
    return SlateboxAPI(APIEnvironment::configured().baseURL, KeychainStore::deviceToken());
}

QUrl SlateboxAPI::url(const QString &path, const QUrlQuery &query) const
{
    QUrl url = m_baseURL;
    QString joined = url.path();
    if (!joined.endsWith(u'/'))
        joined += u'/';
    joined += path;
    // Decoded mode: every character of the pieces is literal, so "?", "#", "%" and spaces are
    // encoded rather than read as URL syntax.
    url.setPath(joined, QUrl::DecodedMode);
    if (query.isEmpty())
        url.setQuery(QString());
    else
        url.setQuery(query);
    url.setFragment(QString());
    return url;
}

QNetworkRequest SlateboxAPI::request(const QString &path, const QUrlQuery &query) const
{
    QNetworkRequest request(url(path, query));
    request.setTransferTimeout(TimeoutSeconds * 1000);
    authorize(request);
    return request;
}

bool SlateboxAPI::authorize(QNetworkRequest &request) const
{
    if (!m_bearerToken)
        return false;
    const QUrl target = request.url();
    const QString scheme = target.scheme().toLower();
    const bool private_ =
        scheme == u"https" || (scheme == u"http" && isLoopbackHost(target.host()));
    if (!private_)
        return false;
    request.setRawHeader("Authorization", "Bearer " + m_bearerToken->toUtf8());
    return true;
}

void SlateboxAPI::check(const APIResponse &response, const QList<int> &allow) const
{
    if (!response.statusCode)
        throw APIError(u"unexpected response from "_qs + m_baseURL.toString());
    const int status = *response.statusCode;
    if (allow.contains(status))
        return;
    const std::optional<ErrorPayload> payload = ErrorPayload::fromJson(response.body);
    if (payload && payload->error)
        throw APIError(*payload->error);
    throw APIError(u"API request failed ("_qs + QString::number(status) + u')');
}

QCoro::Task<APIResponse> SlateboxAPI::get(QString path, QUrlQuery query) const
{
    return send(request(path, query), "GET", {});
}

QCoro::Task<APIResponse> SlateboxAPI::post(QString path, QJsonObject json) const
{
    QNetworkRequest request = this->request(path);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    return send(request, "POST", QJsonDocument(json).toJson(QJsonDocument::Compact));
}

QCoro::Task<APIResponse> SlateboxAPI::post(QString path, QMap<QString, QString> body) const
{
    QJsonObject json;
    for (auto it = body.cbegin(); it != body.cend(); ++it)
        json.insert(it.key(), it.value());
    return post(std::move(path), std::move(json));
}

QCoro::Task<APIResponse> SlateboxAPI::deleteResource(QString path) const
{
    return send(request(path), "DELETE", {});
}
