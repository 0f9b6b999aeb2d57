#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QTest>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include "core/service/APIError.h"
#include "core/service/AgentChatHandle.h"
#include "core/service/SharedNetwork.h"
#include "core/service/SlateboxAPI.h"
#include "core/service/StreamingNetwork.h"
#include "core/service/TransportError.h"
#include "support/ServerProcess.h"

using Event = AgentChatEvent;

namespace {

const QString token = u"alice-token-1"_qs;

struct Outcome {
    QList<Event> events;
    QString error;
    bool apiError = false;
    std::optional<QNetworkReply::NetworkError> transportError;
};

QCoro::Task<Outcome> consume(QCoro::AsyncGenerator<Event> stream)
{
    Outcome outcome;
    try {
        for (auto it = co_await stream.begin(); it != stream.end(); co_await ++it)
            outcome.events.append(*it);
    } catch (const APIError &error) {
        outcome.error = error.message();
        outcome.apiError = true;
    } catch (const TransportError &error) {
        outcome.error = error.message();
        outcome.transportError = error.code();
    }
    co_return outcome;
}

QCoro::Task<std::optional<int>> script(SlateboxAPI api, QJsonObject turn)
{
    try {
        const APIResponse response = co_await api.post(u"v1/test/agent-turn"_qs, turn);
        co_return response.statusCode;
    } catch (const std::exception &) {
        co_return std::nullopt;
    }
}

QCoro::Task<std::pair<std::optional<QString>, QString>>
titleOutcome(SlateboxAPI api, QList<AgentChatBody::Message> messages)
{
    try {
        co_return std::pair(co_await api.agentTitle(messages), QString());
    } catch (const UserFacingError &error) {
        co_return std::pair(std::optional<QString>(), error.message());
    }
}

AgentChatBody turn(const QString &mode, const QString &text)
{
    AgentChatBody body;
    body.model = u"auto"_qs;
    body.mode = mode;
    body.messages = {AgentChatBody::Message{u"user"_qs, text, {}, {}, {}}};
    body.context.title = u"Harbour"_qs;
    body.context.type = u"film"_qs;
    body.context.org = u"alice"_qs;
    body.context.slug = u"harbour"_qs;
    body.context.files = {{u"bible/world.md"_qs, u"# World\n\nA harbour town.\n"_qs},
                          {u"notes/old.md"_qs, u"stale\n"_qs}};
    body.context.activeFile = u"bible/world.md"_qs;
    body.context.projectLayout = QStringList{u"bible/world.md"_qs, u"notes/old.md"_qs};
    return body;
}

QJsonObject step(const QJsonObject &event, int pauseMs = 10)
{
    return {{u"pauseMs"_qs, pauseMs}, {u"event"_qs, event}};
}

QList<Event::Kind> kindsOf(const QList<Event> &events)
{
    QList<Event::Kind> kinds;
    for (const Event &event : events) {
        if (!kinds.contains(event.kind))
            kinds.append(event.kind);
    }
    std::sort(kinds.begin(), kinds.end());
    return kinds;
}

} // namespace

