// Shipping, revising and pinning on real clones of bare repositories, with the ship record
// answered by an in-test responder on loopback.
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTest>
#include <QTimeZone>

#include "SessionRepo.h"
#include "core/platform/KeychainStore.h"
#include "core/platform/MemorySecretStore.h"
#include "core/project/ShowYaml.h"
#include "core/session/DeliverableLifecycle.h"
#include "support/TestResponder.h"

namespace {

const QString pilot = u"deliverables/s1e01"_qs;
const QString lockPath = u"slatebox.lock"_qs;

QJsonObject bodyOf(const TestResponder::Request &request)
{
    return QJsonDocument::fromJson(request.body).object();
}

// The service's answer to a ship record: the release as sent, with an id and a time.
TestResponder::Response recorded(const TestResponder::Request &request)
{
    QJsonObject ship = bodyOf(request);
    ship.insert(u"id"_qs, u"ship_1"_qs);
    ship.insert(u"createdAt"_qs, u"2026-03-02T10:00:00Z"_qs);
    for (const QString &key : {u"org"_qs, u"slug"_qs, u"shots"_qs, u"lock"_qs})
        ship.remove(key);
    return TestResponder::Response::json(
        201, QJsonDocument(QJsonObject{{u"ship"_qs, ship}}).toJson(QJsonDocument::Compact));
}

std::optional<QString> statusOf(const ProjectSession &session, const QString &slug)
{
    const auto entry = session.manifestEntry(slug);
    return entry ? entry->status : std::nullopt;
}

// A session without a clone whose sections hold `files` as plain nodes of the Project section
// (characters and locations in groups of their own).
std::unique_ptr<ProjectSession> memorySession(const QList<ProjectFile> &files)
{
    QList<ProjectFile> sources;
    QList<ProjectFile> characters;
    QList<ProjectFile> locations;
    for (const ProjectFile &file : files) {
        if (file.path.startsWith(u"characters/"_qs))
            characters.append(file);
        else if (file.path.startsWith(u"locations/"_qs))
            locations.append(file);
        else
            sources.append(file);
    }
    QList<SidebarSection> sections;
    sections.append(SidebarSection{u"sources"_qs, u"Project"_qs, sources});
    sections.append(SidebarSection{u"characters"_qs, u"Characters"_qs, characters});
    sections.append(SidebarSection{u"locations"_qs, u"Locations"_qs, locations});
    return std::make_unique<ProjectSession>(u"T"_qs, u"harbour"_qs, u"acme"_qs, ProjectType::Series,
                                            sections, QStringList());
}

} // namespace

class tst_DeliverableLifecycle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void isoDay_data();
    void isoDay();
    void refusals_data();
    void refusals();
    void refusalsWithoutManifestOrClone();

    void shipTagsAcrossRevisions();
    void shipWithAirDateAndPins();
    void shipWithoutAirDateKeepsTheAirDate();
    void shippingAgainChangesNothing();
    void shipWhenTheSaveFails();
    void revisionOfARevisionFails();
    void serviceRefusesTheRecord();

    void firstPinCreatesTheLockFile();
    void unpinWithoutLockFile();
    void referenceMaps();

private:
    TestResponder m_service;
};

void tst_DeliverableLifecycle::initTestCase()
{
    QVERIFY(m_service.listen());
    QSettings().setValue(u"apiBaseURL"_qs, m_service.url().toString());
    KeychainStore::setSecretStore(std::make_shared<MemorySecretStore>());
    KeychainStore::saveDeviceToken(u"device-token"_qs);
}

void tst_DeliverableLifecycle::init()
{
    m_service.setHandler(recorded);
}

void tst_DeliverableLifecycle::isoDay_data()
{
    QTest::addColumn<QDateTime>("date");
    QTest::addColumn<QString>("day");
    QTest::newRow("evening west of UTC is the next day")
        << QDateTime(QDate(2026, 3, 1), QTime(23, 30), QTimeZone(-5 * 3600)) << u"2026-03-02"_qs;
    QTest::newRow("morning east of UTC is the day before")
        << QDateTime(QDate(2026, 1, 1), QTime(8, 0), QTimeZone(14 * 3600)) << u"2025-12-31"_qs;
    QTest::newRow("UTC midnight") << QDateTime(QDate(2024, 2, 29), QTime(0, 0), Qt::UTC)
                                  << u"2024-02-29"_qs;
}

