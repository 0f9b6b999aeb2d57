#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include "core/agent/AgentMessage.h"
#include "core/agent/AgentMode.h"
#include "core/agent/UuidText.h"

namespace {

const QUuid attachmentId = QUuid::fromString(u"1b4e28ba-2fa1-11d2-883f-0016d3cca427"_qs);

ChatAttachment png()
{
    return ChatAttachment{attachmentId, u"still.png"_qs, u"image/png"_qs, u"iVBORw0KGgo="_qs};
}

AgentMessage fullAssistant()
{
    AgentMessage message = AgentMessage::assistant(u"Done.\n· Read: bible/world.md"_qs);
    message.thoughts = QStringList{u"first"_qs, u""_qs};
    message.toolCalls = QList<AgentToolCall>{{u"read_file"_qs, u"{\"path\":1}"_qs, u"ok"_qs}};
    return message;
}

QJsonObject parse(const char *json)
{
    return QJsonDocument::fromJson(json).object();
}

QStringList sortedKeys(const QJsonObject &object)
{
    QStringList keys = object.keys();
    keys.sort();
    return keys;
}

} // namespace

class tst_AgentMessage : public QObject {
    Q_OBJECT

private slots:
    void newMessagesHaveDistinctIds();
    void roundTrip_data();
    void roundTrip();
    void keysOfAPlainMessage();
    void uuidsAreUpperCaseWithoutBraces();
    void emptyListsStayPresent();
    void nullOptionalsReadAsAbsent();
    void decodingFailures_data();
    void decodingFailures();
    void uuidText_data();
    void uuidText();
    void modes();
};

void tst_AgentMessage::newMessagesHaveDistinctIds()
{
    const AgentMessage a = AgentMessage::user(u"a"_qs);
    const AgentMessage b = AgentMessage::user(u"a"_qs);
    QVERIFY(!a.id.isNull());
    QVERIFY(a.id != b.id);
    QCOMPARE(a.role, AgentMessage::Role::User);
    QCOMPARE(AgentMessage::assistant().role, AgentMessage::Role::Assistant);
}

void tst_AgentMessage::roundTrip_data()
{
    QTest::addColumn<AgentMessage>("message");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("user with image")
        << AgentMessage::user(u"Look at this"_qs, QList<ChatAttachment>{png()})
        << QStringList{u"attachments"_qs, u"id"_qs, u"role"_qs, u"text"_qs};
    QTest::newRow("assistant with thoughts and tools")
        << fullAssistant()
        << QStringList{u"id"_qs, u"role"_qs, u"text"_qs, u"thoughts"_qs, u"toolCalls"_qs};
    QTest::newRow("non-ascii text") << AgentMessage::user(u"Szene 🎬 — «été»\n\tzwei"_qs)
                                    << QStringList{u"id"_qs, u"role"_qs, u"text"_qs};
}

void tst_AgentMessage::roundTrip()
{
    QFETCH(AgentMessage, message);
    QFETCH(QStringList, keys);
    const QJsonObject json = message.toJson();
    QCOMPARE(sortedKeys(json), keys);
    // Through bytes, as the saved chats go.
    const QByteArray bytes = QJsonDocument(json).toJson(QJsonDocument::Compact);
    const auto decoded = AgentMessage::fromJson(QJsonDocument::fromJson(bytes).object());
    QVERIFY(decoded);
    QCOMPARE(*decoded, message);
}

void tst_AgentMessage::keysOfAPlainMessage()
{
    AgentMessage message = AgentMessage::assistant(u"hi"_qs);
    const QJsonObject json = message.toJson();
    QCOMPARE(json.value(u"role").toString(), u"assistant"_qs);
    QCOMPARE(json.value(u"text").toString(), u"hi"_qs);
    QCOMPARE(json.size(), 3);
    const QJsonObject attachment = png().toJson();
    QCOMPARE(sortedKeys(attachment),
             (QStringList{u"dataBase64"_qs, u"id"_qs, u"mediaType"_qs, u"name"_qs}));
    const QJsonObject call = AgentToolCall{u"n"_qs, u"a"_qs, u"r"_qs}.toJson();
    QCOMPARE(sortedKeys(call), (QStringList{u"args"_qs, u"name"_qs, u"result"_qs}));
}

void tst_AgentMessage::uuidsAreUpperCaseWithoutBraces()
{
    const QRegularExpression form(
        u"^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"_qs);
    const AgentMessage message = AgentMessage::user(u"x"_qs, QList<ChatAttachment>{png()});
    const QJsonObject json = message.toJson();
    QVERIFY(form.match(json.value(u"id").toString()).hasMatch());
    const QString attachment =
        json.value(u"attachments").toArray().at(0).toObject().value(u"id").toString();
    QCOMPARE(attachment, u"1B4E28BA-2FA1-11D2-883F-0016D3CCA427"_qs);
}

void tst_AgentMessage::emptyListsStayPresent()
{
    AgentMessage message = AgentMessage::user(u"x"_qs, QList<ChatAttachment>{});
    message.thoughts = QStringList{};
    const QJsonObject json = message.toJson();
    QVERIFY(json.value(u"attachments").isArray());
    QVERIFY(json.value(u"thoughts").isArray());
    QVERIFY(!json.contains(u"toolCalls"));
    const auto decoded = AgentMessage::fromJson(json);
    QVERIFY(decoded);
    QCOMPARE(decoded->attachments, std::optional<QList<ChatAttachment>>(QList<ChatAttachment>{}));
    QCOMPARE(decoded->toolCalls, std::nullopt);
}

