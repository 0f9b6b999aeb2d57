#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "core/agent/SavedChats.h"

namespace {

const QUuid chatId = QUuid(u"{6f1b1f64-3a4c-4d5e-9f00-112233445566}"_qs);
const QUuid otherId = QUuid(u"{0a0b0c0d-0e0f-4a1b-8c2d-3e4f5a6b7c8d}"_qs);

SavedChat fullChat()
{
    SavedChat chat;
    chat.id = chatId;
    chat.title = u"Harbour rewrite"_qs;
    chat.generatedTitle = u"Fix the pilot"_qs;
    AgentMessage asked = AgentMessage::user(u"Tighten the pilot"_qs);
    asked.attachments = QList<ChatAttachment>{
        ChatAttachment{otherId, u"ref.png"_qs, u"image/png"_qs, u"iVBORw0KGgo="_qs}};
    AgentMessage answered = AgentMessage::assistant(u"\u00B7 Thought briefly\nDone."_qs);
    answered.thoughts = QStringList{u"look at scene 2"_qs};
    answered.toolCalls = QList<AgentToolCall>{{u"read_file"_qs, u"{}"_qs, u"ok"_qs}};
    chat.messages = {asked, answered};
    chat.layout = QStringList{u"bible/world.md"_qs, u"slatebox.yaml"_qs};
    AgentTurnUsage usage;
    usage.inputTokens = 1200;
    usage.outputTokens = 30;
    usage.model = u"grok-4.6"_qs;
    usage.contextWindow = 2000000;
    usage.breakdown = AgentTurnUsage::PromptBreakdown{1, 2, 3, 4, 5};
    chat.usage = usage;
    return chat;
}

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonObject minimalMessage(const QString &role)
{
    return {{u"id"_qs, u"6F1B1F64-3A4C-4D5E-9F00-112233445566"_qs},
            {u"role"_qs, role},
            {u"text"_qs, u"hello"_qs}};
}

} // namespace

class tst_SavedChats : public QObject {
    Q_OBJECT

private slots:
    void roundTrip();
    void writesUpperCaseIdsAndLeavesAbsentOptionalsOut();
    void decodes_data();
    void decodes();
    void readsTheSingleChatLayout();
    void restorableMessages_data();
    void restorableMessages();
};

void tst_SavedChats::roundTrip()
{
    SavedChats saved;
    saved.activeId = otherId;
    SavedChat bare;
    bare.messages = {AgentMessage::user(u"hi"_qs)};
    saved.chats = {fullChat(), bare};
    const auto decoded = SavedChats::decode(saved.encode());
    QVERIFY(decoded);
    QCOMPARE(*decoded, saved);
}

void tst_SavedChats::writesUpperCaseIdsAndLeavesAbsentOptionalsOut()
{
    SavedChats saved;
    SavedChat chat;
    chat.id = chatId;
    chat.messages = {AgentMessage::user(u"hi"_qs)};
    saved.chats = {chat};
    const QJsonObject object = QJsonDocument::fromJson(saved.encode()).object();
    QCOMPARE(object.keys(), (QStringList{u"chats"_qs, u"version"_qs}));
    QCOMPARE(object.value(u"version").toInteger(), 2);
    const QJsonObject written = object.value(u"chats").toArray().first().toObject();
    QCOMPARE(written.keys(), (QStringList{u"id"_qs, u"messages"_qs}));
    QCOMPARE(written.value(u"id").toString(), u"6F1B1F64-3A4C-4D5E-9F00-112233445566"_qs);
    QVERIFY(!saved.encode().contains('\n'));
}

