#include <chrono>
#include <memory>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <qcoro/qcoroasyncgenerator.h>
#include <qcoro/qcorotimer.h>

#include "core/agent/AgentConversation.h"
#include "core/project/ProjectLoader.h"
#include "core/service/APIError.h"
#include "core/service/TransportError.h"
#include "core/session/AgentTurn.h"
#include "core/session/ChatStore.h"
#include "core/session/ProjectSession.h"
#include "support/TempTree.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Event = AgentChatEvent;

namespace {

const QString manifest = u"type: film\ntitle: \"Harbour\"\ndeliverables:\n"
                         u"  - slug: feature\n    kind: feature\n    title: Feature\n"_qs;

// One scripted event: the fake clock moves by `advance` before it is delivered.
struct Step {
    Event event;
    std::chrono::milliseconds advance{0};
};

// How the scripted stream ends after its steps.
enum class Ending { Normally, WithAPIError, WhenStopped };

struct Script {
    Script(QList<Step> steps = {}, Ending ending = Ending::Normally, QString error = {})
        : steps(std::move(steps))
        , ending(ending)
        , error(std::move(error))
    {
    }

    QList<Step> steps;
    Ending ending;
    QString error;
};

TransportError cancellation()
{
    return TransportError(QNetworkReply::OperationCanceledError, u"Operation canceled"_qs);
}

// Stands in for the service: delivers the steps in order, honouring the stop handle the way
// the real stream does (a cancellation TransportError).
QCoro::AsyncGenerator<Event> scripted(Script script, std::shared_ptr<Clock::time_point> clock,
                                      AgentChatHandle handle)
{
    for (const Step &step : script.steps) {
        co_await QCoro::sleepFor(1ms);
        if (handle.isStopped())
            throw cancellation();
        *clock += step.advance;
        co_yield Event(step.event);
    }
    if (script.ending == Ending::WithAPIError)
        throw APIError(script.error);
    if (script.ending == Ending::WhenStopped) {
        while (!handle.isStopped())
            co_await QCoro::sleepFor(5ms);
        throw cancellation();
    }
}

Step at(Event event, std::chrono::milliseconds advance = 0ms)
{
    return Step{std::move(event), advance};
}

} // namespace

class tst_AgentTurn : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void blankComposerSendsNothing_data();
    void blankComposerSendsNothing();
    void sendingWhileAnotherTabRunsDoesNothing();
    void everyEventInOrder();
    void thinkingNotes_data();
    void thinkingNotes();
    void toolNoteAfterText();
    void statusThenDeltaClearsActivity();
    void emptyStreamIsAnEmptyReply();
    void stopWhileReasoning();
    void stopBeforeTheStreamBegins();
    void serviceErrorAfterText();
    void editingTheFirstMessageReplacesEverything();
    void cancelEditingRestoresTheDraft();
    void manifestEditRebuildsDeliverables();
    void newFileOutsideDeliverablesJoinsSidebarAndIsDirty();
    void assetReplacesWithoutDirtying();
    void undecodableAssetIsIgnored();
    void deleteClosesItsTab();
    void outsidePathsAreRefused_data();
    void outsidePathsAreRefused();
    void symlinkOutOfTheCloneIsRefused();
    void regenerateTitle();
    void saveFailureDuringATurnKeepsTheReplyInPlace();
    void closingTheSessionMidTurnStopsQuietly();

private:
    void runTurn(const Script &script, const QString &text = u"Please look"_qs);
    AgentConversation &active() { return *m_session->activeConversation(); }
    const AgentMessage &reply() { return active().messages().last(); }

    std::unique_ptr<TempTree> m_clone;
    std::unique_ptr<QTemporaryDir> m_outside;
    std::unique_ptr<ProjectSession> m_session;
    std::shared_ptr<Clock::time_point> m_clock;
    Script m_script;
};