void tst_DeliverableLifecycle::isoDay()
{
    QFETCH(QDateTime, date);
    QFETCH(QString, day);
    QCOMPARE(DeliverableLifecycle::isoDay(date), day);
    QCOMPARE(ProjectSession::isoDay(date), day);
}

void tst_DeliverableLifecycle::refusals_data()
{
    QTest::addColumn<bool>("shipping");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");
    QTest::newRow("ship a character")
        << true << u"characters/mara-quinn"_qs << u"characters/mara-quinn is not a deliverable"_qs;
    QTest::newRow("ship the deliverables folder")
        << true << u"deliverables"_qs << u"deliverables is not a deliverable"_qs;
    QTest::newRow("revise a bible file")
        << false << u"bible/world.md"_qs << u"bible/world.md is not a deliverable"_qs;
    QTest::newRow("ship an unknown slug") << true << u"deliverables/s9e99/script.fountain"_qs
                                          << u"slatebox.yaml has no deliverable \"s9e99\""_qs;
    QTest::newRow("revise an unknown slug")
        << false << u"deliverables/s9e99"_qs << u"slatebox.yaml has no deliverable \"s9e99\""_qs;
}

void tst_DeliverableLifecycle::refusals()
{
    QFETCH(bool, shipping);
    QFETCH(QString, path);
    QFETCH(QString, error);
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    const QString manifest = session->files().value(u"slatebox.yaml"_qs).contents;
    const int requests = m_service.requestCount();

    QCoro::Task<void> task = shipping ? session->ship(path) : session->startRevision(path);
    QCOMPARE(SessionOutcome::wait(std::move(task)), error);
    QCOMPARE(session->files().value(u"slatebox.yaml"_qs).contents, manifest);
    QVERIFY(session->dirtyPaths().isEmpty());
    QCOMPARE(repo.localLog().size(), 1);
    QCOMPARE(m_service.requestCount(), requests);
}

void tst_DeliverableLifecycle::refusalsWithoutManifestOrClone()
{
    auto noManifest = memorySession({ProjectFile(u"notes.md"_qs)});
    QCOMPARE(SessionOutcome::wait(noManifest->startRevision(pilot)),
             u"slatebox.yaml is missing"_qs);
    QCOMPARE(SessionOutcome::wait(noManifest->ship(pilot)), u"Shipping needs a local clone."_qs);

    const QString text =
        QString::fromUtf8(SessionRepo::defaultProject().value(u"slatebox.yaml"_qs));
    auto noClone = memorySession({ProjectFile(u"slatebox.yaml"_qs, {}, text)});
    QCOMPARE(SessionOutcome::wait(noClone->ship(pilot)), u"Shipping needs a local clone."_qs);
    QVERIFY(!noClone->isShipped(pilot));
    // A revision needs no clone: it saves in memory.
    QCOMPARE(SessionOutcome::wait(noClone->startRevision(pilot)), u"ok"_qs);
    QCOMPARE(statusOf(*noClone, u"s1e01"_qs), u"wip"_qs);
    QVERIFY(noClone->dirtyPaths().isEmpty());
}

