// Saving a session into real clones of bare repositories: commits, messages, baselines, the
// dirty set around a running save, push failures, autosave, and paths that must never be
// written.
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include "SessionRepo.h"
#include "core/agent/AgentConversation.h"
#include "core/agent/AgentMessage.h"
#include "core/session/SessionSaver.h"

namespace {

QString lastAssistantText(const ProjectSession &session)
{
    const AgentConversation *conversation = session.activeConversation();
    if (!conversation || conversation->messages().isEmpty())
        return {};
    const AgentMessage &last = conversation->messages().last();
    return last.isAssistant() ? last.text : QString();
}

} // namespace

class tst_SessionSaver : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void saveMessage_data();
    void saveMessage();

    void committingSave_data();
    void committingSave();
    void nothingToCommitClearsTheSnapshot();
    void deletionIsCommittedByTheNextSave();
    void secondSaveWhileOneRuns();
    void editDuringSaveStaysDirty();
    void pushFailureKeepsTheCommitLocal();
    void nextSaveWithoutEditsPushesWhatWasLeftBehind();
    void writeFailureCommitsNothing();
    void saveWithoutClone();
    void autosaveWritesWithoutCommitting();
    void autosaveAfterTheCloneWasDeleted();
    void closingTheSessionAutosaves();
    void refusedPathsAreNeverWritten_data();
    void refusedPathsAreNeverWritten();
    void openingFastForwardsThenLoads();
};

void tst_SessionSaver::initTestCase()
{
    // The Trash lives below the data folder, which a fresh test home lacks.
    QVERIFY(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
}

void tst_SessionSaver::saveMessage_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("message");
    QTest::newRow("one nested file") << QStringList{u"bible/world.md"_qs} << u"save: world.md"_qs;
    QTest::newRow("one root file") << QStringList{u"slatebox.yaml"_qs} << u"save: slatebox.yaml"_qs;
    QTest::newRow("three files") << QStringList{u"a.md"_qs, u"b/c.md"_qs, u"d.md"_qs}
                                 << u"save: 3 files"_qs;
    QTest::newRow("none") << QStringList{} << u"save: 0 files"_qs;
}

void tst_SessionSaver::saveMessage()
{
    QFETCH(QStringList, paths);
    QFETCH(QString, message);
    QCOMPARE(SessionSaver::saveMessage(QSet<QString>(paths.cbegin(), paths.cend())), message);
}

void tst_SessionSaver::committingSave_data()
{
    QTest::addColumn<QStringList>("edited");
    QTest::addColumn<std::optional<QString>>("given");
    QTest::addColumn<QString>("message");
    QTest::newRow("one file") << QStringList{u"bible/world.md"_qs} << std::optional<QString>()
                              << u"save: world.md"_qs;
    QTest::newRow("three files") << QStringList{u"bible/world.md"_qs, u"bible/tone.md"_qs,
                                                u"characters/mara-quinn/profile.md"_qs}
                                 << std::optional<QString>() << u"save: 3 files"_qs;
    QTest::newRow("caller's message")
        << QStringList{u"bible/world.md"_qs} << std::optional<QString>(u"ship: s1e01"_qs)
        << u"ship: s1e01"_qs;
}

void tst_SessionSaver::committingSave()
{
    QFETCH(QStringList, edited);
    QFETCH(std::optional<QString>, given);
    QFETCH(QString, message);
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    const QString before = *session->baseline(edited.first());

    for (const QString &path : edited)
        session->updateContents(path, path + u" edited\n"_qs);
    const int epoch = session->baselineEpoch();
    QCOMPARE(SessionOutcome::wait(session->saveNow(given)), u"ok"_qs);

    QCOMPARE(repo.remoteLog().value(0), message);
    QCOMPARE(repo.remoteLog().size(), 2);
    for (const QString &path : edited)
        QCOMPARE(repo.remoteText(path), (path + u" edited"_qs));
    QVERIFY(session->dirtyPaths().isEmpty());
    QVERIFY(!session->isSaving());
    QCOMPARE(session->baselineEpoch(), epoch + 1);
    QVERIFY(before != edited.first() + u" edited\n"_qs);
    QCOMPARE(session->baseline(edited.first()), edited.first() + u" edited\n"_qs);
}

