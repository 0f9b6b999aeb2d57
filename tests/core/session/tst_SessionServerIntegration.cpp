// A project session against the reference service: a project created, cloned over HTTP and
// opened; an edit saved into the service's repository; a take rendered and pinned; the
// deliverable shipped (tag and ship record), then revised; and a save whose push is refused,
// followed by a closed window and a reopened project, without losing an edit.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimeZone>

#include <sqlite3.h>

#include "SessionRepo.h"
#include "core/agent/AgentConversation.h"
#include "core/agent/AgentMessage.h"
#include "core/platform/KeychainStore.h"
#include "core/platform/MemorySecretStore.h"
#include "core/project/ProjectRef.h"
#include "core/project/ShowYaml.h"
#include "core/service/SlateboxAPI.h"
#include "core/service/TaskOutcome.h"
#include "core/session/SessionSaver.h"
#include "support/ServerProcess.h"

namespace {

const QString token = u"alice-token-1"_qs;

void useToken(const QString &value)
{
    auto store = std::make_shared<MemorySecretStore>();
    KeychainStore::setSecretStore(store);
    KeychainStore::saveDeviceToken(value);
}

// One row of the service's `ships` table, as the named columns' texts.
QStringList shipRow(const QString &database, const QString &tag)
{
    QStringList row;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(database.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt *statement = nullptr;
        const char *query = "SELECT org, slug, deliverable, commit_id, tag, air_date, shots, "
                            "lock_text FROM ships WHERE tag = ?";
        if (sqlite3_prepare_v2(db, query, -1, &statement, nullptr) == SQLITE_OK) {
            const QByteArray tagBytes = tag.toUtf8();
            sqlite3_bind_text(statement, 1, tagBytes.constData(), int(tagBytes.size()),
                              SQLITE_TRANSIENT);
            if (sqlite3_step(statement) == SQLITE_ROW) {
                for (int column = 0; column < 8; ++column) {
                    const auto *text =
                        reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
                    row.append(text ? QString::fromUtf8(text) : QString());
                }
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close_v2(db);
    return row;
}

QString lastAssistantText(const ProjectSession &session)
{
    const AgentConversation *conversation = session.activeConversation();
    if (!conversation || conversation->messages().isEmpty())
        return {};
    return conversation->messages().last().text;
}

// The first plain text file below `folder` in the session's index, in path order.
QString firstFileIn(const ProjectSession &session, const QString &folder)
{
    QStringList paths;
    for (auto it = session.files().cbegin(); it != session.files().cend(); ++it) {
        if (it.key().startsWith(folder) && !it->isGroup() && !it->isBinary)
            paths.append(it.key());
    }
    paths.sort();
    return paths.value(0);
}

} // namespace

class tst_SessionServerIntegration : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void saveShipReviseAndPin();
    void refusedPushLosesNoEdit();

private:
    // Creates alice/<slug> at the service, clones it where the app keeps clones and opens it.
    std::unique_ptr<ProjectSession> createCloneAndOpen(const QString &slug);
    QString bare(const QString &slug) const
    {
        return m_server.dataDir() + u"/git/alice/"_qs + slug + u".git"_qs;
    }

    ServerProcess m_server;
};

void tst_SessionServerIntegration::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("SLATEBOX_SERVER_BINARY"))
        QSKIP("needs the reference service (SLATEBOX_SERVER_BINARY)");
    QVERIFY2(m_server.start({u"--user"_qs, u"alice="_qs + token, u"--render-seconds"_qs, u"1"_qs}),
             qPrintable(m_server.errorString()));
    QSettings().setValue(u"apiBaseURL"_qs, m_server.baseUrl().toString());
    QVERIFY(QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
}

void tst_SessionServerIntegration::init()
{
    useToken(token);
}

std::unique_ptr<ProjectSession>
tst_SessionServerIntegration::createCloneAndOpen(const QString &slug)
{
    const auto created = TaskOutcome::wait(SlateboxAPI::current().createProject(
        u"alice"_qs, slug, u"Harbour Lights"_qs, ProjectType::Series));
    if (created.outcome != u"ok"_qs) {
        qWarning() << "createProject:" << created.outcome;
        return nullptr;
    }
    // The test's home outlives a run: start from no clone at all.
    const ProjectRef ref{u"alice"_qs, slug};
    QDir(ref.localURL()).removeRecursively();
    QDir().mkpath(QFileInfo(ref.localURL()).absolutePath());
    try {
        GitClient::clone(created.value->cloneUrl, ref.localURL());
    } catch (const UserFacingError &error) {
        qWarning() << "clone:" << error.message();
        return nullptr;
    }
    return std::unique_ptr<ProjectSession>(
        QCoro::waitFor(SessionSaver::openClone(ref.localURL(), ref.org, ref.slug)));
}

void tst_SessionServerIntegration::saveShipReviseAndPin()
{
    auto session = createCloneAndOpen(u"harbour"_qs);
    QVERIFY(session);
    const ShowManifest manifest =
        ShowYaml::parse(session->files().value(u"slatebox.yaml"_qs).contents);
    QVERIFY(!manifest.deliverables.isEmpty());
    const QString slug = manifest.deliverables.first().slug;
    const QString folder = u"deliverables/"_qs + slug;
    const QString shots = session->files().value(folder + u"/shots.yaml"_qs).contents;
    QVERIFY(!shots.isEmpty());

    // Save: the service's repository has the commit.
    const QString bible = firstFileIn(*session, u"bible/"_qs);
    QVERIFY(!bible.isEmpty());
    session->updateContents(bible, u"# Overview\n\nRewritten at the harbour.\n"_qs);
    QCOMPARE(SessionOutcome::wait(session->saveNow()), u"ok"_qs);
    QCOMPARE(SessionRepo::log(bare(u"harbour"_qs)).value(0),
             u"save: "_qs + bible.section(u'/', -1));
    QCOMPARE(SessionRepo::show(bare(u"harbour"_qs), u"main:"_qs + bible),
             u"# Overview\n\nRewritten at the harbour."_qs);

    // Render a take of the first shot and pin its content address.
    const QString shotId = QRegularExpression(u"- id: (sc\\d+-sh\\d+)"_qs).match(shots).captured(1);
    QVERIFY(!shotId.isEmpty());
    RenderBody render;
    render.org = u"alice"_qs;
    render.slug = u"harbour"_qs;
    render.deliverable = slug;
    render.shots = shots;
    render.shotId = shotId;
    render.appearance = QMap<QString, QString>();
    auto started = TaskOutcome::wait(SlateboxAPI::current().createRender(render));
    QCOMPARE(started.outcome, u"ok"_qs);
    Take take = *started.value;
    for (int i = 0; i < 100 && take.status == u"rendering"_qs; ++i) {
        QTest::qWait(200);
        auto polled = TaskOutcome::wait(SlateboxAPI::current().render(take.id));
        QCOMPARE(polled.outcome, u"ok"_qs);
        take = *polled.value;
    }
    QCOMPARE(take.status, u"succeeded"_qs);
    QVERIFY(take.outputCas);
    session->pin(take.inputHash, *take.outputCas);
    QCOMPARE(session->pinnedCas(take.inputHash), take.outputCas);
    const QString lock = session->files().value(u"slatebox.lock"_qs).contents;

    // Ship: tag on the service's repository, and the record with the shots and the lock.
    const QDateTime air(QDate(2026, 3, 1), QTime(23, 30), QTimeZone(-5 * 3600));
    QCOMPARE(SessionOutcome::wait(session->ship(folder, air)), u"ok"_qs);
    const QString tag = u"ship/"_qs + slug;
    const QString release = SessionRepo::commitOf(bare(u"harbour"_qs), u"main"_qs);
    QCOMPARE(SessionRepo::log(bare(u"harbour"_qs)).value(0), u"ship: "_qs + slug);
    QCOMPARE(SessionRepo::commitOf(bare(u"harbour"_qs), tag), release);
    QCOMPARE(SessionRepo::show(bare(u"harbour"_qs), tag + u":slatebox.lock"_qs) + u'\n', lock);
    const QStringList row = shipRow(m_server.dataDir() + u"/slatebox.db"_qs, tag);
    QCOMPARE(row, (QStringList{u"alice"_qs, u"harbour"_qs, slug, release, tag, u"2026-03-02"_qs,
                               shots, lock}));
    QVERIFY(session->isShipped(folder + u"/shots.yaml"_qs));

    // Revise: committed and pushed; the release stays as it was.
    QCOMPARE(SessionOutcome::wait(session->startRevision(folder)), u"ok"_qs);
    QCOMPARE(SessionRepo::log(bare(u"harbour"_qs)).value(0), u"revise: "_qs + slug);
    QCOMPARE(SessionRepo::commitOf(bare(u"harbour"_qs), tag), release);
    QVERIFY(!session->isShipped(folder));
}

void tst_SessionServerIntegration::refusedPushLosesNoEdit()
{
    auto session = createCloneAndOpen(u"ferry"_qs);
    QVERIFY(session);
    const QString first = firstFileIn(*session, u"bible/"_qs);
    const QString second = firstFileIn(*session, u"characters/"_qs);
    QVERIFY(!first.isEmpty() && !second.isEmpty());
    const QString root = *session->localURL();

    // The push is refused: the message lands in the chat, the commit stays local.
    useToken(u"not-the-token"_qs);
    session->updateContents(first, u"saved while the token was refused\n"_qs);
    session->save();
    QTRY_VERIFY(!session->isSaving());
    const QString shown = lastAssistantText(*session);
    QVERIFY2(shown.startsWith(u"Save failed: git push HEAD:refs/heads/main: "_qs),
             qPrintable(shown));
    QCOMPARE(SessionRepo::log(bare(u"ferry"_qs)).size(), 1);

    // Another edit, then the window closes.
    session->updateContents(second, u"typed after the failure\n"_qs);
    session->autosaveToDisk();
    session.reset();

    // Reopened with a good token: every edit is there, and the next save pushes them all.
    useToken(token);
    session.reset(QCoro::waitFor(SessionSaver::openClone(root, u"alice"_qs, u"ferry"_qs)));
    QVERIFY(session);
    QCOMPARE(session->files().value(first).contents, u"saved while the token was refused\n"_qs);
    QCOMPARE(session->files().value(second).contents, u"typed after the failure\n"_qs);
    QCOMPARE(SessionOutcome::wait(session->saveNow()), u"ok"_qs);
    const QStringList log = SessionRepo::log(bare(u"ferry"_qs));
    QCOMPARE(log.size(), 3);
    QCOMPARE(log.mid(0, 2), (QStringList{u"save: "_qs + second.section(u'/', -1),
                                         u"save: "_qs + first.section(u'/', -1)}));
    QCOMPARE(SessionRepo::show(bare(u"ferry"_qs), u"main:"_qs + first),
             u"saved while the token was refused"_qs);
    QCOMPARE(SessionRepo::show(bare(u"ferry"_qs), u"main:"_qs + second),
             u"typed after the failure"_qs);
}

QTEST_GUILESS_MAIN(tst_SessionServerIntegration)
#include "tst_SessionServerIntegration.moc"