class TestAgentChatIntegration : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start({u"--user"_qs, u"alice="_qs + token, u"--test-hooks"_qs}),
                 qPrintable(m_server.errorString()));
    }

    void init()
    {
        StreamingNetwork::setTimeouts({});
        m_network = std::make_unique<QNetworkAccessManager>();
        SharedNetwork::setManager(m_network.get());
    }

    void cleanup()
    {
        SharedNetwork::setManager(nullptr);
        m_network.reset();
    }

    void demoTurnDeliversEveryKind()
    {
        const Outcome outcome = QCoro::waitFor(consume(api().agentChat(
            turn(u"agent"_qs, u"Please edit the notes, add an image and delete the old note"_qs),
            {})));
        QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
        const QList<Event::Kind> all{
            Event::Kind::Delta,  Event::Kind::Reasoning, Event::Kind::Status,
            Event::Kind::Tool,   Event::Kind::Edit,      Event::Kind::Asset,
            Event::Kind::Delete, Event::Kind::Usage,     Event::Kind::Title};
        QCOMPARE(kindsOf(outcome.events), all);
        const auto usage =
            std::find_if(outcome.events.begin(), outcome.events.end(),
                         [](const Event &e) { return e.kind == Event::Kind::Usage; });
        QVERIFY(usage->usage->inputTokens > 0);
        QVERIFY(usage->usage->model != u"auto");
    }

    void scriptedTurnArrivesExactly()
    {
        const QJsonObject usage{{u"inputTokens"_qs, 10},
                                {u"outputTokens"_qs, 2},
                                {u"model"_qs, u"demo"_qs},
                                {u"contextWindow"_qs, 1000}};
        const QJsonArray steps{
            step({{u"reasoning"_qs, u"Thinking"_qs}}),
            step({{u"status"_qs, u"read_file"_qs}}),
            step({{u"tool"_qs, QJsonObject{{u"name"_qs, u"read_file"_qs}}}}),
            QJsonObject{{u"line"_qs, u"data: {not json"_qs}},
            QJsonObject{{u"line"_qs, u": comment"_qs}},
            step({{u"delta"_qs, u"Done."_qs},
                  {u"edit"_qs, QJsonObject{{u"path"_qs, u"a.md"_qs}, {u"contents"_qs, u"A"_qs}}},
                  {u"asset"_qs,
                   QJsonObject{{u"path"_qs, u"b.png"_qs}, {u"dataBase64"_qs, u"AA=="_qs}}},
                  {u"delete"_qs, QJsonObject{{u"path"_qs, u"c.md"_qs}}},
                  {u"usage"_qs, usage},
                  {u"title"_qs, u"Harbour"_qs}}),
            step({{u"done"_qs, true}}),
            step({{u"delta"_qs, u"after done"_qs}})};
        QCOMPARE(QCoro::waitFor(script(api(), {{u"steps"_qs, steps}})), 200);

        const Outcome outcome =
            QCoro::waitFor(consume(api().agentChat(turn(u"ask"_qs, u"hi"_qs), {})));
        QVERIFY2(outcome.error.isEmpty(), qPrintable(outcome.error));
        const QList<Event> expected{Event::reasoning(u"Thinking"_qs),
                                    Event::status(u"read_file"_qs),
                                    Event::tool(u"read_file"_qs, {}, {}, {}),
                                    Event::dropped(u"data: {not json"_qs),
                                    Event::delta(u"Done."_qs),
                                    Event::edit(u"a.md"_qs, u"A"_qs),
                                    Event::asset(u"b.png"_qs, u"AA=="_qs),
                                    Event::deleted(u"c.md"_qs),
                                    Event::usageReport(AgentTurnUsage{10, 2, u"demo"_qs, 1000, {}}),
                                    Event::title(u"Harbour"_qs)};
        QCOMPARE(outcome.events, expected);
    }

    void scriptedFaults_data()
    {
        QTest::addColumn<QJsonObject>("turn");
        QTest::addColumn<int>("events");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("apiError");

        QTest::newRow("429 with an error text")
            << QJsonObject{{u"status"_qs, 429},
                           {u"body"_qs, u"{\"error\":\"slow down\"}"_qs},
                           {u"contentType"_qs, u"application/json"_qs}}
            << 0 << u"slow down"_qs << true;
        QTest::newRow("502 with HTML") << QJsonObject{{u"status"_qs, 502},
                                                      {u"body"_qs, u"<html>down</html>"_qs},
                                                      {u"contentType"_qs, u"text/html"_qs}}
                                       << 0 << u"agent chat failed (502)"_qs << true;
        QTest::newRow("error event")
            << QJsonObject{{u"steps"_qs, QJsonArray{step({{u"delta"_qs, u"a"_qs}}),
                                                    step({{u"error"_qs, u"model overloaded"_qs}}),
                                                    step({{u"delta"_qs, u"b"_qs}})}}}
            << 1 << u"model overloaded"_qs << true;
        QTest::newRow("no done") << QJsonObject{{u"steps"_qs,
                                                 QJsonArray{step({{u"delta"_qs, u"a"_qs}}),
                                                            step({{u"delta"_qs, u"b"_qs}})}}}
                                 << 2 << QString() << false;
    }

    void scriptedFaults()
    {
        QFETCH(QJsonObject, turn);
        QFETCH(int, events);
        QFETCH(QString, error);
        QFETCH(bool, apiError);

        QCOMPARE(QCoro::waitFor(script(api(), turn)), 200);
        const Outcome outcome =
            QCoro::waitFor(consume(api().agentChat(::turn(u"ask"_qs, u"hi"_qs), {})));
        QCOMPARE(outcome.events.size(), events);
        QCOMPARE(outcome.error, error);
        QCOMPARE(outcome.apiError, apiError);
    }

    void droppedConnectionKeepsWhatArrived()
    {
        const QJsonArray steps{step({{u"delta"_qs, u"a"_qs}}), QJsonObject{{u"drop"_qs, true}}};
        QCOMPARE(QCoro::waitFor(script(api(), {{u"steps"_qs, steps}})), 200);
        const Outcome outcome =
            QCoro::waitFor(consume(api().agentChat(turn(u"ask"_qs, u"hi"_qs), {})));
        QCOMPARE(outcome.events, QList<Event>{Event::delta(u"a"_qs)});
        // A lost connection is a transport failure when Qt notices the missing last chunk; when
        // it reads the cut body as complete, the stream simply ends without `done`.
        QVERIFY(!outcome.apiError);
        if (outcome.transportError)
            QCOMPARE(*outcome.transportError, QNetworkReply::RemoteHostClosedError);
        else
            QVERIFY(outcome.error.isEmpty());
    }

    void stallHitsTheIdleLimit()
    {
        StreamingNetwork::setTimeouts({std::chrono::milliseconds(300), std::chrono::seconds(60)});
        const QJsonArray steps{step({{u"delta"_qs, u"a"_qs}}), QJsonObject{{u"pauseMs"_qs, 3000}},
                               step({{u"done"_qs, true}})};
        QCOMPARE(QCoro::waitFor(script(api(), {{u"steps"_qs, steps}})), 200);
        const Outcome outcome =
            QCoro::waitFor(consume(api().agentChat(turn(u"ask"_qs, u"hi"_qs), {})));
        QCOMPARE(outcome.events.size(), 1);
        QCOMPARE(outcome.transportError, QNetworkReply::TimeoutError);
    }

    void stopEndsWithCancellation()
    {
        const QJsonArray steps{step({{u"delta"_qs, u"a"_qs}}), QJsonObject{{u"pauseMs"_qs, 3000}},
                               step({{u"done"_qs, true}})};
        QCOMPARE(QCoro::waitFor(script(api(), {{u"steps"_qs, steps}})), 200);
        AgentChatHandle handle;
        QTimer::singleShot(300, [handle]() mutable { handle.stop(); });
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome =
            QCoro::waitFor(consume(api().agentChat(turn(u"ask"_qs, u"hi"_qs), handle)));
        QCOMPARE(outcome.events.size(), 1);
        QCOMPARE(outcome.transportError, QNetworkReply::OperationCanceledError);
        QVERIFY(clock.elapsed() < 2000);
    }

    void title()
    {
        const auto [title, error] = QCoro::waitFor(titleOutcome(
            api(),
            {AgentChatBody::Message{u"user"_qs, u"Write the harbour scene"_qs, {}, {}, {}}}));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(title && !title->isEmpty());

        const auto [none, noError] = QCoro::waitFor(
            titleOutcome(api(), {AgentChatBody::Message{u"user"_qs, u"?!"_qs, {}, {}, {}}}));
        QVERIFY2(noError.isEmpty(), qPrintable(noError));
        QCOMPARE(none, std::nullopt);
    }

    void signedOutIsRefused()
    {
        const Outcome outcome =
            QCoro::waitFor(consume(SlateboxAPI(m_server.baseUrl(), std::nullopt)
                                       .agentChat(turn(u"ask"_qs, u"hi"_qs), {})));
        QVERIFY(outcome.apiError);
        QVERIFY(!outcome.error.isEmpty());
    }

private:
    SlateboxAPI api() const { return SlateboxAPI(m_server.baseUrl(), token); }

    ServerProcess m_server;
    std::unique_ptr<QNetworkAccessManager> m_network;
};

QTEST_GUILESS_MAIN(TestAgentChatIntegration)
#include "tst_AgentChatIntegration.moc"
