#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "TaskOutcome.h"
#include "core/service/CasUrlCache.h"
#include "core/service/SlateboxAPI.h"
#include "support/TestResponder.h"

namespace {

const QByteArray takeJson =
    R"({"id":"r1","shotId":"sc01-sh01","inputHash":"h","status":"rendering","createdAt":"t"})";
const QByteArray projectJson = R"({"id":"1","org":"demo","slug":"pilot","type":"series",)"
                               R"("title":"Pilot","cloneUrl":"http://x/git/demo/pilot.git"})";

// Calls the endpoint named `name` with fixed arguments and reports how it ended.
QCoro::Task<QString> call(SlateboxAPI api, QString name)
{
    using TaskOutcome::outcome;
    if (name == u"listOrgs")
        co_return co_await outcome(api.listOrgs());
    if (name == u"listProjects")
        co_return co_await outcome(api.listProjects());
    if (name == u"createProject")
        co_return co_await outcome(
            api.createProject(u"demo"_qs, u"pilot"_qs, u"Pilot"_qs, ProjectType::Series));
    if (name == u"deleteProject")
        co_return co_await outcome(api.deleteProject(u"demo"_qs, u"my show"_qs));
    if (name == u"agentModels")
        co_return co_await outcome(api.agentModels());
    if (name == u"lookupTakes")
        co_return co_await outcome(api.lookupTakes(u"scenes: []\n"_qs, u"sc01-sh01"_qs));
    if (name == u"createRender")
        co_return co_await outcome(api.createRender(RenderBody{}));
    if (name == u"render")
        co_return co_await outcome(api.render(u"r 1?"_qs));
    if (name == u"cutDryRun")
        co_return co_await outcome(api.cutDryRun(u"scenes: []\n"_qs, std::nullopt));
    if (name == u"createShip")
        co_return co_await outcome(api.createShip(ShipBody{}));
    co_return u"unknown endpoint"_qs;
}

struct Endpoint {
    QString name;
    QByteArray method;
    QByteArray target;
    QList<int> accepted;
    QByteArray goodBody;
};

QList<Endpoint> endpoints()
{
    return {
        {u"listOrgs"_qs,
         "GET",
         "/v1/orgs",
         {200},
         R"({"orgs":[{"slug":"demo","personal":true,"name":"Demo"}]})"},
        {u"listProjects"_qs, "GET", "/v1/projects", {200}, "{\"projects\":[" + projectJson + "]}"},
        {u"createProject"_qs, "POST", "/v1/projects", {200, 201}, projectJson},
        {u"deleteProject"_qs, "DELETE", "/v1/projects/demo/my%20show", {200}, "not even json"},
        {u"agentModels"_qs,
         "GET",
         "/v1/agent/models",
         {200},
         R"({"models":[{"id":"m","provider":"p","label":"M","detail":"d","context":1000}]})"},
        {u"lookupTakes"_qs,
         "POST",
         "/v1/renders/lookup",
         {200},
         "{\"inputHash\":\"h\",\"takes\":[" + takeJson + "]}"},
        {u"createRender"_qs, "POST", "/v1/renders", {202}, "{\"take\":" + takeJson + "}"},
        {u"render"_qs, "GET", "/v1/renders/r%201%3F", {200}, "{\"take\":" + takeJson + "}"},
        {u"cutDryRun"_qs,
         "POST",
         "/v1/cutgraph/dry-run",
         {200},
         R"({"nodeCount":4,"resolution":"720p","dirtyNodeIds":["a"],"dirtyCount":1,)"
         R"("estimatedCostUsd":0.05})"},
        {u"createShip"_qs,
         "POST",
         "/v1/ships",
         {201},
         R"({"ship":{"id":"1","deliverable":"d","commit":"c","tag":"ship/d","createdAt":"t"}})"},
    };
}

} // namespace

class tst_ServiceEndpoints : public QObject {
    Q_OBJECT
private slots:
    void init() { CasUrlCache::clear(); }

    void acceptedStatuses_data();
    void acceptedStatuses();
    void requestBodies();
    void wrongShapedAnswers_data();
    void wrongShapedAnswers();
};