void tst_AgentTurn::init()
{
    QDir(ChatStore::chatsRoot()).removeRecursively();
    m_clone = std::make_unique<TempTree>();
    m_outside = std::make_unique<QTemporaryDir>();
    QVERIFY(m_clone->write(u"slatebox.yaml"_qs, manifest.toUtf8()));
    QVERIFY(m_clone->write(u"bible/world.md"_qs, "# World\n"));
    QVERIFY(m_clone->write(u"bible/old.md"_qs, "old\n"));
    QVERIFY(m_clone->write(u"characters/mara/bio.md"_qs, "Mara\n"));
    QVERIFY(m_clone->write(u"characters/mara/sheet.png"_qs, "\x89PNG"));
    QVERIFY(m_clone->write(u"deliverables/feature/script.fountain"_qs, "INT. PIER\n"));
    const LoadedProject loaded = ProjectLoader::read(m_clone->root(), u"alice"_qs, u"harbour"_qs);
    m_session = std::make_unique<ProjectSession>(loaded.title, loaded.slug, loaded.org, loaded.type,
                                                 loaded.sections, QStringList());
    m_session->setLocalURL(m_clone->root());
    m_clock = std::make_shared<Clock::time_point>(Clock::time_point(1000s));
    m_session->agentTurn().setClock([clock = m_clock] { return *clock; });
    m_session->agentTurn().setStreamSource(
        [this, clock = m_clock](AgentChatBody, AgentChatHandle handle) {
            return scripted(m_script, clock, std::move(handle));
        });
}

void tst_AgentTurn::cleanup()
{
    m_session.reset();
    m_clone.reset();
    m_outside.reset();
}

void tst_AgentTurn::runTurn(const Script &script, const QString &text)
{
    m_script = script;
    QSignalSpy ended(&m_session->agentTurn(), &AgentTurn::turnEnded);
    active().setComposer(text);
    const qsizetype before = active().messages().size();
    m_session->sendComposer();
    QCOMPARE(active().messages().size(), before + 2);
    // A turn whose history and stream answer at once may already have ended.
    QVERIFY(!ended.isEmpty() || ended.wait(5000));
    QVERIFY(!m_session->agentBusy());
}

void tst_AgentTurn::blankComposerSendsNothing_data()
{
    QTest::addColumn<QString>("composer");
    QTest::addColumn<bool>("attachment");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("spaces and newlines") << u"  \n\t \n"_qs << false;
    QTest::newRow("only an attachment") << u" \n"_qs << true;
}

void tst_AgentTurn::blankComposerSendsNothing()
{
    QFETCH(QString, composer);
    QFETCH(bool, attachment);
    active().setComposer(composer);
    if (attachment)
        active().setPendingAttachments(
            {ChatAttachment{QUuid::createUuid(), u"a.png"_qs, u"image/png"_qs, u"AA=="_qs}});
    m_session->sendComposer();
    QVERIFY(!m_session->agentBusy());
    QVERIFY(active().messages().isEmpty());
    QCOMPARE(active().composer(), composer);
    QCOMPARE(active().pendingAttachments().size(), attachment ? 1 : 0);
}

void tst_AgentTurn::sendingWhileAnotherTabRunsDoesNothing()
{
    m_script = Script{{}, Ending::WhenStopped, {}};
    QSignalSpy ended(&m_session->agentTurn(), &AgentTurn::turnEnded);
    active().setComposer(u"first"_qs);
    m_session->sendComposer();
    AgentConversation *first = &active();
    AgentConversation *second = m_session->newConversation();
    second->setComposer(u"second"_qs);
    m_session->sendComposer();
    QVERIFY(second->messages().isEmpty());
    QCOMPARE(second->composer(), u"second"_qs);
    QCOMPARE(m_session->busyConversationId(), first->id());
    m_session->stopAgent();
    QVERIFY(ended.wait(5000));
    QCOMPARE(first->messages().last().text, u"(stopped)"_qs);
}

