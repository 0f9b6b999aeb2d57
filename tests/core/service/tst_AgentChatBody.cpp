#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "core/service/AgentChatBody.h"
#include "core/service/AgentTurnUsage.h"

namespace {

QJsonObject parse(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

AgentChatBody fullBody()
{
    AgentChatBody body;
    body.model = u"demo-large"_qs;
    body.mode = u"agent"_qs;
    body.messages = {
        AgentChatBody::Message{u"user"_qs,
                               u"Look at this"_qs,
                               QList<AgentChatBody::MessageImage>{{u"image/png"_qs, u"iVBO"_qs}},
                               {},
                               {}},
        AgentChatBody::Message{
            u"assistant"_qs,
            u"Done"_qs,
            {},
            QList<AgentChatBody::MessageToolCall>{{u"read_file"_qs, u"path=a"_qs, u"text"_qs}},
            QStringList{u"First I read it."_qs}}};
    body.context.title = u"Harbour"_qs;
    body.context.type = u"series"_qs;
    body.context.org = u"demo"_qs;
    body.context.slug = u"harbour"_qs;
    body.context.files = {{u"script.fountain"_qs, u"INT. HARBOUR"_qs}};
    body.context.activeFile = u"script.fountain"_qs;
    body.context.diffHistory = QList<DiffCommit>{
        DiffCommit{u"2026-03-01T09:30:00+01:00"_qs, u"Draft"_qs, {DiffFile{u"a.md"_qs, 3, 1}}}};
    body.context.projectLayout = QStringList{u"a.md"_qs, u"script.fountain"_qs};
    return body;
}

} // namespace

class TestAgentChatBody : public QObject {
    Q_OBJECT
private slots:
    void minimalBodyLeavesOptionalsOut()
    {
        AgentChatBody body;
        body.model = u"auto"_qs;
        body.mode = u"ask"_qs;
        body.messages = {AgentChatBody::Message{u"user"_qs, u"Hi"_qs, {}, {}, {}}};
        body.context.title = u"T"_qs;
        body.context.type = u"film"_qs;
        QCOMPARE(
            body.toJson(),
            parse(R"({"model":"auto","mode":"ask","messages":[{"role":"user","content":"Hi"}],)"
                  R"("context":{"title":"T","type":"film","files":[]}})"));
        QCOMPARE(AgentChatBody::fromJson(body.toJson()), body);
    }

    void fullBodyKeysAndRoundTrip()
    {
        const AgentChatBody body = fullBody();
        const QJsonObject json = body.toJson();
        QCOMPARE(
            json.value(u"messages").toArray().at(0).toObject().value(u"images"),
            QJsonValue(
                parse(R"({"a":[{"mediaType":"image/png","dataBase64":"iVBO"}]})").value(u"a")));
        QCOMPARE(json.value(u"messages").toArray().at(1).toObject(),
                 parse(R"({"role":"assistant","content":"Done","toolCalls":[{"name":"read_file",)"
                       R"("args":"path=a","result":"text"}],)"
                       R"("thoughts":["First I read it."]})"));
        QCOMPARE(json.value(u"context").toObject(),
                 parse(R"({"title":"Harbour","type":"series","org":"demo","slug":"harbour",)"
                       R"("files":[{"path":"script.fountain","contents":"INT. HARBOUR"}],)"
                       R"("activeFile":"script.fountain","diffHistory":[{"when":)"
                       R"("2026-03-01T09:30:00+01:00","message":"Draft","files":[{"path":"a.md",)"
                       R"("added":3,"removed":1}]}],"projectLayout":["a.md","script.fountain"]})"));
        QCOMPARE(AgentChatBody::fromJson(json), fullBody());
    }

    void bodyDecodingIsStrict_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("missing model") << QByteArray(
            R"({"mode":"ask","messages":[],"context":{"title":"T","type":"film","files":[]}})");
        QTest::newRow("files missing") << QByteArray(
            R"({"model":"a","mode":"ask","messages":[],"context":{"title":"T","type":"film"}})");
        QTest::newRow("role a number")
            << QByteArray(R"({"model":"a","mode":"ask","messages":[{"role":1,"content":"x"}],)"
                          R"("context":{"title":"T","type":"film","files":[]}})");
        QTest::newRow("thoughts not strings")
            << QByteArray(R"({"model":"a","mode":"ask","messages":[{"role":"user","content":"x",)"
                          R"("thoughts":[1]}],"context":{"title":"T","type":"film","files":[]}})");
    }

    void bodyDecodingIsStrict()
    {
        QFETCH(QByteArray, json);
        QCOMPARE(AgentChatBody::fromJson(parse(json)), std::nullopt);
    }

    void usageBothWays_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<std::optional<AgentTurnUsage>>("usage");

        const AgentTurnUsage full{1200, 85, u"demo-large"_qs, 200000,
                                  AgentTurnUsage::PromptBreakdown{500, 300, 100, 50, 250}};
        QTest::newRow("full")
            << QByteArray(
                   R"({"inputTokens":1200,"outputTokens":85,"model":"demo-large","contextWindow":200000,)"
                   R"("breakdown":{"systemPrompt":500,"toolDefinitions":300,"rules":100,)"
                   R"("projectLayout":50,"conversation":250}})")
            << std::optional(full);
        QTest::newRow("required only")
            << QByteArray(R"({"inputTokens":1,"outputTokens":2,"model":"m"})")
            << std::optional(AgentTurnUsage{1, 2, u"m"_qs, {}, {}});
        QTest::newRow("nulls are absent")
            << QByteArray(
                   R"({"inputTokens":1,"outputTokens":2,"model":"m","contextWindow":null,"breakdown":null})")
            << std::optional(AgentTurnUsage{1, 2, u"m"_qs, {}, {}});
        QTest::newRow("model missing") << QByteArray(R"({"inputTokens":1,"outputTokens":2})")
                                       << std::optional<AgentTurnUsage>();
        QTest::newRow("tokens as text")
            << QByteArray(R"({"inputTokens":"1","outputTokens":2,"model":"m"})")
            << std::optional<AgentTurnUsage>();
        QTest::newRow("context window fractional")
            << QByteArray(R"({"inputTokens":1,"outputTokens":2,"model":"m","contextWindow":1.5})")
            << std::optional<AgentTurnUsage>();
    }

    void usageBothWays()
    {
        QFETCH(QByteArray, json);
        QFETCH(std::optional<AgentTurnUsage>, usage);
        QCOMPARE(AgentTurnUsage::fromJson(parse(json)), usage);
        if (usage) {
            QCOMPARE(usage->toJson(),
                     parse(json.replace(R"(,"contextWindow":null,"breakdown":null)", "")));
            QCOMPARE(qHash(*usage), qHash(*AgentTurnUsage::fromJson(usage->toJson())));
        }
    }
};

QTEST_GUILESS_MAIN(TestAgentChatBody)
#include "tst_AgentChatBody.moc"
