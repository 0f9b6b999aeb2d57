// The service client against the reference service: organisations, projects, renders from
// lookup to a cached video, prices, ships and the agent models.
#include <QDir>
#include <QFile>
#include <QTest>

#include "TaskOutcome.h"
#include "core/service/CasUrlCache.h"
#include "core/service/MediaCache.h"
#include "core/service/SlateboxAPI.h"
#include "support/ServerProcess.h"

namespace {

const QString token = u"alice-token-1"_qs;

const QString outline = uR"(# The kitchen
defaults:
  video_model: minimax-h3
scenes:
  - id: s1
    slugline: INT. KITCHEN - NIGHT
    shots:
      - id: s1-01
        duration: 4
        intent: Establish the kitchen
      - id: s1-02
        duration: 2
        intent: Ada listens
)"_qs;

template<typename T>
T valueOf(QCoro::Task<T> task, QString *outcome)
{
    auto result = TaskOutcome::wait(std::move(task));
    *outcome = result.outcome;
    return result.value.value_or(T{});
}

} // namespace

class tst_ServiceIntegration : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void organisationsAndModels();
    void projectsListCreateDelete();
    void renderToCachedVideo();
    void pricesAndShips();
    void signedOutIsRefused();

private:
    SlateboxAPI api(std::optional<QString> bearer = token) const
    {
        return SlateboxAPI(m_server.baseUrl(), std::move(bearer));
    }

    ServerProcess m_server;
};

void tst_ServiceIntegration::initTestCase()
{
    QVERIFY2(m_server.start({u"--user"_qs, u"alice="_qs + token, u"--render-seconds"_qs, u"1"_qs}),
             qPrintable(m_server.errorString()));
}

void tst_ServiceIntegration::init()
{
    CasUrlCache::clear();
    MediaCache::resetForTesting();
}

void tst_ServiceIntegration::organisationsAndModels()
{
    QString outcome;
    const QList<Namespace> orgs = valueOf(api().listOrgs(), &outcome);
    QCOMPARE(outcome, u"ok"_qs);
    QCOMPARE(orgs.value(0).slug, u"alice"_qs);
    QVERIFY(orgs.value(0).personal);

    const QList<AgentModel> models = valueOf(api().agentModels(), &outcome);
    QCOMPARE(outcome, u"ok"_qs);
    QVERIFY(!models.isEmpty());
    QVERIFY(!models.first().id.isEmpty());
}

void tst_ServiceIntegration::projectsListCreateDelete()
{
    QString outcome;
    const CreatedProject created = valueOf(
        api().createProject(u"alice"_qs, u"kitchen"_qs, u"The Kitchen"_qs, ProjectType::Film),
        &outcome);
    QCOMPARE(outcome, u"ok"_qs);
    QCOMPARE(created.org, u"alice"_qs);
    QCOMPARE(created.slug, u"kitchen"_qs);
    QCOMPARE(created.type, u"film"_qs);
    QCOMPARE(created.title, u"The Kitchen"_qs);
    QVERIFY(created.cloneUrl.endsWith(u"/git/alice/kitchen.git"_qs));

    // The service's own refusal text reaches the caller unchanged.
    valueOf(api().createProject(u"alice"_qs, u"kitchen"_qs, u"Again"_qs, ProjectType::Film),
            &outcome);
    QVERIFY2(outcome.startsWith(u"APIError: "_qs) && outcome.size() > 10, qPrintable(outcome));

    QList<CreatedProject> projects = valueOf(api().listProjects(), &outcome);
    QCOMPARE(outcome, u"ok"_qs);
    QVERIFY(projects.contains(created));

    QCOMPARE(TaskOutcome::waitOutcome(api().deleteProject(u"alice"_qs, u"kitchen"_qs)), u"ok"_qs);
    projects = valueOf(api().listProjects(), &outcome);
    QVERIFY(!projects.contains(created));
    QVERIFY(TaskOutcome::waitOutcome(api().deleteProject(u"alice"_qs, u"kitchen"_qs))
                .startsWith(u"APIError: "_qs));
}