void tst_AgentTurn::everyEventInOrder()
{
    QList<std::optional<QString>> activities;
    connect(m_session.get(), &ProjectSession::agentActivityChanged, this,
            [&] { activities.append(m_session->agentActivity()); });
    AgentTurnUsage usage;
    usage.inputTokens = 900;
    usage.outputTokens = 12;
    usage.model = u"grok-4.6"_qs;
    m_session->open(u"bible/old.md"_qs);

    runTurn(Script{{at(Event::reasoning(u"Look at "_qs)), at(Event::reasoning(u"the notes"_qs)),
                    at(Event::status(u"read_file"_qs), 300ms),
                    at(Event::tool(u"read_file"_qs, u"bible/old.md"_qs, u"{}"_qs, u"old"_qs)),
                    at(Event::delta(u"Updated "_qs)), at(Event::delta(u"the notes."_qs)),
                    at(Event::edit(u"notes/new.md"_qs, u"new\n"_qs)),
                    at(Event::asset(u"characters/mara/sketch.png"_qs, u"iVBORw0KGgo="_qs)),
                    at(Event::deleted(u"bible/old.md"_qs)), at(Event::usageReport(usage)),
                    at(Event::title(u"Notes pass"_qs)), at(Event::dropped(u"data: {"_qs))}});

    QCOMPARE(active().messages().size(), 2);
    QCOMPARE(active().messages().first().text, u"Please look"_qs);
    const AgentMessage &m = reply();
    QVERIFY(m.isAssistant());
    QCOMPARE(m.text, u"\u00B7 Thought briefly\n\n\u00B7 Read: bible/old.md\nUpdated the notes.\n"
                     u"\u26A0 A file update from the server could not be read \u2014 local files "
                     u"may be stale. Ask the agent to re-check its last edit.\n"_qs);
    QCOMPARE(m.thoughts, QStringList{u"Look at the notes"_qs});
    QCOMPARE(m.toolCalls, (QList<AgentToolCall>{{u"read_file"_qs, u"{}"_qs, u"old"_qs}}));
    QCOMPARE(activities, (QList<std::optional<QString>>{u"Planning next moves"_qs, u"Thinking"_qs,
                                                        u"Reading a file"_qs,
                                                        u"Planning next moves"_qs, std::nullopt}));
    QCOMPARE(active().lastUsage(), usage);
    QCOMPARE(active().generatedTitle(), u"Notes pass"_qs);
    QVERIFY(!active().isAwaitingGeneratedTitle());
    QCOMPARE(m_session->agentReasoning(), std::nullopt);
    QVERIFY(!m_session->agentTask());

    QCOMPARE(m_session->files().value(u"notes/new.md"_qs).contents, u"new\n"_qs);
    QVERIFY(m_session->dirtyPaths().contains(u"notes/new.md"_qs));
    QFile written(m_clone->absolute(u"notes/new.md"_qs));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("new\n"));
    QVERIFY(m_session->files().value(u"characters/mara/sketch.png"_qs).isBinary);
    QFile sketch(m_clone->absolute(u"characters/mara/sketch.png"_qs));
    QVERIFY(sketch.open(QIODevice::ReadOnly));
    QCOMPARE(sketch.readAll(), QByteArray::fromBase64("iVBORw0KGgo="));
    QVERIFY(!m_session->files().contains(u"bible/old.md"_qs));
    QVERIFY(!QFile::exists(m_clone->absolute(u"bible/old.md"_qs)));
    QVERIFY(m_session->openTabs().isEmpty());

    // The turn ended with the chats on disk.
    const auto file = m_session->chatFileURL();
    QVERIFY(file && QFile::exists(*file));
}

void tst_AgentTurn::thinkingNotes_data()
{
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<QString>("note");
    QTest::newRow("0.3 s") << 300 << u"\u00B7 Thought briefly"_qs;
    QTest::newRow("0.6 s") << 600 << u"\u00B7 Thought for 1s"_qs;
    QTest::newRow("65.4 s") << 65400 << u"\u00B7 Thought for 1m 5s"_qs;
}

