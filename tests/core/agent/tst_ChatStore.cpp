#include <memory>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTest>

#include "core/agent/AgentConversation.h"
#include "core/agent/SavedChats.h"
#include "core/session/ChatStore.h"
#include "core/session/ProjectLoader.h"
#include "core/session/ProjectSession.h"
#include "support/TempTree.h"

using namespace std::chrono_literals;

namespace {

const QString org = u"alice"_qs;
const QString slug = u"harbour"_qs;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace

class tst_ChatStore : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void noFileWithoutUserMessages();
    void restartRestoresConversations();
    void activeIdOfADroppedChatFallsBackToTheLast();
    void restoreTrimsMessages();
    void onlyAssistantMessagesKeepTheFreshConversation();
    void singleChatLayoutRestores();
    void unreadableFileIsKeptAsideByTheNextWrite();
    void closingTheLastConversationWithMessagesDeletesTheFile();
    void unreadableFileIsKeptAsideInsteadOfDeleted();
    void leadingWriteThenDebounce();
    void burstIsWrittenOnceAfterItsLastChange();
    void unchangedChatsAreNotRewritten();
    void closingTheWindowWritesWhatWasWaiting();
    void prefs_data();
    void prefs();
    void prefsFollowEveryAssignment();
    void sessionWithoutCloneNeverReadsOrWrites();

private:
    std::unique_ptr<ProjectSession> open();
    QString chatFile() const { return ChatStore::chatFile(org, slug); }

    std::unique_ptr<TempTree> m_clone;
};

void tst_ChatStore::init()
{
    QDir(ChatStore::chatsRoot()).removeRecursively();
    QSettings().remove(ChatStore::prefsKey(org, slug));
    m_clone = std::make_unique<TempTree>();
    QVERIFY(m_clone->write(u"slatebox.yaml"_qs, "type: film\ntitle: \"Harbour\"\n"));
    QVERIFY(m_clone->write(u"bible/world.md"_qs, "# World\n"));
}

void tst_ChatStore::cleanup()
{
    m_clone.reset();
}

std::unique_ptr<ProjectSession> tst_ChatStore::open()
{
    return std::unique_ptr<ProjectSession>(ProjectLoader::load(m_clone->root(), org, slug));
}

void tst_ChatStore::noFileWithoutUserMessages()
{
    QVERIFY(chatFile().startsWith(ChatStore::chatsRoot()));
    QVERIFY(chatFile().endsWith(u"/Slatebox/Chats/alice/harbour.json"));
    {
        auto session = open();
        session->newConversation();
        session->activeConversation()->appendMessage(
            AgentMessage::assistant(u"Save failed: offline"_qs));
        session->persistChatNow();
        session->scheduleChatPersist();
        QVERIFY(!QFile::exists(chatFile()));
    }
    auto again = open();
    QCOMPARE(again->conversations().size(), 1);
    QVERIFY(!QFile::exists(chatFile()));
}

void tst_ChatStore::restartRestoresConversations()
{
    AgentTurnUsage usage;
    usage.inputTokens = 10;
    usage.outputTokens = 2;
    usage.model = u"grok-4.6"_qs;
    QUuid firstId;
    QUuid secondId;
    QList<AgentMessage> transcript;
    {
        auto session = open();
        AgentConversation *first = session->activeConversation();
        firstId = first->id();
        first->appendMessage(AgentMessage::user(u"Tighten the pilot"_qs));
        first->appendMessage(AgentMessage::assistant(u"Done."_qs));
        first->setConversationLayout(QStringList{u"bible/world.md"_qs});
        first->setLastUsage(usage);
        first->setGeneratedTitle(u"Pilot pass"_qs);
        transcript = first->messages();
        AgentConversation *second = session->newConversation();
        secondId = second->id();
        second->appendMessage(AgentMessage::user(u"Another"_qs));
        session->renameConversation(secondId, u"  Mine \t"_qs);
        first->setComposer(u"a draft is not saved"_qs);
        session->setActiveConversationId(firstId);
        session->persistChatNow();
    }
    auto session = open();
    QCOMPARE(session->conversations().size(), 2);
    const AgentConversation *first = session->conversations().at(0);
    const AgentConversation *second = session->conversations().at(1);
    QCOMPARE(first->id(), firstId);
    QCOMPARE(first->messages(), transcript);
    QCOMPARE(first->generatedTitle(), u"Pilot pass"_qs);
    QCOMPARE(first->conversationLayout(), QStringList{u"bible/world.md"_qs});
    QCOMPARE(first->lastUsage(), usage);
    QCOMPARE(first->composer(), QString());
    QCOMPARE(second->id(), secondId);
    QCOMPARE(second->customTitle(), u"Mine"_qs);
    QCOMPARE(session->activeConversationId(), firstId);

    // Restored conversations save themselves again.
    const QByteArray before = readAll(chatFile());
    session->conversations().at(1)->appendMessage(AgentMessage::user(u"More"_qs));
    session->persistChatNow();
    QVERIFY(readAll(chatFile()) != before);
    QVERIFY(readAll(chatFile()).contains("More"));
}

