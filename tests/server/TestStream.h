#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUrl>

// Reads one streamed POST answer line by line as the lines arrive, with the time each came in.
// Gives up (aborting the transfer) when no byte arrives for `idleTimeoutMs`, as a client with a
// read timeout would.
class TestStream {
public:
    struct Line {
        QByteArray text; // without its line feed
        qint64 atMs = 0; // since the request was sent
    };
    struct Result {
        int status = 0;
        QByteArray contentType;
        QList<Line> lines;      // status 200 only
        QByteArray body;        // other statuses: the whole body
        bool finished = false;  // the body ended (cleanly or not) before any timeout
        bool timedOut = false;  // no data for idleTimeoutMs
        QString transportError; // a connection that ended abnormally

        // The `data: ` lines decoded; lines that do not decode give an empty object.
        QList<QJsonObject> events() const;
    };

    static Result post(const QUrl &url, const QString &token, const QJsonObject &body,
                       int idleTimeoutMs = 10000);

    // The same request over a plain socket, returning every byte of the answer (headers and raw
    // chunked framing) up to the server's close: what shows whether a body was cut off.
    static QByteArray rawPost(const QUrl &url, const QString &token, const QJsonObject &body);
};