void tst_AgentTurn::thinkingNotes()
{
    QFETCH(int, milliseconds);
    QFETCH(QString, note);
    runTurn(Script{{at(Event::reasoning(u"hmm"_qs)),
                    at(Event::delta(u"Answer"_qs), std::chrono::milliseconds(milliseconds))}});
    QCOMPARE(reply().text, note + u"\nAnswer");
    QCOMPARE(reply().thoughts, QStringList{u"hmm"_qs});
}

void tst_AgentTurn::toolNoteAfterText()
{
    runTurn(Script{{at(Event::delta(u"Checking."_qs)),
                    at(Event::tool(u"read_file"_qs, u"bible/world.md"_qs, {}, {})),
                    at(Event::tool(u"summon_muse"_qs, {}, {}, {}))}});
    QCOMPARE(reply().text, u"Checking.\n\u00B7 Read: bible/world.md\n\n\u00B7 summon_muse\n"_qs);
    QCOMPARE(reply().toolCalls->size(), 2);
}

void tst_AgentTurn::statusThenDeltaClearsActivity()
{
    QList<std::optional<QString>> activities;
    connect(m_session.get(), &ProjectSession::agentActivityChanged, this,
            [&] { activities.append(m_session->agentActivity()); });
    runTurn(Script{{at(Event::status(u"delete_file"_qs)), at(Event::delta(u"ok"_qs))}});
    QCOMPARE(activities, (QList<std::optional<QString>>{u"Planning next moves"_qs,
                                                        u"Deleting a file"_qs, std::nullopt}));
}

void tst_AgentTurn::emptyStreamIsAnEmptyReply()
{
    runTurn(Script{});
    QCOMPARE(reply().text, u"(empty reply)"_qs);
    QCOMPARE(reply().thoughts, std::nullopt);
}

void tst_AgentTurn::stopWhileReasoning()
{
    m_script = Script{{at(Event::reasoning(u"pondering"_qs))}, Ending::WhenStopped, {}};
    QSignalSpy ended(&m_session->agentTurn(), &AgentTurn::turnEnded);
    active().setComposer(u"Think hard"_qs);
    m_session->sendComposer();
    QTRY_COMPARE(m_session->agentReasoning(), u"pondering"_qs);
    *m_clock += 2s;
    m_session->stopAgent();
    QVERIFY(ended.wait(5000));
    QCOMPARE(reply().thoughts, QStringList{u"pondering"_qs});
    QCOMPARE(reply().text, u"\u00B7 Thought for 2s\n\n\n(stopped)"_qs);
    QCOMPARE(m_session->agentReasoning(), std::nullopt);
    QCOMPARE(m_session->agentActivity(), std::nullopt);
}

void tst_AgentTurn::stopBeforeTheStreamBegins()
{
    m_script = Script{{at(Event::delta(u"never"_qs))}};
    QSignalSpy ended(&m_session->agentTurn(), &AgentTurn::turnEnded);
    active().setComposer(u"go"_qs);
    m_session->sendComposer();
    m_session->stopAgent();
    QVERIFY(ended.wait(5000));
    QCOMPARE(reply().text, u"(stopped)"_qs);
}

void tst_AgentTurn::serviceErrorAfterText()
{
    runTurn(Script{
        {at(Event::delta(u"Half a reply"_qs))}, Ending::WithAPIError, u"model overloaded"_qs});
    QCOMPARE(reply().text, u"Half a reply\n\n(Agent error: model overloaded)"_qs);
    runTurn(Script{{}, Ending::WithAPIError, u"slow down"_qs});
    QCOMPARE(reply().text, u"Agent error: slow down"_qs);
}

