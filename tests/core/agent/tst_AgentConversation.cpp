#include <functional>

#include <QSignalSpy>
#include <QTest>

#include "core/agent/AgentConversation.h"

using Messages = QList<AgentMessage>;
using Mutation = std::function<void(AgentConversation &)>;
using OptionalText = std::optional<QString>;

Q_DECLARE_METATYPE(Mutation)

namespace {

const QString fortySix = u"The detective walks into the rain-soaked alley."_qs.left(46);

AgentMessage user(const QString &text)
{
    return AgentMessage::user(text);
}

AgentMessage assistant(const QString &text)
{
    return AgentMessage::assistant(text);
}

} // namespace

class tst_AgentConversation : public QObject {
    Q_OBJECT

private slots:
    void defaults();
    void title_data();
    void title();
    void titleChangesAreSignalled();
    void changeSignals_data();
    void changeSignals();
    void messagesHookRunsOnEveryStore();
    void updateMessageEditsInPlace();
    void hasUserMessages();
};

void tst_AgentConversation::defaults()
{
    AgentConversation conversation;
    QVERIFY(!conversation.id().isNull());
    QVERIFY(AgentConversation().id() != conversation.id());
    QCOMPARE(conversation.customTitle(), std::nullopt);
    QCOMPARE(conversation.generatedTitle(), std::nullopt);
    QVERIFY(!conversation.isAwaitingGeneratedTitle());
    QVERIFY(conversation.messages().isEmpty());
    QVERIFY(conversation.composer().isEmpty());
    QVERIFY(conversation.pendingAttachments().isEmpty());
    QCOMPARE(conversation.lastUsage(), std::nullopt);
    QCOMPARE(conversation.conversationLayout(), std::nullopt);
    QCOMPARE(conversation.editingMessageId(), std::nullopt);
    QVERIFY(conversation.draftBeforeEditing().isEmpty());
    QVERIFY(conversation.draftAttachmentsBeforeEditing().isEmpty());
    QVERIFY(!conversation.onMessagesChanged());
    QCOMPARE(conversation.title(), u"New Agent"_qs);

    const QUuid id = QUuid::createUuid();
    QObject parent;
    auto *given = new AgentConversation(id, u"Mine"_qs, u"Gen"_qs, {user(u"x"_qs)}, &parent);
    QCOMPARE(given->id(), id);
    QCOMPARE(given->parent(), &parent);
    QCOMPARE(given->title(), u"Mine"_qs);
}

void tst_AgentConversation::title_data()
{
    QTest::addColumn<OptionalText>("custom");
    QTest::addColumn<OptionalText>("generated");
    QTest::addColumn<bool>("awaiting");
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<QString>("expected");

    const Messages hello{assistant(u"Welcome"_qs), user(u"Hello there\nsecond"_qs)};
    QTest::newRow("custom first") << OptionalText(u"Pilot notes"_qs) << OptionalText(u"Gen"_qs)
                                  << true << hello << u"Pilot notes"_qs;
    QTest::newRow("empty custom falls to generated")
        << OptionalText(u""_qs) << OptionalText(u"Gen"_qs) << false << hello << u"Gen"_qs;
    QTest::newRow("generated while awaiting")
        << OptionalText() << OptionalText(u"Gen"_qs) << true << hello << u"Gen"_qs;
    QTest::newRow("awaiting, even with a user message")
        << OptionalText() << OptionalText(u""_qs) << true << hello << u"New Agent"_qs;
    QTest::newRow("first user message, first line")
        << OptionalText() << OptionalText() << false << hello << u"Hello there"_qs;
    QTest::newRow("leading empty lines skipped")
        << OptionalText() << OptionalText() << false << Messages{user(u"\n\n  Scene two\t\nx"_qs)}
        << u"Scene two"_qs;
    QTest::newRow("two spaces then 46 characters")
        << OptionalText() << OptionalText() << false
        << Messages{user(u"  "_qs + fortySix + u"\nmore text"_qs)} << fortySix.left(28) + u"…"_qs;
    QTest::newRow("exactly 28 kept whole")
        << OptionalText() << OptionalText() << false
        << Messages{user(u"\t"_qs + fortySix.left(28) + u" "_qs)} << fortySix.left(28);
    QTest::newRow("29 characters cut")
        << OptionalText() << OptionalText() << false << Messages{user(QString(29, u'x'))}
        << QString(28, u'x') + u"…"_qs;
    QTest::newRow("emoji count as one character")
        << OptionalText() << OptionalText() << false
        << Messages{user(QString(27, u'a') + u"👩‍👩‍👧🎬"_qs)}
        << QString(27, u'a') + u"👩‍👩‍👧…"_qs;
    QTest::newRow("only newlines keeps the whole text")
        << OptionalText() << OptionalText() << false << Messages{user(u"\n\n"_qs)} << u"\n\n"_qs;
    QTest::newRow("second user message not used")
        << OptionalText() << OptionalText() << false << Messages{user(u"one"_qs), user(u"two"_qs)}
        << u"one"_qs;
    QTest::newRow("only assistant messages") << OptionalText() << OptionalText() << false
                                             << Messages{assistant(u"Hi"_qs)} << u"New Agent"_qs;
    QTest::newRow("no messages") << OptionalText() << OptionalText() << false << Messages{}
                                 << u"New Agent"_qs;
}

