// The streamed agent turn: the demo agent's events and pauses, scripted turns and their faults,
// the chat title, and the checks every request goes through.
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include "TestHttp.h"
#include "TestStream.h"
#include "support/ServerProcess.h"

namespace {

const QString aliceToken = u"alice-token-1"_qs;

QJsonObject message(const QString &role, const QString &content)
{
    return {{u"role"_qs, role}, {u"content"_qs, content}};
}

QJsonObject file(const QString &path, const QString &contents)
{
    return {{u"path"_qs, path}, {u"contents"_qs, contents}};
}

QJsonObject chatBody(const QString &mode, const QJsonArray &messages)
{
    const QJsonArray files{file(u"bible/world.md"_qs, u"# World\n\nA harbour town.\n"_qs),
                           file(u"notes/old.md"_qs, u"stale\n"_qs),
                           file(u".slatebox/rules/style.md"_qs, u"Keep it short.\n"_qs)};
    return {{u"model"_qs, u"auto"_qs},
            {u"mode"_qs, mode},
            {u"messages"_qs, messages},
            {u"context"_qs, QJsonObject{{u"title"_qs, u"Harbour"_qs},
                                        {u"type"_qs, u"film"_qs},
                                        {u"org"_qs, u"alice"_qs},
                                        {u"slug"_qs, u"harbour"_qs},
                                        {u"files"_qs, files},
                                        {u"activeFile"_qs, u"bible/world.md"_qs}}}};
}

QJsonObject firstTurn(const QString &mode, const QString &text)
{
    return chatBody(mode, {message(u"user"_qs, text)});
}

// The keys of each decoded event, in order, for comparing a whole turn at a glance.
QStringList kinds(const QList<QJsonObject> &events)
{
    QStringList kinds;
    for (const QJsonObject &event : events)
        kinds << event.keys().join(u'+');
    return kinds;
}

QJsonObject find(const QList<QJsonObject> &events, const QString &key)
{
    for (const QJsonObject &event : events) {
        if (event.contains(key))
            return event;
    }
    return {};
}

} // namespace

class tst_ServerAgent : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void refusesWithoutValidToken_data();
    void refusesWithoutValidToken();
    void refusesBadChatBodies_data();
    void refusesBadChatBodies();

    void demoTurnStreamsEveryKindWithPauses();
    void agentModeChangesTheProjectWhenAsked();
    void askModeAndLaterTurnsChangeNothingAndNameNothing();

    void scriptedTurnPlaysExactlyOnce_data();
    void scriptedTurnPlaysExactlyOnce();
    void scriptedErrorStatus_data();
    void scriptedErrorStatus();
    void scriptedDropEndsTheConnection();
    void scriptedStallOutlastsAClientTimeout();
    void refusesBadScripts_data();
    void refusesBadScripts();
    void scriptsBelongToTheirToken();
    void hookNeedsTestHooks();

    void titleFromTheFirstUserMessage_data();
    void titleFromTheFirstUserMessage();

private:
    ServerProcess m_server;
    std::unique_ptr<TestHttp> m_http;
};

void tst_ServerAgent::initTestCase()
{
    QVERIFY2(m_server.start({u"--user"_qs, u"alice="_qs + aliceToken, u"--user"_qs,
                             u"bob=bob-token-1"_qs, u"--test-hooks"_qs}),
             qPrintable(m_server.errorString()));
    m_http = std::make_unique<TestHttp>(m_server.baseUrl());
    m_http->setToken(aliceToken);
}

void tst_ServerAgent::refusesWithoutValidToken_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("token");
    for (const QString &path :
         {u"v1/agent/chat"_qs, u"v1/agent/title"_qs, u"v1/test/agent-turn"_qs}) {
        QTest::addRow("%s no token", qPrintable(path)) << path << QString();
        QTest::addRow("%s unknown token", qPrintable(path)) << path << u"nobody-token-1"_qs;
    }
}

