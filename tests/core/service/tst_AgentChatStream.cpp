#include <functional>
#include <optional>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QTest>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include "core/service/APIError.h"
#include "core/service/AgentChatHandle.h"
#include "core/service/DecodingError.h"
#include "core/service/SharedNetwork.h"
#include "core/service/SlateboxAPI.h"
#include "core/service/StreamingNetwork.h"
#include "core/service/TransportError.h"
#include "support/TestResponder.h"

using Event = AgentChatEvent;
using Response = TestResponder::Response;

namespace {

// How a consumed stream ended: normally (no error), or with the text and kind of its error.
struct Outcome {
    QList<Event> events;
    QString error;
    bool apiError = false;
    std::optional<QNetworkReply::NetworkError> transportError;
};

QCoro::Task<Outcome> consume(QCoro::AsyncGenerator<Event> stream,
                             std::function<void(const Event &)> onEvent = {})
{
    Outcome outcome;
    try {
        for (auto it = co_await stream.begin(); it != stream.end(); co_await ++it) {
            outcome.events.append(*it);
            if (onEvent)
                onEvent(*it);
        }
    } catch (const APIError &error) {
        outcome.error = error.message();
        outcome.apiError = true;
    } catch (const TransportError &error) {
        outcome.error = error.message();
        outcome.transportError = error.code();
    }
    co_return outcome;
}

// QCoro::waitFor does not carry an exception out, so failures are caught inside the coroutine.
QCoro::Task<std::pair<std::optional<QString>, QString>>
titleOutcome(SlateboxAPI api, QList<AgentChatBody::Message> messages)
{
    try {
        co_return std::pair(co_await api.agentTitle(messages), QString());
    } catch (const APIError &) {
        co_return std::pair(std::optional<QString>(), u"api"_qs);
    } catch (const DecodingError &) {
        co_return std::pair(std::optional<QString>(), u"decoding"_qs);
    }
}

AgentChatBody sampleBody()
{
    AgentChatBody body;
    body.model = u"auto"_qs;
    body.mode = u"agent"_qs;
    body.messages = {AgentChatBody::Message{u"user"_qs, u"Write the scene"_qs, {}, {}, {}}};
    body.context.title = u"Harbour Lights"_qs;
    body.context.type = u"series"_qs;
    body.context.org = u"demo"_qs;
    body.context.slug = u"harbour"_qs;
    return body;
}

Response streamOf(const QList<QByteArray> &lines, int pauseMs = 20)
{
    return Response::lines(lines, pauseMs);
}

} // namespace