void tst_ChatStore::activeIdOfADroppedChatFallsBackToTheLast()
{
    QUuid lastId;
    {
        auto session = open();
        session->activeConversation()->appendMessage(AgentMessage::user(u"one"_qs));
        AgentConversation *second = session->newConversation();
        second->appendMessage(AgentMessage::user(u"two"_qs));
        lastId = second->id();
        session->newConversation(); // empty and active: written as activeId, never as a chat
        session->persistChatNow();
        const auto saved = SavedChats::decode(readAll(chatFile()));
        QVERIFY(saved);
        QCOMPARE(saved->chats.size(), 2);
        QCOMPARE(saved->activeId, session->activeConversationId());
    }
    auto session = open();
    QCOMPARE(session->conversations().size(), 2);
    QCOMPARE(session->activeConversationId(), lastId);
}

void tst_ChatStore::restoreTrimsMessages()
{
    SavedChats saved;
    SavedChat chat;
    chat.messages = {AgentMessage::assistant(u"Save failed: offline"_qs),
                     AgentMessage::user(u"hello"_qs), AgentMessage::assistant(u"hi"_qs),
                     AgentMessage::user(u"and?"_qs), AgentMessage::assistant(u" \n "_qs)};
    saved.chats = {chat};
    QVERIFY(writeAll(chatFile(), saved.encode()));
    auto session = open();
    QCOMPARE(session->conversations().size(), 1);
    QCOMPARE(session->activeConversation()->messages(),
             (QList<AgentMessage>{chat.messages.at(1), chat.messages.at(2), chat.messages.at(3)}));
    QVERIFY(!session->activeConversation()->id().isNull());
}

void tst_ChatStore::onlyAssistantMessagesKeepTheFreshConversation()
{
    SavedChats saved;
    SavedChat chat;
    chat.messages = {AgentMessage::assistant(u"Save failed: offline"_qs)};
    saved.chats = {chat, SavedChat()};
    QVERIFY(writeAll(chatFile(), saved.encode()));
    auto session = open();
    QCOMPARE(session->conversations().size(), 1);
    QVERIFY(session->activeConversation()->messages().isEmpty());
}

void tst_ChatStore::singleChatLayoutRestores()
{
    SavedChat chat;
    chat.title = u"Old file"_qs;
    chat.messages = {AgentMessage::user(u"from an older client"_qs),
                     AgentMessage::assistant(u"yes"_qs)};
    QVERIFY(writeAll(chatFile(), QJsonDocument(chat.toJson()).toJson()));
    auto session = open();
    QCOMPARE(session->conversations().size(), 1);
    QCOMPARE(session->activeConversation()->messages(), chat.messages);
    QCOMPARE(session->activeConversation()->customTitle(), u"Old file"_qs);
}

void tst_ChatStore::unreadableFileIsKeptAsideByTheNextWrite()
{
    const QByteArray truncated = R"({"version":2,"chats":[{"messages":[{"id":"6F1B)";
    const QString aside = chatFile() + ChatStore::UnreadableSuffix;
    QVERIFY(writeAll(chatFile(), truncated));
    QVERIFY(writeAll(aside, "an older unreadable file"));
    auto session = open();
    QCOMPARE(session->conversations().size(), 1);
    QVERIFY(session->activeConversation()->messages().isEmpty());
    QCOMPARE(readAll(chatFile()), truncated); // reading never destroys it

    session->activeConversation()->appendMessage(AgentMessage::user(u"new start"_qs));
    session->persistChatNow();
    QCOMPARE(readAll(aside), truncated);
    const auto saved = SavedChats::decode(readAll(chatFile()));
    QVERIFY(saved);
    QCOMPARE(saved->chats.size(), 1);

    // Only the first write after the failed restore moves a file aside.
    session->activeConversation()->appendMessage(AgentMessage::user(u"again"_qs));
    session->persistChatNow();
    QCOMPARE(readAll(aside), truncated);
}