void tst_ServerAgent::refusesWithoutValidToken()
{
    QFETCH(QString, path);
    QFETCH(QString, token);
    TestHttp http(m_server.baseUrl());
    http.setToken(token);
    const auto reply = http.postJson(path, firstTurn(u"ask"_qs, u"hello"_qs));
    QCOMPARE(reply.status, 401);
    QVERIFY(!reply.error().isEmpty());
}

void tst_ServerAgent::refusesBadChatBodies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("message");
    const auto without = [](const QString &key) {
        QJsonObject body = firstTurn(u"ask"_qs, u"hi"_qs);
        body.remove(key);
        return QJsonDocument(body).toJson();
    };
    const auto with = [](const QString &key, const QJsonValue &value) {
        QJsonObject body = firstTurn(u"ask"_qs, u"hi"_qs);
        body.insert(key, value);
        return QJsonDocument(body).toJson();
    };
    QJsonObject context = firstTurn(u"ask"_qs, u"hi"_qs).value(u"context"_qs).toObject();
    context.insert(u"files"_qs, QJsonArray{QJsonObject{{u"path"_qs, u"a.md"_qs}}});
    QTest::newRow("not json") << QByteArray("{model") << u"not valid JSON"_qs;
    QTest::newRow("array") << QByteArray("[]") << u"JSON object"_qs;
    QTest::newRow("no model") << without(u"model"_qs) << u"model"_qs;
    QTest::newRow("bad mode") << with(u"mode"_qs, u"chat"_qs) << u"mode"_qs;
    QTest::newRow("messages not array") << with(u"messages"_qs, u"hi"_qs) << u"messages"_qs;
    QTest::newRow("no messages") << with(u"messages"_qs, QJsonArray()) << u"messages"_qs;
    QTest::newRow("bad role") << with(u"messages"_qs, QJsonArray{message(u"system"_qs, u"x"_qs)})
                              << u"role"_qs;
    QTest::newRow("content not string")
        << with(u"messages"_qs,
                QJsonArray{QJsonObject{{u"role"_qs, u"user"_qs}, {u"content"_qs, 3}}})
        << u"content"_qs;
    QTest::newRow("no context") << without(u"context"_qs) << u"context"_qs;
    QTest::newRow("file without contents") << with(u"context"_qs, context) << u"contents"_qs;
}

void tst_ServerAgent::refusesBadChatBodies()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, message);
    const auto reply = m_http->post(u"v1/agent/chat"_qs, body);
    QCOMPARE(reply.status, 400);
    QVERIFY2(reply.error().contains(message), qPrintable(reply.error()));
}

