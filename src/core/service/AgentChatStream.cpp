#include "core/service/AgentChatStream.h"

#include <coroutine>
#include <memory>

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "core/service/APIError.h"
#include "core/service/AgentChatLine.h"
#include "core/service/AgentChatLineBuffer.h"
#include "core/service/ErrorPayload.h"
#include "core/service/StreamingNetwork.h"
#include "core/service/TransportError.h"

namespace AgentChatStream {

namespace {

// Ends a transfer the stream no longer reads. Only our own connections to the reply are cut
// (by their owners): the reply's link to the HTTP thread must stay so the abort reaches the
// socket and the server sees the connection close.
struct ReplyCloser {
    void operator()(QNetworkReply *reply) const
    {
        reply->abort();
        reply->deleteLater();
    }
};
using ReplyPointer = std::unique_ptr<QNetworkReply, ReplyCloser>;

// Suspends until the reply has unread bytes or has finished (only the latter when
// `untilFinished`). The resumption is direct, from the signal, and both connections are cut
// before it so a later signal cannot resume twice.
class ReplyActivity {
public:
    ReplyActivity(QNetworkReply *reply, bool untilFinished)
        : m_reply(reply)
        , m_untilFinished(untilFinished)
    {
    }

    bool await_ready() const
    {
        return m_reply->isFinished() || (!m_untilFinished && m_reply->bytesAvailable() > 0);
    }

    void await_suspend(std::coroutine_handle<> waiting)
    {
        auto resume = [this, waiting] {
            QObject::disconnect(m_readyRead);
            QObject::disconnect(m_finished);
            waiting.resume();
        };
        if (!m_untilFinished)
            m_readyRead = QObject::connect(m_reply, &QNetworkReply::readyRead, m_reply, resume);
        m_finished = QObject::connect(m_reply, &QNetworkReply::finished, m_reply, resume);
    }

    void await_resume() const {}

    // A stream destroyed while it waits must never be resumed by a later signal.
    ~ReplyActivity()
    {
        QObject::disconnect(m_readyRead);
        QObject::disconnect(m_finished);
    }

private:
    QNetworkReply *m_reply;
    bool m_untilFinished;
    QMetaObject::Connection m_readyRead;
    QMetaObject::Connection m_finished;
};

bool isTransportFailure(QNetworkReply::NetworkError error)
{
    // Qt numbers connection and proxy failures below 200; above are answers with a bad status.
    return error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied;
}

// The two limits of a turn: no bytes for `idle`, or no end within `turn`. Either aborts the
// transfer, which wakes the waiting stream.
class Watchdog {
public:
    Watchdog(QNetworkReply *reply, StreamingNetwork::Timeouts limits)
    {
        for (QTimer *timer : {&m_idle, &m_turn}) {
            timer->setSingleShot(true);
            QObject::connect(timer, &QTimer::timeout, reply, [this, reply] {
                m_expired = true;
                reply->abort();
            });
        }
        QObject::connect(reply, &QNetworkReply::readyRead, &m_idle, qOverload<>(&QTimer::start));
        m_idle.start(limits.idle);
        m_turn.start(limits.turn);
    }

    bool hasExpired() const { return m_expired; }

private:
    QTimer m_idle;
    QTimer m_turn;
    bool m_expired = false;
};

// A stop is reported before a timeout: the caller asked for it.
void throwIfInterrupted(const AgentChatHandle &handle, const Watchdog &watchdog)
{
    if (handle.isStopped())
        throw TransportError(QNetworkReply::OperationCanceledError, u"Operation canceled"_qs);
    if (watchdog.hasExpired())
        throw TransportError(QNetworkReply::TimeoutError, u"Operation timed out"_qs);
}

void failRefusedTurn(int status, const QByteArray &body)
{
    const std::optional<ErrorPayload> payload = ErrorPayload::fromJson(body);
    if (payload && payload->error)
        throw APIError(*payload->error);
    throw APIError(u"agent chat failed ("_qs + QString::number(status) + u')');
}

} // namespace

QCoro::AsyncGenerator<AgentChatEvent> open(QNetworkRequest request, QByteArray body, QString origin,
                                           AgentChatHandle handle)
{
    if (handle.isStopped())
        throw TransportError(QNetworkReply::OperationCanceledError, u"Operation canceled"_qs);
    // Both limits are ours: Qt's transfer timeout would report itself as a cancellation.
    request.setTransferTimeout(0);
    ReplyPointer reply(StreamingNetwork::manager()->post(request, body));
    handle.attach(reply.get());
    struct Detach {
        AgentChatHandle &handle;
        ~Detach() { handle.attach(nullptr); }
    } detach{handle};

    Watchdog watchdog(reply.get(), StreamingNetwork::timeouts());

    std::optional<int> status;
    AgentChatLineBuffer lines;
    for (;;) {
        co_await ReplyActivity(reply.get(), status && *status != 200);
        throwIfInterrupted(handle, watchdog);
        if (!status) {
            const QVariant code = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (code.isValid()) {
                status = code.toInt();
            } else if (reply->isFinished()) {
                if (reply->error() != QNetworkReply::NoError)
                    throw TransportError(reply->error(), reply->errorString());
                throw APIError(u"unexpected response from "_qs + origin);
            } else {
                continue;
            }
        }
        if (*status != 200) {
            // A refusal is judged on its whole body, so wait for the rest of it.
            if (!reply->isFinished())
                continue;
            if (isTransportFailure(reply->error()))
                throw TransportError(reply->error(), reply->errorString());
            failRefusedTurn(*status, reply->readAll());
        }

        lines.append(reply->readAll());
        QByteArrayView line;
        while (lines.nextLine(line)) {
            AgentChatLine::Decoded decoded = AgentChatLine::decode(line);
            if (decoded.error)
                throw APIError(*decoded.error);
            for (AgentChatEvent &event : decoded.events) {
                co_yield std::move(event);
                throwIfInterrupted(handle, watchdog);
            }
            if (decoded.done)
                co_return;
        }
        if (!reply->isFinished())
            continue;
        if (isTransportFailure(reply->error()))
            throw TransportError(reply->error(), reply->errorString());
        // A body without a final line break still ends with a line.
        QByteArray rest;
        if (lines.takeRest(rest)) {
            AgentChatLine::Decoded decoded = AgentChatLine::decode(rest);
            if (decoded.error)
                throw APIError(*decoded.error);
            for (AgentChatEvent &event : decoded.events)
                co_yield std::move(event);
        }
        co_return;
    }
}

} // namespace AgentChatStream