void tst_ChatStore::closingTheLastConversationWithMessagesDeletesTheFile()
{
    auto session = open();
    AgentConversation *first = session->activeConversation();
    first->appendMessage(AgentMessage::user(u"hi"_qs));
    AgentConversation *empty = session->newConversation();
    session->persistChatNow();
    QVERIFY(QFile::exists(chatFile()));
    session->closeConversation(empty->id());
    QVERIFY(QFile::exists(chatFile()));
    session->closeConversation(first->id());
    QVERIFY(!QFile::exists(chatFile()));
    QCOMPARE(session->conversations().size(), 1);
    QVERIFY(session->activeConversation()->messages().isEmpty());
    session->persistChatNow();
    QVERIFY(!QFile::exists(chatFile()));
}

void tst_ChatStore::unreadableFileIsKeptAsideInsteadOfDeleted()
{
    const QByteArray invalid = "not json at all";
    QVERIFY(writeAll(chatFile(), invalid));
    auto session = open();
    session->closeAllConversations();
    QVERIFY(!QFile::exists(chatFile()));
    QCOMPARE(readAll(chatFile() + ChatStore::UnreadableSuffix), invalid);
}

void tst_ChatStore::leadingWriteThenDebounce()
{
    auto session = open();
    ChatStore &store = session->chatStore();
    QDateTime now = QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC);
    store.setClock([&now] { return now; });
    AgentConversation *conversation = session->activeConversation();

    conversation->appendMessage(
        AgentMessage::user(u"one"_qs)); // long after the last write: written at once
    QCOMPARE(store.writeCount(), 1);
    QCOMPARE(session->lastChatPersist(), now);
    QCOMPARE(session->chatPersistTask(), nullptr);

    now = now.addMSecs(200);
    QElapsedTimer elapsed;
    elapsed.start();
    conversation->appendMessage(AgentMessage::assistant(u"two"_qs));
    QCOMPARE(store.writeCount(), 1);
    QVERIFY(session->chatPersistTask());
    QTRY_COMPARE_WITH_TIMEOUT(store.writeCount(), 2, 3000);
    QVERIFY2(elapsed.elapsed() >= 780, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(session->chatPersistTask(), nullptr);
    QVERIFY(readAll(chatFile()).contains("two"));

    now = now.addSecs(6);
    conversation->appendMessage(AgentMessage::assistant(u"three"_qs));
    QCOMPARE(store.writeCount(), 3);
}