void tst_AgentConversation::title()
{
    QFETCH(OptionalText, custom);
    QFETCH(OptionalText, generated);
    QFETCH(bool, awaiting);
    QFETCH(Messages, messages);
    QFETCH(QString, expected);
    AgentConversation conversation(QUuid::createUuid(), custom, generated, messages);
    conversation.setAwaitingGeneratedTitle(awaiting);
    QCOMPARE(conversation.title(), expected);
}

void tst_AgentConversation::titleChangesAreSignalled()
{
    AgentConversation conversation;
    QSignalSpy spy(&conversation, &AgentConversation::titleChanged);
    conversation.setMessages({user(u"Draft the pitch"_qs)});
    QCOMPARE(spy.count(), 1);
    conversation.appendMessage(assistant(u"Sure"_qs));
    conversation.setGeneratedTitle(u""_qs);
    QCOMPARE(spy.count(), 1);
    conversation.setGeneratedTitle(u"Pitch"_qs);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(conversation.property("title").toString(), u"Pitch"_qs);
}

void tst_AgentConversation::changeSignals_data()
{
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<Mutation>("change");

    const QList<ChatAttachment> images{
        {QUuid::createUuid(), u"a.png"_qs, u"image/png"_qs, u"AAAA"_qs}};
    const AgentTurnUsage usage{10, 2, u"grok-4.6"_qs, 2000000, std::nullopt};
    const Messages messages{user(u"x"_qs)};
    const QUuid id = QUuid::createUuid();
    auto row = [](const char *name, const QByteArray &signal, Mutation change) {
        QTest::newRow(name) << signal << change;
    };
    row("customTitle", SIGNAL(customTitleChanged()),
        [](AgentConversation &c) { c.setCustomTitle(u"A"_qs); });
    row("generatedTitle", SIGNAL(generatedTitleChanged()),
        [](AgentConversation &c) { c.setGeneratedTitle(u"A"_qs); });
    row("awaitingGeneratedTitle", SIGNAL(awaitingGeneratedTitleChanged()),
        [](AgentConversation &c) { c.setAwaitingGeneratedTitle(true); });
    row("messages", SIGNAL(messagesChanged()),
        [messages](AgentConversation &c) { c.setMessages(messages); });
    row("composer", SIGNAL(composerChanged()),
        [](AgentConversation &c) { c.setComposer(u"/pi"_qs); });
    row("pendingAttachments", SIGNAL(pendingAttachmentsChanged()),
        [images](AgentConversation &c) { c.setPendingAttachments(images); });
    row("lastUsage", SIGNAL(lastUsageChanged()),
        [usage](AgentConversation &c) { c.setLastUsage(usage); });
    row("conversationLayout", SIGNAL(conversationLayoutChanged()),
        [](AgentConversation &c) { c.setConversationLayout(QStringList{}); });
    row("editingMessageId", SIGNAL(editingMessageIdChanged()),
        [id](AgentConversation &c) { c.setEditingMessageId(id); });
    row("draftBeforeEditing", SIGNAL(draftBeforeEditingChanged()),
        [](AgentConversation &c) { c.setDraftBeforeEditing(u"d"_qs); });
    row("draftAttachmentsBeforeEditing", SIGNAL(draftAttachmentsBeforeEditingChanged()),
        [images](AgentConversation &c) { c.setDraftAttachmentsBeforeEditing(images); });
}