void tst_ServerAgent::demoTurnStreamsEveryKindWithPauses()
{
    const auto turn = TestStream::post(m_http->url(u"v1/agent/chat"_qs), aliceToken,
                                       firstTurn(u"ask"_qs, u"what is this town like?"_qs));
    QCOMPARE(turn.status, 200);
    QVERIFY(turn.contentType.startsWith("text/event-stream"));
    QVERIFY(turn.finished);
    QVERIFY2(turn.transportError.isEmpty(), qPrintable(turn.transportError));
    QVERIFY(turn.lines.size() > 10);
    for (const TestStream::Line &line : turn.lines)
        QVERIFY2(line.text.startsWith("data: {"), line.text.constData());

    const QList<QJsonObject> events = turn.events();
    const QStringList order = kinds(events);
    QCOMPARE(order.mid(0, 3), QStringList(3, u"reasoning"_qs));
    QCOMPARE(order.mid(3, 2), (QStringList{u"status"_qs, u"tool"_qs}));
    QCOMPARE(order.constLast(), u"done"_qs);
    QCOMPARE(order.at(order.size() - 2), u"title"_qs);
    QCOMPARE(order.at(order.size() - 3), u"usage"_qs);
    QVERIFY(order.count(u"delta"_qs) >= 3);

    const QJsonObject tool = find(events, u"tool"_qs).value(u"tool"_qs).toObject();
    QCOMPARE(tool.value(u"name"_qs).toString(), u"read_file"_qs);
    QCOMPARE(tool.value(u"detail"_qs).toString(), u"bible/world.md"_qs);
    QString reply;
    for (const QJsonObject &event : events)
        reply += event.value(u"delta"_qs).toString();
    QVERIFY2(reply.contains(u"what is this town like?"_qs), qPrintable(reply));
    const QJsonObject usage = find(events, u"usage"_qs).value(u"usage"_qs).toObject();
    const QJsonObject breakdown = usage.value(u"breakdown"_qs).toObject();
    QCOMPARE(breakdown.keys(), (QStringList{u"conversation"_qs, u"projectLayout"_qs, u"rules"_qs,
                                            u"systemPrompt"_qs, u"toolDefinitions"_qs}));
    qint64 sum = 0;
    for (const QJsonValue &value : breakdown)
        sum += value.toInteger();
    QCOMPARE(usage.value(u"inputTokens"_qs).toInteger(), sum);
    QVERIFY(usage.value(u"outputTokens"_qs).toInteger() > 0);
    QVERIFY(!usage.value(u"model"_qs).toString().isEmpty());
    QCOMPARE(find(events, u"title"_qs).value(u"title"_qs).toString(), u"What is this town like"_qs);

    // The lines arrive one by one: most gaps are real pauses, and the whole turn takes at least
    // a good part of the sum of its pauses.
    int pauses = 0;
    for (qsizetype i = 1; i < turn.lines.size(); ++i) {
        if (turn.lines.at(i).atMs - turn.lines.at(i - 1).atMs >= 15)
            ++pauses;
    }
    QVERIFY2(pauses >= turn.lines.size() / 2,
             qPrintable(u"%1 pauses over %2 lines"_qs.arg(pauses).arg(turn.lines.size())));
    QVERIFY(turn.lines.constLast().atMs - turn.lines.constFirst().atMs >=
            (turn.lines.size() - 1) * 15);
}

void tst_ServerAgent::agentModeChangesTheProjectWhenAsked()
{
    const auto turn = TestStream::post(
        m_http->url(u"v1/agent/chat"_qs), aliceToken,
        firstTurn(u"agent"_qs,
                  u"Please edit bible/world.md, add an image and delete notes/old.md"_qs));
    QCOMPARE(turn.status, 200);
    const QList<QJsonObject> events = turn.events();
    const QJsonObject edit = find(events, u"edit"_qs).value(u"edit"_qs).toObject();
    QCOMPARE(edit.value(u"path"_qs).toString(), u"bible/world.md"_qs);
    QVERIFY(edit.value(u"contents"_qs).toString().startsWith(u"# World\n\nA harbour town.\n"_qs));
    QVERIFY(edit.value(u"contents"_qs).toString().endsWith(u"*\n"_qs));
    const QJsonObject asset = find(events, u"asset"_qs).value(u"asset"_qs).toObject();
    QVERIFY(!asset.value(u"path"_qs).toString().startsWith(u'/'));
    QVERIFY(!asset.value(u"path"_qs).toString().contains(u".."_qs));
    const QByteArray png =
        QByteArray::fromBase64(asset.value(u"dataBase64"_qs).toString().toLatin1(),
                               QByteArray::AbortOnBase64DecodingErrors);
    QVERIFY(png.startsWith("\x89PNG\r\n\x1a\n"));
    QCOMPARE(find(events, u"delete"_qs).value(u"delete"_qs).toObject().value(u"path"_qs).toString(),
             u"notes/old.md"_qs);
    QCOMPARE(kinds(events).constLast(), u"done"_qs);

    // Without a named file to delete, the turn deletes the scratch note it wrote itself.
    const auto scratch = TestStream::post(m_http->url(u"v1/agent/chat"_qs), aliceToken,
                                          firstTurn(u"agent"_qs, u"delete something"_qs));
    const QList<QJsonObject> scratchEvents = scratch.events();
    const QString written =
        find(scratchEvents, u"edit"_qs).value(u"edit"_qs).toObject().value(u"path"_qs).toString();
    QVERIFY(!written.isEmpty());
    QCOMPARE(find(scratchEvents, u"delete"_qs)
                 .value(u"delete"_qs)
                 .toObject()
                 .value(u"path"_qs)
                 .toString(),
             written);
}