void tst_ChatStore::burstIsWrittenOnceAfterItsLastChange()
{
    auto session = open();
    ChatStore &store = session->chatStore();
    store.setDebounceDelay(150ms);
    AgentConversation *conversation = session->activeConversation();
    conversation->appendMessage(AgentMessage::user(u"start"_qs));
    QCOMPARE(store.writeCount(), 1);
    QElapsedTimer elapsed;
    elapsed.start();
    for (int i = 0; i < 6; ++i) {
        conversation->appendToMessageText(0, u"."_qs);
        QTest::qWait(50);
    }
    const qint64 lastChange = elapsed.elapsed();
    QCOMPARE(store.writeCount(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(store.writeCount(), 2, 2000);
    QVERIFY(elapsed.elapsed() >= lastChange + 140);
    QTest::qWait(300);
    QCOMPARE(store.writeCount(), 2);
    QVERIFY(readAll(chatFile()).contains("start......"));
}

// A change inside the debounce window, then the window closes: the write happens on the way out.
void tst_ChatStore::closingTheWindowWritesWhatWasWaiting()
{
    auto session = open();
    AgentConversation *conversation = session->activeConversation();
    conversation->appendMessage(AgentMessage::user(u"start"_qs));
    conversation->appendMessage(AgentMessage::assistant(u"said just before closing"_qs));
    QVERIFY(session->chatPersistTask());
    session.reset();
    QVERIFY(readAll(chatFile()).contains("said just before closing"));
}

void tst_ChatStore::unchangedChatsAreNotRewritten()
{
    auto session = open();
    ChatStore &store = session->chatStore();
    session->activeConversation()->appendMessage(AgentMessage::user(u"hi"_qs));
    QCOMPARE(store.writeCount(), 1);
    session->persistChatNow();
    QCOMPARE(store.writeCount(), 1);
    // A file removed behind the store's back is written again.
    QVERIFY(QFile::remove(chatFile()));
    session->persistChatNow();
    QCOMPARE(store.writeCount(), 2);
    QVERIFY(QFile::exists(chatFile()));
    session->activeConversation()->setComposer(u"drafts are not saved"_qs);
    session->persistChatNow();
    QCOMPARE(store.writeCount(), 2);
}

void tst_ChatStore::prefs_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<AgentMode>("mode");
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<QString>("model");
    const QString fallback = ProjectSession::DefaultAgentModelId;
    QTest::newRow("nothing stored") << QVariant() << AgentMode::Ask << true << fallback;
    QTest::newRow("agent, chosen model")
        << QVariant(QVariantMap{
               {u"mode"_qs, u"agent"_qs}, {u"auto"_qs, false}, {u"model"_qs, u"claude-opus-5"_qs}})
        << AgentMode::Agent << false << u"claude-opus-5"_qs;
    QTest::newRow("unknown model keeps the default")
        << QVariant(QVariantMap{
               {u"mode"_qs, u"agent"_qs}, {u"auto"_qs, false}, {u"model"_qs, u"gpt-9"_qs}})
        << AgentMode::Agent << false << fallback;
    QTest::newRow("wrong types are ignored")
        << QVariant(
               QVariantMap{{u"mode"_qs, u"Agent"_qs}, {u"auto"_qs, u"false"_qs}, {u"model"_qs, 42}})
        << AgentMode::Ask << true << fallback;
    QTest::newRow("not a map") << QVariant(u"agent"_qs) << AgentMode::Ask << true << fallback;
}

void tst_ChatStore::prefs()
{
    QFETCH(QVariant, stored);
    QFETCH(AgentMode, mode);
    QFETCH(bool, automatic);
    QFETCH(QString, model);
    if (stored.isValid())
        QSettings().setValue(ChatStore::prefsKey(org, slug), stored);
    auto session = open();
    QCOMPARE(session->agentMode(), mode);
    QCOMPARE(session->agentAuto(), automatic);
    QCOMPARE(session->agentModelId(), model);
}

void tst_ChatStore::prefsFollowEveryAssignment()
{
    QCOMPARE(ChatStore::prefsKey(org, slug), u"agentPrefs.alice/harbour"_qs);
    {
        auto session = open();
        session->setAgentMode(AgentMode::Agent);
        session->setAgentModelId(u"claude-sonnet-5"_qs);
        session->setAgentAuto(false);
    }
    const QVariantMap stored = QSettings().value(ChatStore::prefsKey(org, slug)).toMap();
    QCOMPARE(stored, (QVariantMap{{u"mode"_qs, u"agent"_qs},
                                  {u"auto"_qs, false},
                                  {u"model"_qs, u"claude-sonnet-5"_qs}}));
    auto session = open();
    QCOMPARE(session->agentMode(), AgentMode::Agent);
    QCOMPARE(session->agentAuto(), false);
    QCOMPARE(session->agentModelId(), u"claude-sonnet-5"_qs);
}

void tst_ChatStore::sessionWithoutCloneNeverReadsOrWrites()
{
    SavedChats saved;
    SavedChat chat;
    chat.messages = {AgentMessage::user(u"on disk"_qs)};
    saved.chats = {chat};
    QVERIFY(writeAll(chatFile(), saved.encode()));
    const QByteArray before = readAll(chatFile());

    ProjectSession session(u"Harbour"_qs, slug, org, ProjectType::Film, {}, {});
    QCOMPARE(session.chatFileURL(), std::nullopt);
    session.restoreChat();
    QVERIFY(session.activeConversation()->messages().isEmpty());
    session.activeConversation()->appendMessage(AgentMessage::user(u"in memory"_qs));
    session.persistChatNow();
    session.closeAllConversations();
    QCOMPARE(readAll(chatFile()), before);
}

QTEST_GUILESS_MAIN(tst_ChatStore)
#include "tst_ChatStore.moc"