// A new value notifies once; the same value again, nothing.
void tst_AgentConversation::changeSignals()
{
    QFETCH(QByteArray, signal);
    QFETCH(Mutation, change);
    AgentConversation conversation;
    QSignalSpy spy(&conversation, signal.constData());
    QVERIFY(spy.isValid());
    change(conversation);
    QCOMPARE(spy.count(), 1);
    change(conversation);
    QCOMPARE(spy.count(), 1);
}

void tst_AgentConversation::messagesHookRunsOnEveryStore()
{
    AgentConversation conversation;
    int calls = 0;
    qsizetype sizeSeen = -1;
    conversation.setOnMessagesChanged([&] {
        ++calls;
        sizeSeen = conversation.messages().size();
    });
    QSignalSpy spy(&conversation, &AgentConversation::messagesChanged);

    const Messages one{user(u"x"_qs)};
    conversation.setMessages(one);
    QCOMPARE(calls, 1);
    QCOMPARE(sizeSeen, 1); // after storing
    conversation.setMessages(one);
    QCOMPARE(calls, 2); // an equal assignment is still an assignment for the hook
    QCOMPARE(spy.count(), 1);
    conversation.appendMessage(assistant(u""_qs));
    QCOMPARE(calls, 3);
    QCOMPARE(sizeSeen, 2);
    conversation.updateMessage(1, [](AgentMessage &m) { m.text += u"Hi"_qs; });
    QCOMPARE(calls, 4);
    QCOMPARE(spy.count(), 3);
    QVERIFY(!conversation.updateMessage(7, [](AgentMessage &) {}));
    QVERIFY(!conversation.updateMessage(QUuid::createUuid(), [](AgentMessage &) {}));
    QCOMPARE(calls, 4);
    // Other fields never reach the hook.
    conversation.setComposer(u"draft"_qs);
    conversation.setCustomTitle(u"t"_qs);
    QCOMPARE(calls, 4);
}

void tst_AgentConversation::updateMessageEditsInPlace()
{
    const AgentMessage reply = assistant(u"Hel"_qs);
    AgentConversation conversation(QUuid::createUuid(), std::nullopt, std::nullopt,
                                   {user(u"q"_qs), reply});
    QSignalSpy spy(&conversation, &AgentConversation::messagesChanged);
    QCOMPARE(conversation.indexOfMessage(reply.id), 1);
    QVERIFY(conversation.updateMessage(reply.id, [](AgentMessage &m) {
        m.text += u"lo"_qs;
        m.thoughts = QStringList{u"hmm"_qs};
    }));
    QCOMPARE(conversation.messages().at(1).text, u"Hello"_qs);
    QCOMPARE(conversation.messages().at(1).thoughts, QStringList{u"hmm"_qs});
    QCOMPARE(conversation.messages().at(1).id, reply.id);
    QCOMPARE(spy.count(), 1);
    QVERIFY(conversation.updateMessage(1, [](AgentMessage &) {}));
    QCOMPARE(spy.count(), 1);
}

void tst_AgentConversation::hasUserMessages()
{
    AgentConversation conversation;
    QVERIFY(!conversation.hasUserMessages());
    conversation.setMessages({assistant(u"a"_qs)});
    QVERIFY(!conversation.hasUserMessages());
    conversation.appendMessage(user(u"u"_qs));
    QVERIFY(conversation.hasUserMessages());
}

QTEST_GUILESS_MAIN(tst_AgentConversation)
#include "tst_AgentConversation.moc"
