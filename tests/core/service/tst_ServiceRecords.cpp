#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "core/service/APIError.h"
#include "core/service/CreatedProject.h"
#include "core/service/CutDryRun.h"
#include "core/service/DecodingError.h"
#include "core/service/Namespace.h"
#include "core/service/RenderBody.h"
#include "core/service/Ship.h"
#include "core/service/ShipBody.h"
#include "core/service/Take.h"

namespace {

QJsonObject parse(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// "ok", "DecodingError" or "other" for decoding `json` as the record named `kind`.
QString decodeOutcome(const QString &kind, const QByteArray &json)
{
    const QJsonObject object = parse(json);
    try {
        if (kind == u"Take")
            Take::fromJson(object);
        else if (kind == u"Namespace")
            Namespace::fromJson(object);
        else if (kind == u"CreatedProject")
            CreatedProject::fromJson(object);
        else if (kind == u"CutDryRun")
            CutDryRun::fromJson(object);
        else if (kind == u"Ship")
            Ship::fromJson(object);
    } catch (const APIError &) {
        return u"other"_qs;
    } catch (const DecodingError &) {
        return u"DecodingError"_qs;
    }
    return u"ok"_qs;
}

const QByteArray minimalTake =
    R"({"id":"r1","shotId":"sc01-sh01","inputHash":"ab","status":"rendering","createdAt":"t"})";

} // namespace

class tst_ServiceRecords : public QObject {
    Q_OBJECT
private slots:
    void strictDecoding_data();
    void strictDecoding();
    void takeRoundTrip();
    void takeLeavesAbsentOptionalsOut();
    void takeNullOptionalsReadAsAbsent();
    void namespaceAndShip();
    void cutDryRun();
    void renderBody();
    void shipBody();
};

void tst_ServiceRecords::strictDecoding_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("expected");

    QTest::newRow("take minimal") << u"Take"_qs << minimalTake << u"ok"_qs;
    QTest::newRow("take extra keys ignored")
        << u"Take"_qs
        << QByteArray(R"({"id":"r1","shotId":"s","inputHash":"h","status":"weird","createdAt":"t",)"
                      R"("unknown":[1,2]})")
        << u"ok"_qs;
    QTest::newRow("take missing id")
        << u"Take"_qs
        << QByteArray(R"({"shotId":"s","inputHash":"h","status":"x","createdAt":"t"})")
        << u"DecodingError"_qs;
    QTest::newRow("take null createdAt")
        << u"Take"_qs
        << QByteArray(R"({"id":"r","shotId":"s","inputHash":"h","status":"x","createdAt":null})")
        << u"DecodingError"_qs;
    QTest::newRow("take status number")
        << u"Take"_qs
        << QByteArray(R"({"id":"r","shotId":"s","inputHash":"h","status":1,"createdAt":"t"})")
        << u"DecodingError"_qs;
    QTest::newRow("take seed fraction")
        << u"Take"_qs
        << QByteArray(R"({"id":"r","shotId":"s","inputHash":"h","status":"x","createdAt":"t",)"
                      R"("seed":1.5})")
        << u"DecodingError"_qs;
    QTest::newRow("take billed as text")
        << u"Take"_qs
        << QByteArray(R"({"id":"r","shotId":"s","inputHash":"h","status":"x","createdAt":"t",)"
                      R"("billedUsd":"0.4"})")
        << u"DecodingError"_qs;
    QTest::newRow("take optional url number")
        << u"Take"_qs
        << QByteArray(R"({"id":"r","shotId":"s","inputHash":"h","status":"x","createdAt":"t",)"
                      R"("outputUrl":5})")
        << u"DecodingError"_qs;
    QTest::newRow("namespace") << u"Namespace"_qs
                               << QByteArray(R"({"slug":"demo","personal":true})") << u"ok"_qs;
    QTest::newRow("namespace personal as text")
        << u"Namespace"_qs << QByteArray(R"({"slug":"demo","personal":"true"})")
        << u"DecodingError"_qs;
    QTest::newRow("namespace missing personal")
        << u"Namespace"_qs << QByteArray(R"({"slug":"demo","name":"D"})") << u"DecodingError"_qs;
    QTest::newRow("project") << u"CreatedProject"_qs
                             << QByteArray(
                                    R"({"id":"1","org":"o","slug":"s","type":"film","title":"T",)"
                                    R"("cloneUrl":"http://x/git/o/s.git","createdAt":"t"})")
                             << u"ok"_qs;
    QTest::newRow("project missing cloneUrl")
        << u"CreatedProject"_qs
        << QByteArray(R"({"id":"1","org":"o","slug":"s","type":"film","title":"T"})")
        << u"DecodingError"_qs;
    QTest::newRow("project id number")
        << u"CreatedProject"_qs
        << QByteArray(R"({"id":1,"org":"o","slug":"s","type":"film","title":"T","cloneUrl":"u"})")
        << u"DecodingError"_qs;
    QTest::newRow("dry run") << u"CutDryRun"_qs
                             << QByteArray(
                                    R"({"nodeCount":4,"resolution":"720p","dirtyNodeIds":["a"],)"
                                    R"("dirtyCount":1,"estimatedCostUsd":0.25})")
                             << u"ok"_qs;
    QTest::newRow("dry run count fraction")
        << u"CutDryRun"_qs
        << QByteArray(R"({"nodeCount":4.5,"resolution":"720p","dirtyNodeIds":[],)"
                      R"("dirtyCount":0,"estimatedCostUsd":0})")
        << u"DecodingError"_qs;
    QTest::newRow("dry run id not string")
        << u"CutDryRun"_qs
        << QByteArray(R"({"nodeCount":1,"resolution":"720p","dirtyNodeIds":[1],)"
                      R"("dirtyCount":1,"estimatedCostUsd":0})")
        << u"DecodingError"_qs;
    QTest::newRow("ship")
        << u"Ship"_qs
        << QByteArray(R"({"id":"1","deliverable":"d","commit":"c","tag":"ship/d","createdAt":"t"})")
        << u"ok"_qs;
    QTest::newRow("ship missing tag")
        << u"Ship"_qs << QByteArray(R"({"id":"1","deliverable":"d","commit":"c","createdAt":"t"})")
        << u"DecodingError"_qs;
    QTest::newRow("not an object at all") << u"Ship"_qs << QByteArray("[]") << u"DecodingError"_qs;
}

void tst_ServiceRecords::strictDecoding()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, json);
    QFETCH(QString, expected);
    QCOMPARE(decodeOutcome(kind, json), expected);
}