void tst_AgentTurn::editingTheFirstMessageReplacesEverything()
{
    runTurn(Script{{at(Event::delta(u"one"_qs))}}, u"first"_qs);
    runTurn(Script{{at(Event::delta(u"two"_qs))}}, u"second"_qs);
    QCOMPARE(active().messages().size(), 4);
    const QUuid firstId = active().messages().first().id;

    active().setComposer(u"draft"_qs);
    m_session->beginEditing(firstId);
    QCOMPARE(active().editingMessageId(), firstId);
    QCOMPARE(active().composer(), u"first"_qs);
    QCOMPARE(active().draftBeforeEditing(), u"draft"_qs);

    m_script = Script{{}, Ending::WhenStopped, {}};
    QSignalSpy ended(&m_session->agentTurn(), &AgentTurn::turnEnded);
    active().setComposer(u"first, again"_qs);
    m_session->sendComposer();
    QCOMPARE(active().messages().size(), 2);
    QCOMPARE(active().messages().first().text, u"first, again"_qs);
    QVERIFY(active().messages().first().id != firstId);
    QVERIFY(active().isAwaitingGeneratedTitle());
    QCOMPARE(active().title(), u"New Agent"_qs);
    QCOMPARE(active().editingMessageId(), std::nullopt);
    QCOMPARE(active().draftBeforeEditing(), QString());
    m_session->stopAgent();
    QVERIFY(ended.wait(5000));
    QVERIFY(!active().isAwaitingGeneratedTitle());
    QCOMPARE(active().title(), u"first, again"_qs);
}

void tst_AgentTurn::cancelEditingRestoresTheDraft()
{
    runTurn(Script{{at(Event::delta(u"one"_qs))}}, u"first"_qs);
    const ChatAttachment image{QUuid::createUuid(), u"a.png"_qs, u"image/png"_qs, u"AA=="_qs};
    active().setComposer(u"draft"_qs);
    active().setPendingAttachments({image});
    m_session->beginEditing(active().messages().last().id); // an assistant message: ignored
    QCOMPARE(active().editingMessageId(), std::nullopt);
    m_session->beginEditing(active().messages().first().id);
    QCOMPARE(active().pendingAttachments(), QList<ChatAttachment>());
    m_session->cancelEditing();
    QCOMPARE(active().editingMessageId(), std::nullopt);
    QCOMPARE(active().composer(), u"draft"_qs);
    QCOMPARE(active().pendingAttachments(), QList<ChatAttachment>{image});
    QCOMPARE(active().draftBeforeEditing(), QString());
}

void tst_AgentTurn::manifestEditRebuildsDeliverables()
{
    const QString renamed = u"type: film\ntitle: \"Harbour\"\ndeliverables:\n"
                            u"  - slug: feature\n    kind: feature\n    title: The Crossing\n"_qs;
    runTurn(Script{{at(Event::edit(u"slatebox.yaml"_qs, renamed))}});
    const auto deliverables =
        std::find_if(m_session->sections().cbegin(), m_session->sections().cend(),
                     [](const SidebarSection &s) { return s.id == u"deliverables"; });
    QVERIFY(deliverables != m_session->sections().cend());
    QCOMPARE(deliverables->items.first().name, u"The Crossing"_qs);
    QVERIFY(m_session->dirtyPaths().contains(u"slatebox.yaml"_qs));
}

void tst_AgentTurn::newFileOutsideDeliverablesJoinsSidebarAndIsDirty()
{
    runTurn(Script{{at(Event::edit(u"bible/tone.md"_qs, u"quiet\n"_qs))}});
    const auto bible = std::find_if(m_session->sections().cbegin(), m_session->sections().cend(),
                                    [](const SidebarSection &s) { return s.id == u"bible"; });
    QStringList paths;
    for (const ProjectFile &item : bible->items)
        paths.append(item.path);
    QCOMPARE(paths, (QStringList{u"bible/old.md"_qs, u"bible/tone.md"_qs, u"bible/world.md"_qs}));
    QVERIFY(m_session->dirtyPaths().contains(u"bible/tone.md"_qs));
}

