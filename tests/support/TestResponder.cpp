#include "support/TestResponder.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 202:
        return "Accepted";
    case 204:
        return "No Content";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

// The buffered bytes of one connection, until a whole request has arrived.
const char *const BufferProperty = "testResponderBuffer";

} // namespace

TestResponder::Response TestResponder::Response::json(int status, const QByteArray &body)
{
    Response response;
    response.status = status;
    response.headers = {{"Content-Type", "application/json"}};
    response.body = body;
    return response;
}

TestResponder::Response TestResponder::Response::lines(const QList<QByteArray> &lines, int pauseMs,
                                                       const QByteArray &contentType)
{
    Response response;
    response.headers = {{"Content-Type", contentType}};
    for (const QByteArray &line : lines)
        response.pieces.append({line + '\n', pauseMs});
    return response;
}

TestResponder::Response TestResponder::Response::dropped()
{
    Response response;
    response.dropWithoutAnswer = true;
    return response;
}

std::optional<QByteArray> TestResponder::Request::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

QByteArray TestResponder::Request::path() const
{
    const qsizetype mark = target.indexOf('?');
    return mark < 0 ? target : target.left(mark);
}

QByteArray TestResponder::Request::query() const
{
    const qsizetype mark = target.indexOf('?');
    return mark < 0 ? QByteArray() : target.mid(mark + 1);
}

TestResponder::TestResponder(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestResponder::accept);
}

TestResponder::~TestResponder() = default;

bool TestResponder::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

quint16 TestResponder::port() const
{
    return m_server.serverPort();
}

QUrl TestResponder::url(const QString &path) const
{
    return QUrl(u"http://127.0.0.1:"_qs + QString::number(port()) + path);
}

void TestResponder::enqueue(Response response)
{
    m_queue.enqueue(std::move(response));
}

void TestResponder::setHandler(std::function<Response(const Request &)> handler)
{
    m_handler = std::move(handler);
}

void TestResponder::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void TestResponder::readFrom(QTcpSocket *socket)
{
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray buffer = socket->property(BufferProperty).toByteArray() + socket->readAll();
    socket->setProperty(BufferProperty, buffer);
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;

    Request request;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        request.headers.append({name, value});
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            contentLength = value.toLongLong();
    }
    if (buffer.size() - (headEnd + 4) < contentLength)
        return; // the body is still on its way
    request.body = buffer.mid(headEnd + 4, contentLength);
    socket->setProperty("answered", true);
    m_requests.append(request);
    emit requestReceived();
    answer(socket, request);
}

void TestResponder::answer(QTcpSocket *socket, const Request &request)
{
    Response response;
    if (!m_queue.isEmpty())
        response = m_queue.dequeue();
    else if (m_handler)
        response = m_handler(request);
    else
        response = Response::json(599, R"({"error":"no scripted response"})");

    ++m_openAnswers;
    if (response.dropWithoutAnswer) {
        finish(socket, true);
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                      reasonPhrase(response.status) + "\r\n";
    for (const auto &[name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    if (response.pieces.isEmpty())
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head + response.body);
    writePieces(socket, std::move(response), 0);
}

void TestResponder::writePieces(QTcpSocket *socket, Response response, qsizetype next)
{
    if (next >= response.pieces.size()) {
        finish(socket, response.dropAtEnd);
        return;
    }
    const int pause = response.pieces.at(next).pauseMsBefore;
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(pause, this, [this, guarded, response = std::move(response), next]() {
        if (!guarded || guarded->state() != QAbstractSocket::ConnectedState) {
            --m_openAnswers;
            return; // the client went away
        }
        guarded->write(response.pieces.at(next).data);
        guarded->flush();
        writePieces(guarded, response, next + 1);
    });
}

void TestResponder::finish(QTcpSocket *socket, bool drop)
{
    --m_openAnswers;
    if (drop) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    socket->disconnectFromHost();
}