void tst_ServiceIntegration::renderToCachedVideo()
{
    QString outcome;
    valueOf(api().createProject(u"alice"_qs, u"harbour"_qs, u"Harbour"_qs, ProjectType::Film),
            &outcome);
    QCOMPARE(outcome, u"ok"_qs);

    const TakeLookup before = valueOf(api().lookupTakes(outline, u"s1-01"_qs), &outcome);
    QCOMPARE(outcome, u"ok"_qs);
    QCOMPARE(before.inputHash.size(), 64);
    QVERIFY(before.takes.isEmpty());

    RenderBody body;
    body.org = u"alice"_qs;
    body.slug = u"harbour"_qs;
    body.deliverable = u"feature"_qs;
    body.shots = outline;
    body.shotId = u"s1-01"_qs;
    body.appearance = {{u"characters/ada"_qs, u"Grey coat."_qs}};
    const Take started = valueOf(api().createRender(body), &outcome);
    QCOMPARE(outcome, u"ok"_qs);
    QCOMPARE(started.status, u"rendering"_qs);
    QCOMPARE(started.inputHash, before.inputHash);

    // Poll as the cut view does, only faster.
    Take take = started;
    for (int i = 0; i < 100 && take.status == u"rendering"; ++i) {
        QTest::qWait(200);
        take = valueOf(api().render(started.id), &outcome);
        QCOMPARE(outcome, u"ok"_qs);
    }
    QCOMPARE(take.status, u"succeeded"_qs);
    QVERIFY(take.outputCas);
    QVERIFY(take.outputUrl);

    // The resolved take plays from a signed link first, and its video lands in the cache.
    QTRY_VERIFY_WITH_TIMEOUT(MediaCache::localURL(*take.outputCas), 20000);
    QFile video(MediaCache::localURL(*take.outputCas)->toLocalFile());
    QVERIFY(video.open(QIODevice::ReadOnly));
    QCOMPARE(video.read(8).mid(4), QByteArray("ftyp"));

    const TakeLookup after = valueOf(api().lookupTakes(outline, u"s1-01"_qs), &outcome);
    QCOMPARE(outcome, u"ok"_qs);
    QCOMPARE(after.takes.size(), 1);
    QCOMPARE(after.takes.first().outputUrl,
             std::optional<QString>(MediaCache::localURL(*take.outputCas)->toString()));
}

void tst_ServiceIntegration::pricesAndShips()
{
    QString outcome;
    const CutDryRun run = valueOf(api().cutDryRun(outline, std::nullopt), &outcome);
    QCOMPARE(outcome, u"ok"_qs);
    QCOMPARE(run.nodeCount, 2);
    QCOMPARE(run.dirtyCount, 2);
    QCOMPARE(run.dirtyNodeIds, (QList<QString>{u"s1-01"_qs, u"s1-02"_qs}));
    QVERIFY(qAbs(run.estimatedCostUsd - 0.30) < 1e-9); // 6 s at $0.05

    valueOf(api().createProject(u"alice"_qs, u"docks"_qs, u"Docks"_qs, ProjectType::Film),
            &outcome);
    QCOMPARE(outcome, u"ok"_qs);
    ShipBody body{u"alice"_qs,        u"docks"_qs,      u"feature"_qs, QString(40, u'a'),
                  u"ship/feature"_qs, u"2026-03-01"_qs, outline,       std::nullopt};
    const Ship ship = valueOf(api().createShip(body), &outcome);
    QCOMPARE(outcome, u"ok"_qs);
    QCOMPARE(ship.deliverable, u"feature"_qs);
    QCOMPARE(ship.tag, u"ship/feature"_qs);
    QCOMPARE(ship.commit, QString(40, u'a'));
    QCOMPARE(ship.airDate, std::optional<QString>(u"2026-03-01"_qs));
    QVERIFY(!ship.id.isEmpty());
}

void tst_ServiceIntegration::signedOutIsRefused()
{
    const QString outcome = TaskOutcome::waitOutcome(api(std::nullopt).listProjects());
    QVERIFY2(outcome.startsWith(u"APIError: "_qs), qPrintable(outcome));
    QVERIFY(!outcome.contains(u"API request failed"_qs)); // the service's own text
    QVERIFY(
        TaskOutcome::waitOutcome(api(u"not-a-token"_qs).listOrgs()).startsWith(u"APIError: "_qs));
}

QTEST_GUILESS_MAIN(tst_ServiceIntegration)
#include "tst_ServiceIntegration.moc"