void tst_SessionSaver::nothingToCommitClearsTheSnapshot()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    const QString path = u"bible/world.md"_qs;
    const QString original = session->files().value(path).contents;
    session->updateContents(path, u"changed\n"_qs);
    session->updateContents(path, original); // undone: dirty, but git sees nothing
    QVERIFY(session->baseline(path).has_value());
    const int epoch = session->baselineEpoch();
    const QString head = SessionRepo::commitOf(repo.clone() + u"/.git"_qs, u"HEAD"_qs);

    QCOMPARE(SessionOutcome::wait(session->saveNow()), u"ok"_qs);

    QVERIFY(session->dirtyPaths().isEmpty());
    QCOMPARE(session->baselineEpoch(), epoch);
    QVERIFY(session->baselines().contains(path));
    QCOMPARE(SessionRepo::commitOf(repo.clone() + u"/.git"_qs, u"HEAD"_qs), head);
    QCOMPARE(repo.remoteLog(), QStringList{u"seed"_qs});
}

void tst_SessionSaver::deletionIsCommittedByTheNextSave()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    session->updateContents(u"bible/tone.md"_qs, u"# Tone\n\nQuiet.\n"_qs);
    session->deleteItem(u"bible/world.md"_qs);
    QVERIFY(!QFile::exists(repo.clone() + u"/bible/world.md"_qs));
    QCOMPARE(session->dirtyPaths(), QSet<QString>{u"bible/tone.md"_qs});

    QCOMPARE(SessionOutcome::wait(session->saveNow()), u"ok"_qs);
    QCOMPARE(repo.remoteLog().value(0), u"save: 2 files"_qs);
    QVERIFY(repo.remoteText(u"bible/world.md"_qs).isNull());

    // Without anything dirty, a deletion alone is still committed.
    session->deleteItem(u"bible/tone.md"_qs);
    QVERIFY(session->dirtyPaths().isEmpty());
    QCOMPARE(SessionOutcome::wait(session->saveNow()), u"ok"_qs);
    QCOMPARE(repo.remoteLog().value(0), u"save: tone.md"_qs);
    QVERIFY(repo.remoteText(u"bible/tone.md"_qs).isNull());
}

void tst_SessionSaver::secondSaveWhileOneRuns()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    session->updateContents(u"bible/world.md"_qs, u"first\n"_qs);
    const qsizetype messages = session->activeConversation()->messages().size();

    QCoro::Task<void> running = session->saveNow();
    QVERIFY(session->isSaving());
    QCOMPARE(SessionOutcome::wait(session->saveNow()), u"A save is already in progress."_qs);
    session->save(); // does nothing while a save runs: no second save, no message
    QCOMPARE(SessionOutcome::wait(std::move(running)), u"ok"_qs);

    QVERIFY(!session->isSaving());
    QCOMPARE(repo.remoteLog().size(), 2);
    QCOMPARE(session->activeConversation()->messages().size(), messages);
}

void tst_SessionSaver::editDuringSaveStaysDirty()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    session->updateContents(u"bible/world.md"_qs, u"saved text\n"_qs);
    session->updateContents(u"bible/tone.md"_qs, u"tone saved\n"_qs);

    QCoro::Task<void> running = session->saveNow();
    session->updateContents(u"bible/world.md"_qs, u"typed during the save\n"_qs);
    QCOMPARE(SessionOutcome::wait(std::move(running)), u"ok"_qs);

    QCOMPARE(repo.remoteText(u"bible/world.md"_qs), u"saved text"_qs);
    QCOMPARE(session->dirtyPaths(), QSet<QString>{u"bible/world.md"_qs});

    QCOMPARE(SessionOutcome::wait(session->saveNow()), u"ok"_qs);
    QCOMPARE(repo.remoteText(u"bible/world.md"_qs), u"typed during the save"_qs);
    QVERIFY(session->dirtyPaths().isEmpty());
}