void tst_ServerAgent::askModeAndLaterTurnsChangeNothingAndNameNothing()
{
    const auto ask = TestStream::post(
        m_http->url(u"v1/agent/chat"_qs), aliceToken,
        firstTurn(u"ask"_qs, u"Please edit bible/world.md and delete notes/old.md"_qs));
    for (const QString &key : {u"edit"_qs, u"asset"_qs, u"delete"_qs})
        QVERIFY(find(ask.events(), key).isEmpty());

    const auto later = TestStream::post(
        m_http->url(u"v1/agent/chat"_qs), aliceToken,
        chatBody(u"agent"_qs, {message(u"user"_qs, u"hi"_qs), message(u"assistant"_qs, u"hello"_qs),
                               message(u"user"_qs, u"and now?"_qs)}));
    QCOMPARE(later.status, 200);
    QVERIFY(find(later.events(), u"title"_qs).isEmpty());
    QVERIFY(find(later.events(), u"edit"_qs).isEmpty());
    QCOMPARE(kinds(later.events()).constLast(), u"done"_qs);
}

void tst_ServerAgent::scriptedTurnPlaysExactlyOnce_data()
{
    QTest::addColumn<QJsonArray>("steps");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::newRow("error event")
        << QJsonArray{QJsonObject{{u"event"_qs, QJsonObject{{u"delta"_qs, u"Hi"_qs}}}},
                      QJsonObject{
                          {u"event"_qs, QJsonObject{{u"error"_qs, u"model overloaded"_qs}}}}}
        << QByteArrayList{R"(data: {"delta":"Hi"})", R"(data: {"error":"model overloaded"})"};
    QTest::newRow("undecodable line")
        << QJsonArray{QJsonObject{{u"line"_qs, u"data: {not json"_qs}},
                      QJsonObject{{u"line"_qs, u""_qs}},
                      QJsonObject{{u"line"_qs, u"event: ping"_qs}},
                      QJsonObject{{u"event"_qs, QJsonObject{{u"done"_qs, true}}}}}
        << QByteArrayList{"data: {not json", "", "event: ping", R"(data: {"done":true})"};
    QTest::newRow("no done") << QJsonArray{QJsonObject{
                                    {u"event"_qs, QJsonObject{{u"title"_qs, u"T"_qs}}}}}
                             << QByteArrayList{R"(data: {"title":"T"})"};
    QTest::newRow("empty body") << QJsonArray{} << QByteArrayList{};
}

void tst_ServerAgent::scriptedTurnPlaysExactlyOnce()
{
    QFETCH(QJsonArray, steps);
    QFETCH(QByteArrayList, lines);
    const auto set = m_http->postJson(u"v1/test/agent-turn"_qs, {{u"steps"_qs, steps}});
    QCOMPARE(set.status, 200);
    const auto turn = TestStream::post(m_http->url(u"v1/agent/chat"_qs), aliceToken,
                                       firstTurn(u"ask"_qs, u"hello"_qs));
    QCOMPARE(turn.status, 200);
    QVERIFY(turn.finished);
    QVERIFY2(turn.transportError.isEmpty(), qPrintable(turn.transportError));
    QByteArrayList received;
    for (const TestStream::Line &line : turn.lines)
        received << line.text;
    QCOMPARE(received, lines);

    const auto next = TestStream::post(m_http->url(u"v1/agent/chat"_qs), aliceToken,
                                       firstTurn(u"ask"_qs, u"hello"_qs));
    QCOMPARE(kinds(next.events()).constFirst(), u"reasoning"_qs);
}

void tst_ServerAgent::scriptedErrorStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("contentType");
    QTest::newRow("429 with json")
        << 429 << uR"({"error":"slow down"})"_qs << u"application/json"_qs;
    QTest::newRow("502 with html")
        << 502 << u"<html><body>Bad gateway</body></html>"_qs << u"text/html"_qs;
    QTest::newRow("201 streams nothing") << 201 << uR"({"ok":true})"_qs << u"application/json"_qs;
}