void tst_SavedChats::decodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("decodes");
    const QJsonArray oneChat{QJsonObject{{u"messages"_qs, QJsonArray{minimalMessage(u"user"_qs)}}}};

    QTest::newRow("minimal current layout")
        << json({{u"version"_qs, 2}, {u"chats"_qs, oneChat}}) << true;
    QTest::newRow("any integer version")
        << json({{u"version"_qs, 7}, {u"chats"_qs, oneChat}}) << true;
    QTest::newRow("no chats at all")
        << json({{u"version"_qs, 2}, {u"chats"_qs, QJsonArray()}}) << true;
    QTest::newRow("null optionals count as absent")
        << json({{u"version"_qs, 2},
                 {u"activeId"_qs, QJsonValue::Null},
                 {u"chats"_qs, QJsonArray{QJsonObject{{u"id"_qs, QJsonValue::Null},
                                                      {u"title"_qs, QJsonValue::Null},
                                                      {u"usage"_qs, QJsonValue::Null},
                                                      {u"layout"_qs, QJsonValue::Null},
                                                      {u"messages"_qs, QJsonArray()}}}}})
        << true;
    QTest::newRow("lower-case active id")
        << json({{u"version"_qs, 2},
                 {u"activeId"_qs, u"6f1b1f64-3a4c-4d5e-9f00-112233445566"_qs},
                 {u"chats"_qs, oneChat}})
        << true;
    QTest::newRow("truncated") << QByteArray(R"({"version":2,"chats":[{"messages":[)") << false;
    QTest::newRow("not an object") << QByteArray("[1,2]") << false;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("fractional version")
        << json({{u"version"_qs, 2.5}, {u"chats"_qs, oneChat}}) << false;
    QTest::newRow("version missing, no messages either") << json({{u"chats"_qs, oneChat}}) << false;
    QTest::newRow("chats missing") << json({{u"version"_qs, 2}}) << false;
    QTest::newRow("malformed active id")
        << json({{u"version"_qs, 2}, {u"activeId"_qs, u"tab-1"_qs}, {u"chats"_qs, oneChat}})
        << false;
    QTest::newRow("one undecodable message fails the file")
        << json({{u"version"_qs, 2},
                 {u"chats"_qs, QJsonArray{QJsonObject{
                                   {u"messages"_qs, QJsonArray{minimalMessage(u"user"_qs),
                                                               minimalMessage(u"system"_qs)}}}}}})
        << false;
    QTest::newRow("usage of the wrong shape")
        << json({{u"version"_qs, 2},
                 {u"chats"_qs, QJsonArray{QJsonObject{{u"messages"_qs, QJsonArray()},
                                                      {u"usage"_qs, u"lots"_qs}}}}})
        << false;
    QTest::newRow("layout with a number")
        << json({{u"version"_qs, 2},
                 {u"chats"_qs, QJsonArray{QJsonObject{{u"messages"_qs, QJsonArray()},
                                                      {u"layout"_qs, QJsonArray{1}}}}}})
        << false;
}

void tst_SavedChats::decodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, decodes);
    QCOMPARE(SavedChats::decode(bytes).has_value(), decodes);
}

void tst_SavedChats::readsTheSingleChatLayout()
{
    const SavedChat chat = fullChat();
    const QByteArray single = json(chat.toJson());
    const auto decoded = SavedChats::decode(single);
    QVERIFY(decoded);
    QCOMPARE(decoded->version, 1);
    QCOMPARE(decoded->activeId, std::nullopt);
    QCOMPARE(decoded->chats, QList<SavedChat>{chat});
}

void tst_SavedChats::restorableMessages_data()
{
    QTest::addColumn<QList<AgentMessage>>("messages");
    QTest::addColumn<QList<int>>("kept");
    const AgentMessage u1 = AgentMessage::user(u"one"_qs);
    const AgentMessage a1 = AgentMessage::assistant(u"reply"_qs);
    const AgentMessage lead = AgentMessage::assistant(u"Save failed: offline"_qs);
    const AgentMessage blank = AgentMessage::assistant(u" \n\t "_qs);

    QTest::newRow("whole conversation") << QList<AgentMessage>{u1, a1} << QList<int>{0, 1};
    QTest::newRow("leading assistant messages skipped")
        << QList<AgentMessage>{lead, lead, u1, a1} << QList<int>{2, 3};
    QTest::newRow("trailing blank reply dropped")
        << QList<AgentMessage>{u1, a1, u1, blank} << QList<int>{0, 1, 2};
    QTest::newRow("only assistant messages") << QList<AgentMessage>{lead, a1} << QList<int>{};
    QTest::newRow("empty") << QList<AgentMessage>{} << QList<int>{};
    QTest::newRow("only the last blank reply goes")
        << QList<AgentMessage>{u1, blank, blank} << QList<int>{0, 1};
    QTest::newRow("a trailing user message stays")
        << QList<AgentMessage>{u1, a1, u1} << QList<int>{0, 1, 2};
}

void tst_SavedChats::restorableMessages()
{
    QFETCH(QList<AgentMessage>, messages);
    QFETCH(QList<int>, kept);
    SavedChat chat;
    chat.messages = messages;
    QList<AgentMessage> expected;
    for (int index : kept)
        expected.append(messages.at(index));
    QCOMPARE(chat.restorableMessages(), expected);
}

QTEST_GUILESS_MAIN(tst_SavedChats)
#include "tst_SavedChats.moc"
