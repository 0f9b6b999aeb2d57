#include "TestStream.h"

#include <memory>

#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QTimer>

QList<QJsonObject> TestStream::Result::events() const
{
    QList<QJsonObject> events;
    for (const Line &line : lines) {
        if (line.text.startsWith("data: "))
            events.append(QJsonDocument::fromJson(line.text.mid(6)).object());
    }
    return events;
}

TestStream::Result TestStream::post(const QUrl &url, const QString &token, const QJsonObject &body,
                                    int idleTimeoutMs)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    if (!token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QNetworkReply> reply(
        manager.post(request, QJsonDocument(body).toJson(QJsonDocument::Compact)));

    Result result;
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(idleTimeoutMs);
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] {
        result.timedOut = true;
        loop.quit();
    });
    const auto readLines = [&] {
        idle.start();
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (result.status != 200)
            return;
        while (reply->canReadLine()) {
            QByteArray line = reply->readLine();
            line.chop(1);
            result.lines.append({line, clock.elapsed()});
        }
    };
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, readLines);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, [&] {
        result.finished = true;
        loop.quit();
    });
    idle.start();
    loop.exec();
    if (result.timedOut) {
        QObject::disconnect(reply.get(), nullptr, &loop, nullptr);
        reply->abort();
        return result;
    }
    readLines();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    if (result.status != 200)
        result.body = reply->readAll();
    else if (reply->bytesAvailable() > 0)
        result.lines.append({reply->readAll(), clock.elapsed()}); // a last line without its end
    if (reply->error() != QNetworkReply::NoError && result.status == 200)
        result.transportError = reply->errorString();
    return result;
}

QByteArray TestStream::rawPost(const QUrl &url, const QString &token, const QJsonObject &body)
{
    const QByteArray payload = QJsonDocument(body).toJson(QJsonDocument::Compact);
    QTcpSocket socket;
    socket.connectToHost(url.host(), quint16(url.port()));
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("POST " + url.path().toUtf8() + " HTTP/1.1\r\nHost: " + url.host().toUtf8() +
                 "\r\nAuthorization: Bearer " + token.toUtf8() +
                 "\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: " +
                 QByteArray::number(payload.size()) + "\r\n\r\n" + payload);
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    while (socket.state() == QAbstractSocket::ConnectedState && clock.elapsed() < 10000) {
        socket.waitForReadyRead(200);
        answer += socket.readAll();
    }
    return answer + socket.readAll();
}