void tst_AgentMessage::nullOptionalsReadAsAbsent()
{
    const auto decoded =
        AgentMessage::fromJson(parse(R"({"id":"1b4e28ba-2fa1-11d2-883f-0016d3cca427",
        "role":"user","text":"t","attachments":null,"thoughts":null,"toolCalls":null,"extra":5})"));
    QVERIFY(decoded);
    QCOMPARE(decoded->id, attachmentId);
    QVERIFY(!decoded->attachments && !decoded->thoughts && !decoded->toolCalls);
}

void tst_AgentMessage::decodingFailures_data()
{
    QTest::addColumn<QByteArray>("json");
    const QByteArray id = R"("id":"1B4E28BA-2FA1-11D2-883F-0016D3CCA427")";
    QTest::newRow("not an object") << QByteArray(R"([1])");
    QTest::newRow("missing id") << QByteArray(R"({"role":"user","text":"t"})");
    QTest::newRow("id with braces") << QByteArray(
        R"({"id":"{1B4E28BA-2FA1-11D2-883F-0016D3CCA427}","role":"user","text":"t"})");
    QTest::newRow("id not hex") << QByteArray(
        R"({"id":"1B4E28BA-2FA1-11D2-883F-0016D3CCA42Z","role":"user","text":"t"})");
    QTest::newRow("id without hyphens")
        << QByteArray(R"({"id":"1B4E28BA2FA111D2883F0016D3CCA427","role":"user","text":"t"})");
    QTest::newRow("unknown role") << "{" + id + R"(,"role":"system","text":"t"})";
    QTest::newRow("role upper-case") << "{" + id + R"(,"role":"User","text":"t"})";
    QTest::newRow("missing text") << "{" + id + R"(,"role":"user"})";
    QTest::newRow("null text") << "{" + id + R"(,"role":"user","text":null})";
    QTest::newRow("text a number") << "{" + id + R"(,"role":"user","text":3})";
    QTest::newRow("thoughts not an array")
        << "{" + id + R"(,"role":"user","text":"t","thoughts":"x"})";
    QTest::newRow("thought not a string")
        << "{" + id + R"(,"role":"user","text":"t","thoughts":["a",1]})";
    QTest::newRow("attachment without data")
        << "{" + id + R"(,"role":"user","text":"t","attachments":[{)" + id +
               R"(,"name":"a.png","mediaType":"image/png"}]})";
    QTest::newRow("attachment with bad id")
        << "{" + id + R"(,"role":"user","text":"t","attachments":[{"id":"x","name":"a.png",
               "mediaType":"image/png","dataBase64":""}]})";
    QTest::newRow("tool call without result")
        << "{" + id + R"(,"role":"assistant","text":"t","toolCalls":[{"name":"n","args":"a"}]})";
    QTest::newRow("tool call args as object")
        << "{" + id +
               R"(,"role":"assistant","text":"t","toolCalls":[{"name":"n","args":{},"result":""}]})";
}

void tst_AgentMessage::decodingFailures()
{
    QFETCH(QByteArray, json);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonValue value =
        document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
    QCOMPARE(AgentMessage::fromJson(value), std::nullopt);
}

void tst_AgentMessage::uuidText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("upper") << u"1B4E28BA-2FA1-11D2-883F-0016D3CCA427"_qs << true;
    QTest::newRow("lower") << u"1b4e28ba-2fa1-11d2-883f-0016d3cca427"_qs << true;
    QTest::newRow("braces") << u"{1b4e28ba-2fa1-11d2-883f-0016d3cca427}"_qs << false;
    QTest::newRow("short") << u"1b4e28ba-2fa1-11d2-883f-0016d3cca42"_qs << false;
    QTest::newRow("hyphen moved") << u"1b4e28b-a2fa1-11d2-883f-0016d3cca427"_qs << false;
    QTest::newRow("empty") << QString() << false;
}

void tst_AgentMessage::uuidText()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const auto id = UuidText::fromString(text);
    QCOMPARE(id.has_value(), valid);
    if (valid)
        QCOMPARE(UuidText::toString(*id), text.toUpper());
}

void tst_AgentMessage::modes()
{
    QCOMPARE(AgentModes::all(), (QList<AgentMode>{AgentMode::Ask, AgentMode::Agent}));
    QCOMPARE(AgentModes::rawValue(AgentMode::Ask), u"ask"_qs);
    QCOMPARE(AgentModes::rawValue(AgentMode::Agent), u"agent"_qs);
    QCOMPARE(AgentModes::fromRaw(u"agent"), AgentMode::Agent);
    QCOMPARE(AgentModes::fromRaw(u"ask"), AgentMode::Ask);
    QCOMPARE(AgentModes::fromRaw(u"Agent"), std::nullopt);
    QCOMPARE(AgentModes::fromRaw(u""), std::nullopt);
    QCOMPARE(AgentModes::title(AgentMode::Ask), u"Ask"_qs);
    QCOMPARE(AgentModes::title(AgentMode::Agent), u"Agent"_qs);
    QCOMPARE(AgentModes::symbol(AgentMode::Ask), u"bubble.left"_qs);
    QCOMPARE(AgentModes::symbol(AgentMode::Agent), u"infinity"_qs);
    QCOMPARE(AgentModes::promptPlaceholder(AgentMode::Ask), u"Ask about the show…"_qs);
    QCOMPARE(AgentModes::promptPlaceholder(AgentMode::Agent), u"Tell the agent what to change…"_qs);
}

QTEST_GUILESS_MAIN(tst_AgentMessage)
#include "tst_AgentMessage.moc"