void tst_AgentTurn::assetReplacesWithoutDirtying()
{
    const QList<SidebarSection> before = m_session->sections();
    runTurn(Script{{at(Event::asset(u"characters/mara/sheet.png"_qs, u"AAEC"_qs))}});
    QCOMPARE(m_session->sections(), before);
    QVERIFY(!m_session->dirtyPaths().contains(u"characters/mara/sheet.png"_qs));
    QFile sheet(m_clone->absolute(u"characters/mara/sheet.png"_qs));
    QVERIFY(sheet.open(QIODevice::ReadOnly));
    QCOMPARE(sheet.readAll(), QByteArray("\x00\x01\x02", 3));
}

void tst_AgentTurn::undecodableAssetIsIgnored()
{
    const FileIndex before = m_session->files();
    runTurn(Script{{at(Event::asset(u"characters/new.png"_qs, u"not base64!"_qs))}});
    QCOMPARE(m_session->files(), before);
    QVERIFY(!QFile::exists(m_clone->absolute(u"characters/new.png"_qs)));
    QCOMPARE(reply().text, u"(empty reply)"_qs);
}

void tst_AgentTurn::deleteClosesItsTab()
{
    m_session->open(u"bible/world.md"_qs);
    m_session->open(u"bible/old.md"_qs);
    m_session->updateContents(u"bible/old.md"_qs, u"edited\n"_qs);
    runTurn(Script{
        {at(Event::deleted(u"bible/old.md"_qs)), at(Event::deleted(u"bible/never-was.md"_qs))}});
    QCOMPARE(m_session->openTabs(), QStringList{u"bible/world.md"_qs});
    QVERIFY(!m_session->dirtyPaths().contains(u"bible/old.md"_qs));
    QVERIFY(!QFile::exists(m_clone->absolute(u"bible/old.md"_qs)));
    QVERIFY(!m_session->files().contains(u"bible/old.md"_qs));
    QCOMPARE(reply().text, u"(empty reply)"_qs);
}

void tst_AgentTurn::outsidePathsAreRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("empty") << QString();
    QTest::newRow("absolute") << u"/tmp/slatebox-outside.md"_qs;
    QTest::newRow("parent") << u"../outside.md"_qs;
    QTest::newRow("parent inside") << u"notes/../../outside.md"_qs;
    QTest::newRow("dot piece") << u"notes/./x.md"_qs;
    QTest::newRow("empty piece") << u"notes//x.md"_qs;
    QTest::newRow("trailing slash") << u"notes/x.md/"_qs;
    QTest::newRow("backslash") << u"notes\\x.md"_qs;
    QTest::newRow("NUL") << QString(u"notes/x\0.md"_qs);
    QTest::newRow("git folder") << u".git/config"_qs;
    QTest::newRow("git folder, other case") << u".GIT/hooks/pre-commit"_qs;
    QTest::newRow("very long") << u"../"_qs + QString(400, u'x');
}

void tst_AgentTurn::outsidePathsAreRefused()
{
    QFETCH(QString, path);
    QVERIFY(m_clone->write(u".git/config"_qs, "[core]\n"));
    const FileIndex files = m_session->files();
    const QList<SidebarSection> sections = m_session->sections();
    runTurn(Script{{at(Event::edit(path, u"pwned"_qs)), at(Event::asset(path, u"AAEC"_qs)),
                    at(Event::deleted(path))}});
    QCOMPARE(m_session->files(), files);
    QCOMPARE(m_session->sections(), sections);
    QVERIFY(m_session->dirtyPaths().isEmpty());
    QVERIFY(!QFile::exists(u"/tmp/slatebox-outside.md"_qs));
    QVERIFY(!QFile::exists(QDir(m_clone->root()).absoluteFilePath(u"../outside.md"_qs)));
    QFile config(m_clone->absolute(u".git/config"_qs));
    QVERIFY(config.open(QIODevice::ReadOnly));
    QCOMPARE(config.readAll(), QByteArray("[core]\n"));
    const QString note = u"\u26A0 Ignored a file change outside the project: "_qs + path.left(200);
    QCOMPARE(reply().text, note + u'\n' + u'\n' + note + u'\n' + u'\n' + note + u'\n');
}