void tst_SessionSaver::pushFailureKeepsTheCommitLocal()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    session->updateContents(u"bible/world.md"_qs, u"offline edit\n"_qs);
    const int epoch = session->baselineEpoch();
    QVERIFY(repo.takeRemoteAway());

    // Through save(), the failure lands in the chat and nowhere else.
    session->save();
    QTRY_VERIFY(!session->isSaving());
    const QString shown = lastAssistantText(*session);
    QVERIFY2(shown.startsWith(u"Save failed: git push HEAD:refs/heads/main: "_qs),
             qPrintable(shown));
    QCOMPARE(session->dirtyPaths(), QSet<QString>{u"bible/world.md"_qs});
    QCOMPARE(session->baselineEpoch(), epoch);
    QCOMPARE(repo.localLog().value(0), u"save: world.md"_qs);

    // saveNow throws the same error.
    session->updateContents(u"bible/world.md"_qs, u"offline edit, again\n"_qs);
    const QString failure = SessionOutcome::wait(session->saveNow());
    QVERIFY2(failure.startsWith(u"git push HEAD:refs/heads/main: "_qs), qPrintable(failure));
    QCOMPARE(repo.localLog().size(), 3);

    QVERIFY(repo.bringRemoteBack());
    QCOMPARE(repo.remoteLog(), QStringList{u"seed"_qs});
    session->updateContents(u"bible/tone.md"_qs, u"back online\n"_qs);
    QCOMPARE(SessionOutcome::wait(session->saveNow()), u"ok"_qs);
    QCOMPARE(repo.remoteLog(), (QStringList{u"save: tone.md"_qs, u"save: world.md"_qs,
                                            u"save: world.md"_qs, u"seed"_qs}));
    QCOMPARE(repo.remoteText(u"bible/world.md"_qs), u"offline edit, again"_qs);
    QVERIFY(session->dirtyPaths().isEmpty());
}

// A save that committed but could not push leaves the edits dirty; saving again once the remote
// is back finds nothing new to commit and must still deliver the waiting commit.
void tst_SessionSaver::nextSaveWithoutEditsPushesWhatWasLeftBehind()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    session->updateContents(u"bible/world.md"_qs, u"offline edit\n"_qs);
    QVERIFY(repo.takeRemoteAway());
    QVERIFY(!SessionOutcome::wait(session->saveNow()).startsWith(u"ok"_qs));

    QVERIFY(repo.bringRemoteBack());
    QCOMPARE(SessionOutcome::wait(session->saveNow()), u"ok"_qs);
    QCOMPARE(repo.remoteLog(), (QStringList{u"save: world.md"_qs, u"seed"_qs}));
    QVERIFY(session->dirtyPaths().isEmpty());

    // Up to date: a further save neither commits nor fails.
    QCOMPARE(SessionOutcome::wait(session->saveNow()), u"ok"_qs);
    QCOMPARE(repo.remoteLog().size(), 2);
}

void tst_SessionSaver::writeFailureCommitsNothing()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    // A file stands where the new file's folder would go.
    const QString blocked = u"bible/world.md/inner.md"_qs;
    session->insertFile(ProjectFile(blocked, {}, u"cannot be written\n"_qs));
    session->insertDirtyPath(blocked);
    session->updateContents(u"bible/tone.md"_qs, u"tone\n"_qs);
    const QSet<QString> dirty = session->dirtyPaths();

    session->save();
    QTRY_VERIFY(!session->isSaving());
    QCOMPARE(lastAssistantText(*session),
             u"Save failed: Could not create the folder for "_qs + blocked);
    QCOMPARE(session->dirtyPaths(), dirty);
    QCOMPARE(repo.localLog(), QStringList{u"seed"_qs});
}