void tst_ServiceEndpoints::acceptedStatuses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QString>("expected");

    // Every accepted status succeeds; every neighbouring 2xx fails even with a good body; an
    // accepted status with a body that does not decode fails with the decoder's error.
    for (const Endpoint &endpoint : endpoints()) {
        for (const int status : {200, 201, 202, 204}) {
            const bool accepted = endpoint.accepted.contains(status);
            QTest::addRow("%s %d", qPrintable(endpoint.name), status)
                << endpoint.name << status << endpoint.goodBody << endpoint.method
                << endpoint.target
                << (accepted
                        ? u"ok"_qs
                        : u"APIError: API request failed ("_qs + QString::number(status) + u')');
        }
        if (endpoint.name != u"deleteProject") {
            QTest::addRow("%s undecodable", qPrintable(endpoint.name))
                << endpoint.name << endpoint.accepted.first() << QByteArray(R"({"x":1})")
                << endpoint.method << endpoint.target << u"DecodingError"_qs;
        }
        QTest::addRow("%s refused with text", qPrintable(endpoint.name))
            << endpoint.name << 409 << QByteArray(R"({"error":"Already there."})")
            << endpoint.method << endpoint.target << u"APIError: Already there."_qs;
    }
}

void tst_ServiceEndpoints::acceptedStatuses()
{
    QFETCH(QString, name);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, target);
    QFETCH(QString, expected);

    TestResponder responder;
    QVERIFY(responder.listen());
    responder.enqueue(TestResponder::Response::json(status, body));
    const SlateboxAPI api(responder.url(), u"tok"_qs);
    QCOMPARE(QCoro::waitFor(call(api, name)), expected);
    QCOMPARE(responder.requestCount(), 1); // takes without content addresses fetch nothing
    const auto &request = responder.requests().first();
    QCOMPARE(request.method, method);
    QCOMPARE(request.target, target);
    QCOMPARE(request.header("Authorization").value_or(""), QByteArray("Bearer tok"));
}

void tst_ServiceEndpoints::requestBodies()
{
    TestResponder responder;
    QVERIFY(responder.listen());
    responder.setHandler([](const auto &) { return TestResponder::Response::json(500, ""); });
    const SlateboxAPI api(responder.url(), std::nullopt);
    for (const QString &name : {u"createProject"_qs, u"lookupTakes"_qs, u"cutDryRun"_qs,
                                u"createShip"_qs, u"listOrgs"_qs})
        QCoro::waitFor(call(api, name));
    QCoro::waitFor(TaskOutcome::outcome(api.cutDryRun(u"s"_qs, u"pins: {}\n"_qs)));

    const auto &requests = responder.requests();
    QCOMPARE(requests.size(), 6);
    QCOMPARE(requests.at(0).body,
             QByteArray(R"({"org":"demo","slug":"pilot","title":"Pilot","type":"series"})"));
    QCOMPARE(requests.at(1).body, QByteArray(R"({"shotId":"sc01-sh01","shots":"scenes: []\n"})"));
    QCOMPARE(requests.at(2).body, QByteArray(R"({"shots":"scenes: []\n"})"));
    QCOMPARE(requests.at(3).body,
             QByteArray(R"({"commit":"","deliverable":"","org":"","slug":"","tag":""})"));
    QVERIFY(requests.at(4).body.isEmpty());
    QVERIFY(!requests.at(4).header("Content-Type"));
    QCOMPARE(requests.at(5).body, QByteArray(R"({"lock":"pins: {}\n","shots":"s"})"));
    for (const auto &request : requests)
        QVERIFY(!request.header("Authorization"));
}

void tst_ServiceEndpoints::wrongShapedAnswers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("orgs not an array") << u"listOrgs"_qs << QByteArray(R"({"orgs":{}})");
    QTest::newRow("org entry not an object") << u"listOrgs"_qs << QByteArray(R"({"orgs":[1]})");
    QTest::newRow("projects missing") << u"listProjects"_qs << QByteArray("{}");
    QTest::newRow("model without label")
        << u"agentModels"_qs
        << QByteArray(R"({"models":[{"id":"m","provider":"p","detail":"d"}]})");
    QTest::newRow("lookup without hash") << u"lookupTakes"_qs << QByteArray(R"({"takes":[]})");
    QTest::newRow("take bare, not wrapped") << u"render"_qs << takeJson;
    QTest::newRow("ship bare, not wrapped")
        << u"createShip"_qs
        << QByteArray(R"({"id":"1","deliverable":"d","commit":"c","tag":"t","createdAt":"t"})");
    QTest::newRow("dry run html") << u"cutDryRun"_qs << QByteArray("<html></html>");
}

void tst_ServiceEndpoints::wrongShapedAnswers()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, body);
    TestResponder responder;
    QVERIFY(responder.listen());
    const QList<Endpoint> all = endpoints();
    const auto endpoint =
        std::find_if(all.cbegin(), all.cend(), [&](const Endpoint &e) { return e.name == name; });
    responder.enqueue(TestResponder::Response::json(endpoint->accepted.first(), body));
    QCOMPARE(QCoro::waitFor(call(SlateboxAPI(responder.url(), std::nullopt), name)),
             u"DecodingError"_qs);
}

QTEST_GUILESS_MAIN(tst_ServiceEndpoints)
#include "tst_ServiceEndpoints.moc"