void tst_AgentTurn::symlinkOutOfTheCloneIsRefused()
{
    QVERIFY(m_clone->symlink(m_outside->path(), u"bible/link"_qs));
    runTurn(Script{{at(Event::edit(u"bible/link/escape.md"_qs, u"x"_qs))}});
    QVERIFY(!QFile::exists(m_outside->filePath(u"escape.md"_qs)));
    QVERIFY(!m_session->files().contains(u"bible/link/escape.md"_qs));
    QVERIFY(reply().text.startsWith(u"\u26A0 Ignored a file change outside the project: "));
}

void tst_AgentTurn::regenerateTitle()
{
    runTurn(Script{{at(Event::delta(u"one"_qs))}}, u"first"_qs);
    std::optional<QString> answer;
    QList<AgentChatBody::Message> asked;
    m_session->agentTurn().setTitleSource([&](QList<AgentChatBody::Message> messages) {
        asked = messages;
        return [](std::optional<QString> title) -> QCoro::Task<std::optional<QString>> {
            co_return title;
        }(answer);
    });
    active().setCustomTitle(u"Mine"_qs);
    QSignalSpy ended(&m_session->agentTurn(), &AgentTurn::titleRequestEnded);

    answer = QString();
    m_session->regenerateTitle(active().id());
    QTRY_COMPARE(ended.count(), 1);
    QCOMPARE(active().customTitle(), u"Mine"_qs);
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked.first().role, u"user"_qs);
    QCOMPARE(asked.first().content, u"first"_qs);

    answer = u"Harbour notes"_qs;
    m_session->regenerateTitle(active().id());
    QTRY_COMPARE(ended.count(), 2);
    QCOMPARE(active().customTitle(), std::nullopt);
    QCOMPARE(active().generatedTitle(), u"Harbour notes"_qs);
    QCOMPARE(active().title(), u"Harbour notes"_qs);

    // A conversation without user messages asks nothing.
    AgentConversation *fresh = m_session->newConversation();
    m_session->regenerateTitle(fresh->id());
    QTest::qWait(50);
    QCOMPARE(ended.count(), 2);
}

void tst_AgentTurn::saveFailureDuringATurnKeepsTheReplyInPlace()
{
    m_script = Script{{at(Event::delta(u"Half"_qs))}, Ending::WhenStopped, {}};
    QSignalSpy ended(&m_session->agentTurn(), &AgentTurn::turnEnded);
    active().setComposer(u"Go"_qs);
    m_session->sendComposer();
    QTRY_COMPARE(active().messages().at(1).text, u"Half"_qs);
    m_session->appendAssistantMessage(u"Save failed: offline"_qs);
    m_session->stopAgent();
    QVERIFY(ended.wait(5000));
    QCOMPARE(active().messages().size(), 3);
    QCOMPARE(active().messages().at(1).text, u"Half\n\n(stopped)"_qs);
    QCOMPARE(active().messages().at(2).text, u"Save failed: offline"_qs);
    QFile file(*m_session->chatFileURL());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("Save failed: offline"));
}

void tst_AgentTurn::closingTheSessionMidTurnStopsQuietly()
{
    m_script = Script{{at(Event::reasoning(u"pondering"_qs))}, Ending::WhenStopped, {}};
    active().setComposer(u"Go"_qs);
    m_session->sendComposer();
    QTRY_COMPARE(m_session->agentReasoning(), u"pondering"_qs);
    m_session.reset();
    // The scripted stream sees the stop on its next poll; nothing may touch the session then.
    QTest::qWait(50);
}

QTEST_GUILESS_MAIN(tst_AgentTurn)
#include "tst_AgentTurn.moc"