void tst_SessionSaver::saveWithoutClone()
{
    ProjectSession session(u"T"_qs, u"s"_qs, u"o"_qs, ProjectType::Film,
                           {SidebarSection{u"sources"_qs,
                                           u"Project"_qs,
                                           {ProjectFile(u"notes.md"_qs, {}, u"old\n"_qs)}}},
                           {});
    session.updateContents(u"notes.md"_qs, u"new\n"_qs);
    session.updateContents(u"ghost.md"_qs, u"never a node\n"_qs);
    session.setBaseline(u"ghost.md"_qs, u"stale"_qs);
    QCOMPARE(session.baseline(u"notes.md"_qs), u"old\n"_qs);

    QCOMPARE(SessionOutcome::wait(session.saveNow()), u"ok"_qs);
    QCOMPARE(session.baselineEpoch(), 1);
    QVERIFY(session.dirtyPaths().isEmpty());
    QCOMPARE(session.baselines().value(u"notes.md"_qs), u"new\n"_qs);
    QVERIFY(!session.baselines().contains(u"ghost.md"_qs));
    QVERIFY(!session.isSaving());
}

void tst_SessionSaver::autosaveWritesWithoutCommitting()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    session->updateContents(u"bible/world.md"_qs, u"autosaved\n"_qs);
    session->updateContents(u"bible/new/idea.md"_qs, u"no node, not written\n"_qs);
    const int epoch = session->baselineEpoch();

    session->autosaveToDisk();
    QCOMPARE(repo.cloneBytes(u"bible/world.md"_qs), QByteArray("autosaved\n"));
    QVERIFY(!QFile::exists(repo.clone() + u"/bible/new/idea.md"_qs));
    QCOMPARE(session->dirtyPaths().size(), 2);
    QCOMPARE(session->baselineEpoch(), epoch);
    QCOMPARE(repo.localLog(), QStringList{u"seed"_qs});

    // Writing the same text again at the next save commits it.
    QCOMPARE(SessionOutcome::wait(session->saveNow()), u"ok"_qs);
    QCOMPARE(repo.remoteText(u"bible/world.md"_qs), u"autosaved"_qs);
}

void tst_SessionSaver::autosaveAfterTheCloneWasDeleted()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    session->updateContents(u"bible/world.md"_qs, u"orphan\n"_qs);
    QVERIFY(QDir(repo.clone()).removeRecursively());

    session->autosaveToDisk();
    QVERIFY(!QFileInfo::exists(repo.clone()));
    QCOMPARE(session->dirtyPaths(), QSet<QString>{u"bible/world.md"_qs});
}

void tst_SessionSaver::closingTheSessionAutosaves()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    session->updateContents(u"bible/world.md"_qs, u"typed, then the window closed\n"_qs);
    session.reset();
    QCOMPARE(repo.cloneBytes(u"bible/world.md"_qs), QByteArray("typed, then the window closed\n"));
}

void tst_SessionSaver::refusedPathsAreNeverWritten_data()
{
    // `path` names a node of the session; `target` is, relative to the scratch folder, where a
    // careless writer would have put it.
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("target");
    QTest::newRow("absolute") << u"ABS/outside/abs.md"_qs << u"outside/abs.md"_qs;
    QTest::newRow("dot piece") << u"./dot.md"_qs << u"clone/dot.md"_qs;
    QTest::newRow("dot-dot piece") << u"bible/../../outside/up.md"_qs << u"outside/up.md"_qs;
    QTest::newRow("empty piece") << u"bible//empty.md"_qs << u"clone/bible/empty.md"_qs;
    QTest::newRow("trailing slash") << u"bible/trail.md/"_qs << u"clone/bible/trail.md"_qs;
    QTest::newRow("backslash") << u"bible\\back.md"_qs << u"clone/bible\\back.md"_qs;
    QTest::newRow("git config") << u".git/hooks/pre-commit"_qs << u"clone/.git/hooks/pre-commit"_qs;
    QTest::newRow("git folder, other case") << u".Git/evil"_qs << u"clone/.Git/evil"_qs;
    QTest::newRow("linked folder leaving the clone")
        << u"escape/linked.md"_qs << u"outside/linked.md"_qs;
    QTest::newRow("linked file leaving the clone") << u"notes.md"_qs << u"outside/notes.md"_qs;
}