void tst_DeliverableLifecycle::shipTagsAcrossRevisions()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    // A tag of another deliverable whose slug merely starts the same way.
    QVERIFY(SessionRepo::git({u"tag"_qs, u"ship/s1e010"_qs}, repo.clone()).first);
    auto session = repo.open();
    const int requests = m_service.requestCount();

    QCOMPARE(SessionOutcome::wait(session->ship(pilot + u"/script.fountain"_qs)), u"ok"_qs);
    QVERIFY(session->isShipped(pilot));
    QVERIFY(session->dirtyPaths().isEmpty());
    QCOMPARE(repo.remoteLog().value(0), u"ship: s1e01"_qs);
    QVERIFY(repo.remoteText(u"slatebox.yaml"_qs).contains(u"status: shipped"_qs));
    QVERIFY(SessionRepo::tags(repo.remote()).contains(u"ship/s1e01"_qs));
    QCOMPARE(SessionRepo::commitOf(repo.remote(), u"ship/s1e01"_qs),
             SessionRepo::commitOf(repo.remote(), u"main"_qs));

    QCOMPARE(m_service.requestCount(), requests + 1);
    const TestResponder::Request &request = m_service.requests().last();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.path(), QByteArray("/v1/ships"));
    QCOMPARE(request.header("Authorization"), QByteArray("Bearer device-token"));
    const QJsonObject body = bodyOf(request);
    QCOMPARE(body.keys(), (QStringList{u"commit"_qs, u"deliverable"_qs, u"org"_qs, u"shots"_qs,
                                       u"slug"_qs, u"tag"_qs}));
    QCOMPARE(body.value(u"org"_qs).toString(), u"acme"_qs);
    QCOMPARE(body.value(u"slug"_qs).toString(), u"harbour"_qs);
    QCOMPARE(body.value(u"deliverable"_qs).toString(), u"s1e01"_qs);
    QCOMPARE(body.value(u"tag"_qs).toString(), u"ship/s1e01"_qs);
    QCOMPARE(body.value(u"commit"_qs).toString(), SessionRepo::commitOf(repo.remote(), u"main"_qs));
    QCOMPARE(body.value(u"shots"_qs).toString(), u"scenes: []\n"_qs);

    // Edits of a shipped deliverable are ignored until a revision starts.
    session->updateContents(pilot + u"/script.fountain"_qs, u"ignored\n"_qs);
    QVERIFY(session->dirtyPaths().isEmpty());

    const QStringList expected = {u"ship/s1e01.2"_qs, u"ship/s1e01.3"_qs};
    for (const QString &tag : expected) {
        QCOMPARE(SessionOutcome::wait(session->startRevision(pilot)), u"ok"_qs);
        QCOMPARE(repo.remoteLog().value(0), u"revise: s1e01"_qs);
        QCOMPARE(statusOf(*session, u"s1e01"_qs), u"wip"_qs);
        QVERIFY(!session->isShipped(pilot));
        session->updateContents(pilot + u"/script.fountain"_qs, tag + u"\n"_qs);

        QCOMPARE(SessionOutcome::wait(session->ship(pilot)), u"ok"_qs);
        QCOMPARE(bodyOf(m_service.requests().last()).value(u"tag"_qs).toString(), tag);
        QCOMPARE(SessionRepo::commitOf(repo.remote(), tag),
                 SessionRepo::commitOf(repo.remote(), u"main"_qs));
        QCOMPARE(SessionRepo::show(repo.remote(), tag + u":"_qs + pilot + u"/script.fountain"_qs),
                 tag);
    }
    // Earlier releases stay where they were.
    QCOMPARE(SessionRepo::show(repo.remote(), u"ship/s1e01:"_qs + pilot + u"/script.fountain"_qs),
             u"INT. HARBOUR OFFICE - NIGHT"_qs);
    QCOMPARE(SessionRepo::tags(repo.remote()).size(), 3);
}

void tst_DeliverableLifecycle::shipWithAirDateAndPins()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    session->pin(u"hash-b"_qs, u"cas-b"_qs);
    session->pin(u"hash-a"_qs, u"cas-a"_qs);
    const QString lock = session->files().value(lockPath).contents;

    const QDateTime air(QDate(2026, 3, 1), QTime(23, 30), QTimeZone(-5 * 3600));
    QCOMPARE(SessionOutcome::wait(session->ship(pilot, air)), u"ok"_qs);

    const QJsonObject body = bodyOf(m_service.requests().last());
    QCOMPARE(body.value(u"airDate"_qs).toString(), u"2026-03-02"_qs);
    QCOMPARE(body.value(u"lock"_qs).toString(), lock);
    QCOMPARE(repo.remoteText(lockPath) + u'\n', lock);
    const ShowManifest manifest = ShowYaml::parse(repo.remoteText(u"slatebox.yaml"_qs));
    QCOMPARE(manifest.deliverables.value(0).status, u"shipped"_qs);
    QCOMPARE(manifest.deliverables.value(0).airDate, u"2026-03-02"_qs);
}