void tst_ServerAgent::scriptedErrorStatus()
{
    QFETCH(int, status);
    QFETCH(QString, body);
    QFETCH(QString, contentType);
    QCOMPARE(m_http
                 ->postJson(
                     u"v1/test/agent-turn"_qs,
                     {{u"status"_qs, status}, {u"body"_qs, body}, {u"contentType"_qs, contentType}})
                 .status,
             200);
    const auto turn = TestStream::post(m_http->url(u"v1/agent/chat"_qs), aliceToken,
                                       firstTurn(u"ask"_qs, u"hello"_qs));
    QCOMPARE(turn.status, status);
    QCOMPARE(QString::fromUtf8(turn.body), body);
    QVERIFY(turn.contentType.startsWith(contentType.toUtf8()));
}

void tst_ServerAgent::scriptedDropEndsTheConnection()
{
    const QJsonArray steps{QJsonObject{{u"event"_qs, QJsonObject{{u"delta"_qs, u"Hi"_qs}}}},
                           QJsonObject{{u"pauseMs"_qs, 50}, {u"drop"_qs, true}},
                           QJsonObject{{u"event"_qs, QJsonObject{{u"done"_qs, true}}}}};
    const QJsonObject body = firstTurn(u"ask"_qs, u"hello"_qs);
    const QUrl url = m_http->url(u"v1/agent/chat"_qs);

    // A whole turn ends with the closing chunk; a dropped one stops after its first line without
    // it, which is what a client reads as a connection lost mid-body.
    QCOMPARE(m_http
                 ->postJson(u"v1/test/agent-turn"_qs,
                            {{u"steps"_qs, QJsonArray{steps.at(0), steps.at(2)}}})
                 .status,
             200);
    const QByteArray whole = TestStream::rawPost(url, aliceToken, body);
    QVERIFY2(whole.endsWith("\r\n0\r\n\r\n"), whole.right(80).constData());
    QVERIFY(whole.contains(R"(data: {"done":true})"));

    QCOMPARE(m_http->postJson(u"v1/test/agent-turn"_qs, {{u"steps"_qs, steps}}).status, 200);
    const QByteArray dropped = TestStream::rawPost(url, aliceToken, body);
    QVERIFY(dropped.startsWith("HTTP/1.1 200"));
    QVERIFY2(dropped.endsWith("data: {\"delta\":\"Hi\"}\n\r\n"), dropped.right(80).constData());
    QVERIFY(!dropped.contains("done"));
}

void tst_ServerAgent::scriptedStallOutlastsAClientTimeout()
{
    const QJsonArray steps{
        QJsonObject{{u"event"_qs, QJsonObject{{u"delta"_qs, u"Hi"_qs}}}},
        QJsonObject{{u"pauseMs"_qs, 1500}, {u"event"_qs, QJsonObject{{u"done"_qs, true}}}}};
    QCOMPARE(m_http->postJson(u"v1/test/agent-turn"_qs, {{u"steps"_qs, steps}}).status, 200);
    const auto turn = TestStream::post(m_http->url(u"v1/agent/chat"_qs), aliceToken,
                                       firstTurn(u"ask"_qs, u"hello"_qs), 400);
    QVERIFY(turn.timedOut);
    QVERIFY(!turn.finished);
    QCOMPARE(turn.lines.size(), 1);
}

void tst_ServerAgent::refusesBadScripts_data()
{
    QTest::addColumn<QJsonObject>("script");
    QTest::addColumn<QString>("message");
    QTest::newRow("status text") << QJsonObject{{u"status"_qs, u"500"_qs}} << u"status"_qs;
    QTest::newRow("status 99") << QJsonObject{{u"status"_qs, 99}} << u"status"_qs;
    QTest::newRow("steps object") << QJsonObject{{u"steps"_qs, QJsonObject()}} << u"steps"_qs;
    QTest::newRow("negative pause")
        << QJsonObject{{u"steps"_qs, QJsonArray{QJsonObject{{u"pauseMs"_qs, -1}}}}}
        << u"pauseMs"_qs;
    QTest::newRow("line with line feed")
        << QJsonObject{{u"steps"_qs, QJsonArray{QJsonObject{{u"line"_qs, u"a\nb"_qs}}}}}
        << u"line"_qs;
    QTest::newRow("two kinds") << QJsonObject{{u"steps"_qs,
                                               QJsonArray{QJsonObject{{u"line"_qs, u"a"_qs},
                                                                      {u"drop"_qs, true}}}}}
                               << u"at most one"_qs;
}

