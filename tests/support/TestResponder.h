#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QQueue>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A tiny HTTP/1.1 server on 127.0.0.1 for exact status, header and body cases: each request gets
// the next scripted response (or the handler's answer), written on its own connection, which is
// then closed. A response can be written as pieces with pauses between them, so a client that
// reads "as it arrives" can be told apart from one that waits for the end, and it can end by
// dropping the connection mid-body. Every request is recorded for the test to inspect.
class TestResponder : public QObject {
    Q_OBJECT
public:
    struct Piece {
        QByteArray data;
        int pauseMsBefore = 0;
    };

    struct Response {
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        // When not empty, written after `body` one by one, each after its pause; the answer then
        // carries no Content-Length and ends when the connection closes.
        QList<Piece> pieces;
        // Close the connection abruptly after the last piece instead of ending the answer.
        bool dropAtEnd = false;
        // Close the connection as soon as the request is read, writing nothing.
        bool dropWithoutAnswer = false;

        static Response json(int status, const QByteArray &body);
        // Each line is written with "\n" after a pause of `pauseMs`.
        static Response lines(const QList<QByteArray> &lines, int pauseMs,
                              const QByteArray &contentType = "text/event-stream");
        static Response dropped();
    };

    struct Request {
        QByteArray method;
        QByteArray target; // as sent: path and query, percent-encoding kept
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;

        // The first header of that name, compared without regard to case.
        std::optional<QByteArray> header(const QByteArray &name) const;
        QByteArray path() const;  // `target` without its query
        QByteArray query() const; // after "?", empty when none
    };

    explicit TestResponder(QObject *parent = nullptr);
    ~TestResponder() override;

    // Listens on 127.0.0.1, port chosen by the system; false when it cannot.
    bool listen();
    quint16 port() const;
    // "http://127.0.0.1:<port>" followed by `path`.
    QUrl url(const QString &path = {}) const;

    void enqueue(Response response);
    // Answers every request that finds the queue empty; without one, such a request gets a 599.
    void setHandler(std::function<Response(const Request &)> handler);

    const QList<Request> &requests() const { return m_requests; }
    int requestCount() const { return int(m_requests.size()); }
    // Connections whose request has been read but whose answer is still being written.
    int openAnswers() const { return m_openAnswers; }

signals:
    void requestReceived();

private:
    void accept();
    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Request &request);
    void writePieces(QTcpSocket *socket, Response response, qsizetype next);
    void finish(QTcpSocket *socket, bool drop);

    QTcpServer m_server;
    QQueue<Response> m_queue;
    std::function<Response(const Request &)> m_handler;
    QList<Request> m_requests;
    int m_openAnswers = 0;
};