void tst_DeliverableLifecycle::shipWithoutAirDateKeepsTheAirDate()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();

    QCOMPARE(SessionOutcome::wait(session->ship(u"deliverables/s1e02"_qs)), u"ok"_qs);
    QVERIFY(!bodyOf(m_service.requests().last()).contains(u"airDate"_qs));
    const ShowManifest manifest = ShowYaml::parse(repo.remoteText(u"slatebox.yaml"_qs));
    QCOMPARE(manifest.deliverables.value(1).status, u"shipped"_qs);
    QCOMPARE(manifest.deliverables.value(1).airDate, u"2025-11-02"_qs);
    // No shot list in that deliverable, no lock file in the project: neither is sent.
    QVERIFY(!bodyOf(m_service.requests().last()).contains(u"shots"_qs));
    QVERIFY(!bodyOf(m_service.requests().last()).contains(u"lock"_qs));
}

void tst_DeliverableLifecycle::shippingAgainChangesNothing()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    const QDateTime air(QDate(2026, 5, 4), QTime(12, 0), Qt::UTC);
    QCOMPARE(SessionOutcome::wait(session->ship(pilot, air)), u"ok"_qs);
    const QString manifest = session->files().value(u"slatebox.yaml"_qs).contents;
    const int requests = m_service.requestCount();
    const QStringList log = repo.remoteLog();

    const QString refusal = u"slatebox.yaml has no deliverable \"s1e01\""_qs;
    QCOMPARE(SessionOutcome::wait(session->ship(pilot, air)), refusal);
    QCOMPARE(SessionOutcome::wait(session->ship(pilot)), refusal);
    QCOMPARE(session->files().value(u"slatebox.yaml"_qs).contents, manifest);
    QVERIFY(session->dirtyPaths().isEmpty());
    QCOMPARE(m_service.requestCount(), requests);
    QCOMPARE(repo.remoteLog(), log);
    QCOMPARE(SessionRepo::tags(repo.remote()), QStringList{u"ship/s1e01"_qs});
}

void tst_DeliverableLifecycle::shipWhenTheSaveFails()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    QVERIFY(repo.takeRemoteAway());
    const int requests = m_service.requestCount();

    const QString failure = SessionOutcome::wait(session->ship(pilot));
    QVERIFY2(failure.startsWith(u"git push HEAD:refs/heads/main: "_qs), qPrintable(failure));
    QVERIFY(session->isShipped(pilot + u"/shots.yaml"_qs));
    QVERIFY(session->dirtyPaths().contains(u"slatebox.yaml"_qs));
    QVERIFY(!session->isSaving());
    QCOMPARE(m_service.requestCount(), requests);

    // Its own save fails as well, but the revision unlocks the deliverable in memory.
    QVERIFY(SessionOutcome::wait(session->startRevision(pilot)).startsWith(u"git push "_qs));
    QVERIFY(!session->isShipped(pilot));
    QCOMPARE(statusOf(*session, u"s1e01"_qs), u"wip"_qs);
}

void tst_DeliverableLifecycle::revisionOfARevisionFails()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    QCOMPARE(SessionOutcome::wait(session->startRevision(pilot)), u"ok"_qs);
    QCOMPARE(repo.remoteLog().value(0), u"revise: s1e01"_qs);
    QCOMPARE(SessionOutcome::wait(session->startRevision(pilot)),
             u"slatebox.yaml has no deliverable \"s1e01\""_qs);
    QCOMPARE(repo.remoteLog().size(), 2);
}

void tst_DeliverableLifecycle::serviceRefusesTheRecord()
{
    SessionRepo repo;
    QVERIFY(repo.isValid());
    auto session = repo.open();
    m_service.setHandler([](const TestResponder::Request &) {
        return TestResponder::Response::json(409, R"({"error":"already recorded"})");
    });

    QCOMPARE(SessionOutcome::wait(session->ship(pilot)), u"already recorded"_qs);
    // Nothing is undone: the release is committed, tagged and pushed, and stays read-only.
    QCOMPARE(SessionRepo::tags(repo.remote()), QStringList{u"ship/s1e01"_qs});
    QVERIFY(session->isShipped(pilot));
}