void tst_ServerAgent::refusesBadScripts()
{
    QFETCH(QJsonObject, script);
    QFETCH(QString, message);
    const auto reply = m_http->postJson(u"v1/test/agent-turn"_qs, script);
    QCOMPARE(reply.status, 400);
    QVERIFY2(reply.error().contains(message), qPrintable(reply.error()));
}

void tst_ServerAgent::scriptsBelongToTheirToken()
{
    QCOMPARE(m_http->postJson(u"v1/test/agent-turn"_qs, {{u"status"_qs, 503}}).status, 200);
    const auto bob = TestStream::post(m_http->url(u"v1/agent/chat"_qs), u"bob-token-1"_qs,
                                      firstTurn(u"ask"_qs, u"hello"_qs));
    QCOMPARE(bob.status, 200);
    const auto alice = TestStream::post(m_http->url(u"v1/agent/chat"_qs), aliceToken,
                                        firstTurn(u"ask"_qs, u"hello"_qs));
    QCOMPARE(alice.status, 503);
    QVERIFY(!QJsonDocument::fromJson(alice.body).object().value(u"error"_qs).toString().isEmpty());
}

void tst_ServerAgent::hookNeedsTestHooks()
{
    ServerProcess plain;
    QVERIFY2(plain.start({u"--user"_qs, u"alice="_qs + aliceToken}),
             qPrintable(plain.errorString()));
    TestHttp http(plain.baseUrl());
    http.setToken(aliceToken);
    const auto reply = http.postJson(u"v1/test/agent-turn"_qs, {{u"status"_qs, 500}});
    QCOMPARE(reply.status, 404);
    QVERIFY(!reply.error().isEmpty());
}

void tst_ServerAgent::titleFromTheFirstUserMessage_data()
{
    QTest::addColumn<QJsonValue>("messages");
    QTest::addColumn<int>("status");
    QTest::addColumn<QJsonValue>("title");
    QTest::newRow("first user message")
        << QJsonValue(QJsonArray{
               message(u"assistant"_qs, u"Welcome"_qs),
               message(u"user"_qs, u"  rewrite the opening scene of act one, please!"_qs),
               message(u"user"_qs, u"later"_qs)})
        << 200 << QJsonValue(u"Rewrite the opening scene of act"_qs);
    QTest::newRow("punctuation only") << QJsonValue(QJsonArray{message(u"user"_qs, u"?!"_qs)})
                                      << 200 << QJsonValue(QJsonValue::Undefined);
    QTest::newRow("no messages") << QJsonValue(QJsonArray{}) << 200
                                 << QJsonValue(QJsonValue::Undefined);
    QTest::newRow("messages missing")
        << QJsonValue(QJsonValue::Undefined) << 400 << QJsonValue(QJsonValue::Undefined);
    QTest::newRow("bad message") << QJsonValue(QJsonArray{u"hi"_qs}) << 400
                                 << QJsonValue(QJsonValue::Undefined);
}

void tst_ServerAgent::titleFromTheFirstUserMessage()
{
    QFETCH(QJsonValue, messages);
    QFETCH(int, status);
    QFETCH(QJsonValue, title);
    QJsonObject body;
    if (!messages.isUndefined())
        body.insert(u"messages"_qs, messages);
    const auto reply = m_http->postJson(u"v1/agent/title"_qs, body);
    QCOMPARE(reply.status, status);
    if (status == 200)
        QCOMPARE(reply.json().value(u"title"_qs), title);
    else
        QVERIFY(!reply.error().isEmpty());
}

QTEST_GUILESS_MAIN(tst_ServerAgent)
#include "tst_ServerAgent.moc"