void tst_SessionSaver::refusedPathsAreNeverWritten()
{
    QFETCH(QString, path);
    QFETCH(QString, target);
    SessionRepo repo;
    QVERIFY(repo.isValid());
    QVERIFY(repo.tree().makeDir(u"outside"_qs));
    QVERIFY(repo.tree().symlink(repo.scratch(u"outside"_qs), u"clone/escape"_qs));
    QVERIFY(repo.tree().symlink(repo.scratch(u"outside/notes.md"_qs), u"clone/notes.md"_qs));
    if (path.startsWith(u"ABS/"_qs))
        path = repo.scratch(path.mid(4));
    auto session = repo.open();
    session->insertFile(ProjectFile(path, {}, u"must not land\n"_qs));
    session->insertDirtyPath(path);
    session->updateContents(u"bible/world.md"_qs, u"fine\n"_qs);

    session->autosaveToDisk();
    QVERIFY(!QFileInfo::exists(repo.scratch(target)));
    QCOMPARE(SessionOutcome::wait(session->saveNow()), u"ok"_qs);
    QVERIFY(!QFileInfo::exists(repo.scratch(target)));

    // The safe edit went through; the refused one stays dirty and in memory.
    QCOMPARE(repo.remoteText(u"bible/world.md"_qs), u"fine"_qs);
    QCOMPARE(session->dirtyPaths(), QSet<QString>{path});
    QCOMPARE(session->files().value(path).contents, u"must not land\n"_qs);
}

void tst_SessionSaver::openingFastForwardsThenLoads()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    // Someone else pushes a change of the manifest's title.
    const QString other = repo.scratch(u"other"_qs);
    QVERIFY(SessionRepo::git({u"clone"_qs, u"-q"_qs, repo.remote(), other}).first);
    QFile manifest(other + u"/slatebox.yaml"_qs);
    QVERIFY(manifest.open(QIODevice::ReadWrite));
    QByteArray text = manifest.readAll().replace("Harbour Lights", "Harbour Nights");
    QVERIFY(manifest.resize(0) && manifest.write(text) == text.size());
    manifest.close();
    QVERIFY(SessionRepo::git({u"commit"_qs, u"-qam"_qs, u"retitle"_qs}, other).first);
    QVERIFY(SessionRepo::git({u"push"_qs, u"-q"_qs, u"origin"_qs, u"main"_qs}, other).first);

    std::unique_ptr<ProjectSession> session(
        QCoro::waitFor(SessionSaver::openClone(repo.clone(), u"acme"_qs, u"harbour"_qs)));
    QVERIFY(session);
    QCOMPARE(session->title(), u"Harbour Nights"_qs);
    QCOMPARE(session->localURL(), repo.clone());

    // Offline: the fast-forward fails quietly and the clone is read as it is.
    QVERIFY(repo.takeRemoteAway());
    session.reset(QCoro::waitFor(SessionSaver::openClone(repo.clone(), u"acme"_qs, u"harbour"_qs)));
    QVERIFY(session);
    QCOMPARE(session->title(), u"Harbour Nights"_qs);
}

QTEST_GUILESS_MAIN(tst_SessionSaver)
#include "tst_SessionSaver.moc"