void tst_DeliverableLifecycle::firstPinCreatesTheLockFile()
{
    auto session = memorySession(
        {ProjectFile(u"slatebox.yaml"_qs, {}, u"type: film\n"_qs), ProjectFile(u"zeta.md"_qs)});
    QVERIFY(!session->pinnedCas(u"h1"_qs));

    session->pin(u"h1"_qs, u"cas-1"_qs);
    QCOMPARE(session->dirtyPaths(), QSet<QString>{lockPath});
    QCOMPARE(session->pinnedCas(u"h1"_qs), u"cas-1"_qs);
    const ProjectFile lock = session->files().value(lockPath);
    QCOMPARE(lock.name, lockPath);
    QVERIFY(!lock.isBinary && !lock.isGroup());
    // In the Project section, in path order.
    QStringList order;
    for (const ProjectFile &item : session->sections().first().items)
        order.append(item.path);
    QCOMPARE(order, (QStringList{u"slatebox.lock"_qs, u"slatebox.yaml"_qs, u"zeta.md"_qs}));

    session->pin(u"h2"_qs, u"cas-2"_qs);
    session->pin(u"h1"_qs, u"cas-1b"_qs);
    QCOMPARE(session->pinnedCas(u"h1"_qs), u"cas-1b"_qs);
    session->unpin(u"h1"_qs);
    session->unpin(u"h2"_qs);
    QVERIFY(!session->pinnedCas(u"h2"_qs));
    QCOMPARE(session->files().value(lockPath).contents, DeliverableLifecycle::EmptyLock);

    // Unpinning what is not pinned still rewrites the text in its canonical form.
    session->setFileContents(lockPath, u"# hand edit\nversion: 1\npins: {}\n"_qs);
    session->unpin(u"never"_qs);
    QCOMPARE(session->files().value(lockPath).contents, DeliverableLifecycle::EmptyLock);
}

void tst_DeliverableLifecycle::unpinWithoutLockFile()
{
    auto session = memorySession({ProjectFile(u"slatebox.yaml"_qs, {}, u"type: film\n"_qs)});
    session->unpin(u"h1"_qs);
    QVERIFY(!session->files().contains(lockPath));
    QVERIFY(session->dirtyPaths().isEmpty());
}

void tst_DeliverableLifecycle::referenceMaps()
{
    auto session = memorySession({
        ProjectFile(u"characters/mara/appearance.yaml"_qs, {}, u"coat: grey"_qs),
        ProjectFile(u"characters/mara/voice.yaml"_qs, {}, u"voice: low"_qs),
        ProjectFile(u"characters/mara/young/appearance.yaml"_qs, {}, u"coat: red"_qs),
        ProjectFile(u"characters/ada/profile.md"_qs, {}, u"# Ada"_qs),
        ProjectFile(u"characters/ada/appearance.png"_qs, {}, {}, {}, {}, true),
        ProjectFile(u"locations/harbour/appearance.yaml"_qs, {}, u"fog: thick"_qs),
        ProjectFile(u"locations/harbour/voice.yaml"_qs, {}, u"gulls"_qs),
        ProjectFile(u"bible/appearance.yaml"_qs, {}, u"not a reference"_qs),
    });
    const QHash<QString, QString> appearance{{u"characters/mara"_qs, u"coat: grey"_qs},
                                             {u"characters/mara/young"_qs, u"coat: red"_qs}};
    QCOMPARE(session->appearanceByRef(), appearance);
    const QHash<QString, QString> voice{{u"characters/mara"_qs, u"voice: low"_qs}};
    QCOMPARE(session->voiceByRef(), voice);
    const QHash<QString, QString> locations{{u"locations/harbour"_qs, u"fog: thick"_qs}};
    QCOMPARE(session->locationByRef(), locations);
}

QTEST_GUILESS_MAIN(tst_DeliverableLifecycle)
#include "tst_DeliverableLifecycle.moc"
