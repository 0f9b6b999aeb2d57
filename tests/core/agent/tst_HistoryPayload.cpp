#include <QJsonObject>
#include <QTest>

#include "core/agent/HistoryPayload.h"

using Messages = QList<AgentMessage>;
using Sent = QList<AgentChatBody::Message>;

namespace {

// An assistant message whose heavy parts weigh `weight` characters: half in one tool call's
// result, the rest in one thought.
AgentMessage heavy(qsizetype weight, const QString &text = u"reply"_qs)
{
    AgentMessage message = AgentMessage::assistant(text);
    message.toolCalls = QList<AgentToolCall>{{u"read_file"_qs, {}, QString(weight / 2, u'r')}};
    message.thoughts = QStringList{QString(weight - weight / 2, u't')};
    return message;
}

bool keptHeavyParts(const AgentChatBody::Message &message)
{
    return message.toolCalls.has_value() || message.thoughts.has_value();
}

QList<bool> keptPattern(const Sent &sent)
{
    QList<bool> pattern;
    for (const AgentChatBody::Message &message : sent)
        pattern.append(keptHeavyParts(message));
    return pattern;
}

} // namespace

class tst_HistoryPayload : public QObject {
    Q_OBJECT

private slots:
    void weightCountsArgsResultsAndThoughts();
    void budgetExample();
    void oversizedNewestDropsEverything();
    void weightlessMessagesDoNotStopTheWalk();
    void leadingAssistantMessagesAreNotSent();
    void mapsEveryField();
    void images();
};

void tst_HistoryPayload::weightCountsArgsResultsAndThoughts()
{
    AgentMessage message = AgentMessage::assistant(u"text does not count"_qs);
    message.toolCalls = QList<AgentToolCall>{{u"name-not-counted"_qs, u"abc"_qs, u"de"_qs},
                                             {u"x"_qs, u""_qs, u"🎬👩‍👩‍👧"_qs}};
    message.thoughts = QStringList{u"e\u0301t\u0301e\u0301"_qs, u"z"_qs};
    // 3 + 2 + 2 (two user-perceived characters) + 3 (three accented letters) + 1.
    QCOMPARE(HistoryPayload::heavyWeight(message), 11);
    QCOMPARE(HistoryPayload::heavyWeight(AgentMessage::user(u"abc"_qs)), 0);
}

// Weights 100000 and 40000 (newest first) fit in 150000; the older 20000 does not.
void tst_HistoryPayload::budgetExample()
{
    const Messages messages{AgentMessage::user(u"a"_qs), heavy(20000),
                            AgentMessage::user(u"b"_qs), heavy(40000),
                            AgentMessage::user(u"c"_qs), heavy(100000)};
    const Sent sent = HistoryPayload::historyPayload(messages, HistoryPayload::historyBudget);
    QCOMPARE(keptPattern(sent), (QList<bool>{false, false, false, true, false, true}));
    QCOMPARE(sent.at(1).content, u"reply"_qs);
    // Exactly at the budget still fits.
    const Sent exact = HistoryPayload::historyPayload(
        {AgentMessage::user(u"a"_qs), heavy(10000), heavy(140000)}, 150000);
    QCOMPARE(keptPattern(exact), (QList<bool>{false, true, true}));
}

void tst_HistoryPayload::oversizedNewestDropsEverything()
{
    const QString longText(200000, u'x');
    const Messages messages{AgentMessage::user(u"a"_qs), heavy(10, longText),
                            AgentMessage::user(u"b"_qs), heavy(150001, longText)};
    const Sent sent = HistoryPayload::historyPayload(messages);
    QCOMPARE(keptPattern(sent), (QList<bool>{false, false, false, false}));
    QCOMPARE(sent.at(1).content, longText);
    QCOMPARE(sent.at(3).content, longText);
}

void tst_HistoryPayload::weightlessMessagesDoNotStopTheWalk()
{
    AgentMessage emptyCalls = AgentMessage::assistant(u"none"_qs);
    emptyCalls.toolCalls = QList<AgentToolCall>{{u"list_dir"_qs, {}, {}}};
    const Messages messages{AgentMessage::user(u"a"_qs), heavy(10),
                            AgentMessage::assistant(u"plain"_qs), emptyCalls};
    const Sent sent = HistoryPayload::historyPayload(messages, 10);
    // The weightless reply is not "kept", so its empty-result tool call is not sent either.
    QCOMPARE(keptPattern(sent), (QList<bool>{false, true, false, false}));
}

void tst_HistoryPayload::leadingAssistantMessagesAreNotSent()
{
    const Messages restored{AgentMessage::assistant(u"old greeting"_qs), heavy(5),
                            AgentMessage::user(u"first"_qs), heavy(5, u"answer"_qs)};
    const Sent sent = HistoryPayload::historyPayload(restored);
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.at(0).role, u"user"_qs);
    QCOMPARE(sent.at(0).content, u"first"_qs);
    QCOMPARE(sent.at(1).content, u"answer"_qs);
    QVERIFY(HistoryPayload::historyPayload({AgentMessage::assistant(u"only"_qs)}).isEmpty());
    QVERIFY(HistoryPayload::historyPayload({}).isEmpty());
}

void tst_HistoryPayload::mapsEveryField()
{
    AgentMessage reply = AgentMessage::assistant(u"Done.\n· Edited: script.fountain"_qs);
    reply.toolCalls = QList<AgentToolCall>{{u"search_replace"_qs, u"{}"_qs, u"ok"_qs}};
    reply.thoughts = QStringList{u"plan"_qs};
    AgentMessage bare = AgentMessage::assistant(u"bare"_qs);
    bare.toolCalls = QList<AgentToolCall>{};
    bare.thoughts = QStringList{};
    const Sent sent = HistoryPayload::historyPayload({AgentMessage::user(u"Go"_qs), reply, bare});

    AgentChatBody::Message expectedReply;
    expectedReply.role = u"assistant"_qs;
    expectedReply.content = reply.text;
    expectedReply.toolCalls =
        QList<AgentChatBody::MessageToolCall>{{u"search_replace"_qs, u"{}"_qs, u"ok"_qs}};
    expectedReply.thoughts = QStringList{u"plan"_qs};
    QCOMPARE(sent.at(1), expectedReply);
    AgentChatBody::Message expectedBare;
    expectedBare.role = u"assistant"_qs;
    expectedBare.content = u"bare"_qs;
    QCOMPARE(sent.at(2), expectedBare);
}

void tst_HistoryPayload::images()
{
    const QList<ChatAttachment> two{
        {QUuid::createUuid(), u"a.png"_qs, u"image/png"_qs, u"QUJD"_qs},
        {QUuid::createUuid(), u"b.jpg"_qs, u"image/jpeg"_qs, u"REVG"_qs}};
    const Sent sent =
        HistoryPayload::historyPayload({AgentMessage::user(u"see"_qs, two),
                                        AgentMessage::user(u"none"_qs, QList<ChatAttachment>{}),
                                        AgentMessage::user(u"absent"_qs)});
    QCOMPARE(sent.at(0).images,
             (QList<AgentChatBody::MessageImage>{{u"image/png"_qs, u"QUJD"_qs},
                                                 {u"image/jpeg"_qs, u"REVG"_qs}}));
    QCOMPARE(sent.at(1).images, std::nullopt);
    QVERIFY(!sent.at(1).toJson().contains(u"images"));
    QCOMPARE(sent.at(2).images, std::nullopt);
}

QTEST_GUILESS_MAIN(tst_HistoryPayload)
#include "tst_HistoryPayload.moc"