void tst_ServiceRecords::takeRoundTrip()
{
    Take take;
    take.id = u"r1"_qs;
    take.shotId = u"sc01-sh01"_qs;
    take.inputHash = u"ab"_qs;
    take.status = u"succeeded"_qs;
    take.outputUrl = u"https://x/y.mp4"_qs;
    take.outputCas = u"sha256:ab"_qs;
    take.billedUsd = 0.4;
    take.model = u"fal/minimax/h3"_qs;
    take.resolution = u"720p"_qs;
    take.error = u""_qs;
    take.prompt = u"wide shot"_qs;
    take.seed = 9007199254740993LL; // beyond double precision: must survive as an integer
    take.createdAt = u"2026-01-01T00:00:00Z"_qs;
    QCOMPARE(Take::fromJson(take.toJson()), take);
    QCOMPARE(qHash(Take::fromJson(take.toJson())), qHash(take));
}

void tst_ServiceRecords::takeLeavesAbsentOptionalsOut()
{
    const Take take = Take::fromJson(parse(minimalTake));
    QCOMPARE(compact(take.toJson()),
             QByteArray(R"({"createdAt":"t","id":"r1","inputHash":"ab","shotId":"sc01-sh01",)"
                        R"("status":"rendering"})"));
}

void tst_ServiceRecords::takeNullOptionalsReadAsAbsent()
{
    const Take take = Take::fromJson(
        parse(R"({"id":"r","shotId":"s","inputHash":"h","status":"x","createdAt":"t",)"
              R"("outputUrl":null,"seed":null,"billedUsd":3})"));
    QVERIFY(!take.outputUrl);
    QVERIFY(!take.seed);
    QCOMPARE(take.billedUsd, std::optional<double>(3.0));
}

void tst_ServiceRecords::namespaceAndShip()
{
    const Namespace team = Namespace::fromJson(
        parse(R"({"slug":"harbour-pictures","personal":false,"name":"Harbour Pictures"})"));
    QCOMPARE(team, (Namespace{u"harbour-pictures"_qs, false, u"Harbour Pictures"_qs}));
    QCOMPARE(compact(Namespace{u"me"_qs, true, std::nullopt}.toJson()),
             QByteArray(R"({"personal":true,"slug":"me"})"));

    const Ship ship{u"1"_qs, u"s1e01"_qs, u"abc"_qs, u"ship/s1e01"_qs, std::nullopt, u"t"_qs};
    QCOMPARE(Ship::fromJson(ship.toJson()), ship);
    QVERIFY(!ship.toJson().contains(u"airDate"));
}

void tst_ServiceRecords::cutDryRun()
{
    const CutDryRun run{3, u"720p"_qs, {u"a"_qs, u"b"_qs}, 2, 0.3};
    QCOMPARE(CutDryRun::fromJson(run.toJson()), run);
    QCOMPARE(qHash(CutDryRun::fromJson(run.toJson())), qHash(run));
}

void tst_ServiceRecords::renderBody()
{
    RenderBody body;
    body.org = u"o"_qs;
    body.slug = u"s"_qs;
    body.deliverable = u"d"_qs;
    body.shots = u"scenes: []\n"_qs;
    body.shotId = u"sh"_qs;
    body.appearance = {{u"mara"_qs, u"tall"_qs}};
    QCOMPARE(compact(body.toJson()),
             QByteArray(R"({"appearance":{"mara":"tall"},"deliverable":"d","location":{},)"
                        R"("org":"o","shotId":"sh","shots":"scenes: []\n","slug":"s",)"
                        R"("voice":{}})"));
    body.lock = u"pins: {}\n"_qs;
    body.manifest = u"type: film\n"_qs;
    QCOMPARE(body.toJson().value(u"lock").toString(), u"pins: {}\n"_qs);
    QCOMPARE(body.toJson().value(u"manifest").toString(), u"type: film\n"_qs);
}

void tst_ServiceRecords::shipBody()
{
    ShipBody body{u"o"_qs, u"s"_qs, u"d"_qs, u"c"_qs, u"ship/d"_qs, {}, {}, {}};
    QCOMPARE(body.toFields().keys(),
             (QList<QString>{u"commit"_qs, u"deliverable"_qs, u"org"_qs, u"slug"_qs, u"tag"_qs}));
    body.airDate = u"2026-03-01"_qs;
    body.shots = u"x"_qs;
    body.lock = u"y"_qs;
    QCOMPARE(body.toFields().size(), 8);
    QCOMPARE(body.toFields().value(u"airDate"_qs), u"2026-03-01"_qs);
}

QTEST_GUILESS_MAIN(tst_ServiceRecords)
#include "tst_ServiceRecords.moc"