class TestAgentChatStream : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        StreamingNetwork::setTimeouts({});
        // A manager per test: each responder is a new server, never a kept-alive connection.
        m_network = std::make_unique<QNetworkAccessManager>();
        SharedNetwork::setManager(m_network.get());
        m_responder = std::make_unique<TestResponder>();
        QVERIFY(m_responder->listen());
    }

    void cleanup()
    {
        SharedNetwork::setManager(nullptr);
        m_network.reset();
        m_responder.reset();
    }

    void streamRules_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<QList<Event>>("events");
        QTest::addColumn<QString>("error"); // empty: the stream ends normally

        QTest::newRow("done stops reading")
            << streamOf({"event: message", "", R"(data: {"delta":"Hel"})",
                         R"(data: {"delta":"lo","done":true})", R"(data: {"delta":"late"})"})
            << QList<Event>{Event::delta(u"Hel"_qs), Event::delta(u"lo"_qs)} << QString();
        QTest::newRow("ends without done")
            << streamOf({R"(data: {"reasoning":"r"})", R"(data: {"title":"T","done":false})"})
            << QList<Event>{Event::reasoning(u"r"_qs), Event::title(u"T"_qs)} << QString();
        QTest::newRow("last line without line break")
            << Response{200,   {{"Content-Type", "text/event-stream"}},
                        {},    {{"data: {\"delta\":", 0}, {"\"tail\"}", 30}},
                        false, false}
            << QList<Event>{Event::delta(u"tail"_qs)} << QString();
        QTest::newRow("dropped line and the stream goes on")
            << streamOf({"data: {not json", R"(data: {"delta":"ok"})"})
            << QList<Event>{Event::dropped(u"data: {not json"_qs), Event::delta(u"ok"_qs)}
            << QString();
        QTest::newRow("error event ends the stream")
            << streamOf({R"(data: {"delta":"a"})", R"(data: {"delta":"b","error":"quota used up"})",
                         R"(data: {"delta":"c"})"})
            << QList<Event>{Event::delta(u"a"_qs)} << u"quota used up"_qs;
        QTest::newRow("connection dropped mid-body")
            << Response{200,  {{"Content-Type", "text/event-stream"}},
                        {},   {{"data: {\"delta\":\"a\"}\n", 0}, {"data: {\"delta\":\"b\"}\n", 30}},
                        true, false}
            << QList<Event>{Event::delta(u"a"_qs), Event::delta(u"b"_qs)} << QString();
        QTest::newRow("429 with an error text")
            << Response::json(429, R"({"error":"slow down"})") << QList<Event>{} << u"slow down"_qs;
        QTest::newRow("502 with HTML") << Response{502,
                                                   {{"Content-Type", "text/html"}},
                                                   "<html>Bad gateway</html>",
                                                   {},
                                                   false,
                                                   false}
                                       << QList<Event>{} << u"agent chat failed (502)"_qs;
        QTest::newRow("400 with a non-string error")
            << Response::json(400, R"({"error":42})") << QList<Event>{}
            << u"agent chat failed (400)"_qs;
        QTest::newRow("201 is no stream") << Response{201,
                                                      {{"Content-Type", "text/event-stream"}},
                                                      "data: {\"delta\":\"x\"}\n",
                                                      {},
                                                      false,
                                                      false}
                                          << QList<Event>{} << u"agent chat failed (201)"_qs;
    }

    void streamRules()
    {
        QFETCH(Response, response);
        QFETCH(QList<Event>, events);
        QFETCH(QString, error);

        m_responder->enqueue(response);
        const Outcome outcome = QCoro::waitFor(consume(api().agentChat(sampleBody(), {})));
        QCOMPARE(outcome.events, events);
        QCOMPARE(outcome.error, error);
        QCOMPARE(outcome.apiError, !error.isEmpty());
    }

    void eventsArriveAsTheyAreWritten()
    {
        m_responder->enqueue(streamOf({R"(data: {"delta":"one"})", R"(data: {"delta":"two"})",
                                       R"(data: {"delta":"three"})", R"(data: {"done":true})"},
                                      300));
        QElapsedTimer clock;
        clock.start();
        QList<qint64> arrivals;
        QList<int> stillWriting;
        const Outcome outcome =
            QCoro::waitFor(consume(api().agentChat(sampleBody(), {}), [&](const Event &) {
                arrivals.append(clock.elapsed());
                stillWriting.append(m_responder->openAnswers());
            }));
        QCOMPARE(outcome.events.size(), 3);
        QVERIFY(outcome.error.isEmpty());
        // Each event is in hand while the answer is still being written, a pause apart.
        QCOMPARE(stillWriting, (QList<int>{1, 1, 1}));
        QVERIFY2(arrivals[1] - arrivals[0] >= 200, qPrintable(QString::number(arrivals[1])));
        QVERIFY(arrivals[2] - arrivals[1] >= 200);
    }

    void requestCarriesBodyAndHeaders()
    {
        m_responder->enqueue(streamOf({R"(data: {"done":true})"}));
        const AgentChatBody body = sampleBody();
        SlateboxAPI api(m_responder->url(u"/base/"_qs), u"device-token-1"_qs);
        QCoro::waitFor(consume(api.agentChat(body, {})));

        QCOMPARE(m_responder->requestCount(), 1);
        const TestResponder::Request &request = m_responder->requests().first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path(), QByteArray("/base/v1/agent/chat"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(request.header("Authorization"), QByteArray("Bearer device-token-1"));
        QCOMPARE(QJsonDocument::fromJson(request.body).object(), body.toJson());
        // Compact JSON, absent optionals left out.
        QVERIFY(!request.body.contains('\n'));
        QVERIFY(!request.body.contains("null"));
    }

    void signedOutSendsNoAuthorization()
    {
        m_responder->enqueue(streamOf({R"(data: {"done":true})"}));
        QCoro::waitFor(consume(api().agentChat(sampleBody(), {})));
        QCOMPARE(m_responder->requestCount(), 1);
        QVERIFY(!m_responder->requests().first().header("Authorization"));
    }

    void stopAbortsTheTransfer()
    {
        QList<QByteArray> lines;
        for (int i = 0; i < 30; ++i)
            lines.append(R"(data: {"delta":"x"})");
        m_responder->enqueue(streamOf(lines, 100));

        AgentChatHandle handle;
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome =
            QCoro::waitFor(consume(api().agentChat(sampleBody(), handle), [&](const Event &) {
                if (!handle.isStopped())
                    QTimer::singleShot(50, [handle]() mutable { handle.stop(); });
            }));
        QCOMPARE(outcome.events.size(), 1);
        QCOMPARE(outcome.transportError, QNetworkReply::OperationCanceledError);
        QVERIFY(!outcome.apiError);
        // The responder finds the connection gone at its next write, long before its 3 s script.
        QTRY_COMPARE_WITH_TIMEOUT(m_responder->openAnswers(), 0, 1000);
        QVERIFY(clock.elapsed() < 1500);
    }

    void stopFromTheConsumerBetweenEvents()
    {
        m_responder->enqueue(
            streamOf({R"(data: {"delta":"a","reasoning":"b"})", R"(data: {"delta":"c"})"}, 200));
        AgentChatHandle handle;
        const Outcome outcome = QCoro::waitFor(
            consume(api().agentChat(sampleBody(), handle), [&](const Event &) { handle.stop(); }));
        QCOMPARE(outcome.events, QList<Event>{Event::delta(u"a"_qs)});
        QCOMPARE(outcome.transportError, QNetworkReply::OperationCanceledError);
        QTRY_COMPARE_WITH_TIMEOUT(m_responder->openAnswers(), 0, 1000);
    }

    void stopBeforeTheFirstAwait()
    {
        m_responder->enqueue(streamOf({R"(data: {"done":true})"}));
        AgentChatHandle handle;
        auto stream = api().agentChat(sampleBody(), handle);
        handle.stop();
        const Outcome outcome = QCoro::waitFor(consume(std::move(stream)));
        QCOMPARE(outcome.transportError, QNetworkReply::OperationCanceledError);
        QCOMPARE(m_responder->requestCount(), 0);
    }

    void timeouts_data()
    {
        QTest::addColumn<int>("idleMs");
        QTest::addColumn<int>("turnMs");
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<bool>("timesOut");

        QTest::newRow("idle exceeded") << 150 << 10000 << 600 << true;
        QTest::newRow("data keeps the idle wait alive") << 250 << 10000 << 80 << false;
        QTest::newRow("whole turn exceeded") << 10000 << 300 << 80 << true;
    }

    void timeouts()
    {
        QFETCH(int, idleMs);
        QFETCH(int, turnMs);
        QFETCH(int, pauseMs);
        QFETCH(bool, timesOut);

        StreamingNetwork::setTimeouts(
            {std::chrono::milliseconds(idleMs), std::chrono::milliseconds(turnMs)});
        QList<QByteArray> lines;
        for (int i = 0; i < 8; ++i)
            lines.append(R"(data: {"delta":"x"})");
        m_responder->enqueue(streamOf(lines, pauseMs));
        const Outcome outcome = QCoro::waitFor(consume(api().agentChat(sampleBody(), {})));
        if (timesOut) {
            QCOMPARE(outcome.transportError, QNetworkReply::TimeoutError);
            QVERIFY(outcome.events.size() < 8);
            QTRY_COMPARE_WITH_TIMEOUT(m_responder->openAnswers(), 0, 2000);
        } else {
            QCOMPARE(outcome.events.size(), 8);
            QVERIFY(outcome.error.isEmpty());
        }
    }

    void connectionRefusedIsATransportError()
    {
        const QUrl url = m_responder->url();
        m_responder.reset();
        const Outcome outcome =
            QCoro::waitFor(consume(SlateboxAPI(url, std::nullopt).agentChat(sampleBody(), {})));
        QCOMPARE(outcome.transportError, QNetworkReply::ConnectionRefusedError);
        QVERIFY(!outcome.apiError);
        m_responder = std::make_unique<TestResponder>();
    }

    void title_data()
    {
        QTest::addColumn<Response>("response");
        QTest::addColumn<std::optional<QString>>("title");
        QTest::addColumn<QString>("error");

        QTest::newRow("title") << Response::json(200, R"({"title":"Harbour at dawn"})")
                               << std::optional<QString>(u"Harbour at dawn"_qs) << QString();
        QTest::newRow("empty object")
            << Response::json(200, "{}") << std::optional<QString>() << QString();
        QTest::newRow("null title")
            << Response::json(200, R"({"title":null})") << std::optional<QString>() << QString();
        QTest::newRow("201 fails the check")
            << Response::json(201, R"({"title":"x"})") << std::optional<QString>() << u"api"_qs;
        QTest::newRow("not JSON") << Response::json(200, "<html>") << std::optional<QString>()
                                  << u"decoding"_qs;
        QTest::newRow("title not a string")
            << Response::json(200, R"({"title":3})") << std::optional<QString>() << u"decoding"_qs;
    }

    void title()
    {
        QFETCH(Response, response);
        QFETCH(std::optional<QString>, title);
        QFETCH(QString, error);

        m_responder->enqueue(response);
        const QList<AgentChatBody::Message> messages = sampleBody().messages;
        const auto [answer, failure] = QCoro::waitFor(titleOutcome(api(), messages));
        QCOMPARE(failure, error);
        QCOMPARE(answer, title);
        const TestResponder::Request &request = m_responder->requests().first();
        QCOMPARE(request.path(), QByteArray("/v1/agent/title"));
        const QJsonObject sent = QJsonDocument::fromJson(request.body).object();
        QCOMPARE(sent.keys(), QStringList{u"messages"_qs});
        QCOMPARE(sent.value(u"messages").toArray().first().toObject(), messages.first().toJson());
    }

private:
    SlateboxAPI api() const { return SlateboxAPI(m_responder->url(), std::nullopt); }

    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<TestResponder> m_responder;
};

QTEST_GUILESS_MAIN(TestAgentChatStream)
#include "tst_AgentChatStream.moc"
