#include "TestHttp.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

QJsonObject TestHttp::Reply::json() const
{
    return QJsonDocument::fromJson(body).object();
}

QByteArray TestHttp::Reply::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QUrl TestHttp::url(const QString &path) const
{
    return QUrl(m_base.toString() + u'/' + path);
}

TestHttp::Reply TestHttp::get(const QString &path) const
{
    return send("GET", path, {}, {});
}

TestHttp::Reply TestHttp::post(const QString &path, const QByteArray &body,
                               const QByteArray &contentType) const
{
    return send("POST", path, body, contentType);
}

TestHttp::Reply TestHttp::postJson(const QString &path, const QJsonObject &body) const
{
    return post(path, QJsonDocument(body).toJson(QJsonDocument::Compact));
}

TestHttp::Reply TestHttp::del(const QString &path) const
{
    return send("DELETE", path, {}, {});
}

TestHttp::Reply TestHttp::send(const QByteArray &method, const QString &path,
                               const QByteArray &body, const QByteArray &contentType) const
{
    // One manager per request: no connection outlives the call, and nothing Qt-owned is left
    // for static destruction after the application object is gone.
    QNetworkAccessManager manager;
    QNetworkRequest request(url(path));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    if (!m_token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + m_token.toUtf8());
    std::unique_ptr<QNetworkReply> reply(method == "GET" ? manager.get(request)
                                         : method == "POST"
                                             ? manager.post(request, body)
                                             : manager.sendCustomRequest(request, method, body));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    Reply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.headers = reply->rawHeaderPairs();
    if (reply->error() != QNetworkReply::NoError && result.status == 0)
        result.transportError = reply->errorString();
    return result;
}
