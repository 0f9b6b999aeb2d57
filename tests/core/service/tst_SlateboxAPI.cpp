#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QSettings>
#include <QTest>

#include <qcoro/qcorotask.h>

#include "TaskOutcome.h"
#include "core/platform/KeychainStore.h"
#include "core/platform/MemorySecretStore.h"
#include "core/service/APIEnvironment.h"
#include "core/service/APIError.h"
#include "core/service/SharedNetwork.h"
#include "core/service/SlateboxAPI.h"
#include "core/service/TransportError.h"
#include "support/TestResponder.h"

namespace {

QCoro::Task<void> getAndCheck(SlateboxAPI api, QString path, QList<int> allow)
{
    const APIResponse response = co_await api.get(path);
    api.check(response, allow);
}

} // namespace

class tst_SlateboxAPI : public QObject {
    Q_OBJECT
private slots:
    void init() { QSettings().remove(u"apiBaseURL"_qs); }

    void baseURLSetting_data();
    void baseURLSetting();
    void initTestCase() { KeychainStore::setSecretStore(std::make_shared<MemorySecretStore>()); }
    void currentReadsSetting();
    void currentCapturesToken();
    void urlComposition_data();
    void urlComposition();
    void authorization_data();
    void authorization();
    void headersOnTheWire();
    void check_data();
    void check();
    void nonHttpAnswer();
    void transportFailure();
    void postBodies();
    void deleteCarriesNoBody();
    void tokenWithheldFromPlainHttpRemote();
};

void tst_SlateboxAPI::baseURLSetting_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QUrl>("expected");
    const QUrl fallback = APIEnvironment::buildDefault().baseURL;
    QTest::newRow("empty") << QString() << fallback;
    QTest::newRow("blank") << u"   "_qs << fallback;
    QTest::newRow("not a url") << u"not a url"_qs << fallback;
    QTest::newRow("relative") << u"api/v1"_qs << fallback;
    QTest::newRow("no host") << u"http://"_qs << fallback;
    QTest::newRow("origin") << u"http://127.0.0.1:8787"_qs << QUrl(u"http://127.0.0.1:8787"_qs);
    QTest::newRow("with path") << u"https://example.test/api"_qs
                               << QUrl(u"https://example.test/api"_qs);
}

void tst_SlateboxAPI::baseURLSetting()
{
    QFETCH(QString, setting);
    QFETCH(QUrl, expected);
    QCOMPARE(APIEnvironment::fromSetting(setting).baseURL, expected);
}

void tst_SlateboxAPI::currentReadsSetting()
{
    const QUrl fallback = APIEnvironment::buildDefault().baseURL;
    QCOMPARE(fallback.scheme(), u"https"_qs);
    QVERIFY(fallback.path().isEmpty());
    QCOMPARE(SlateboxAPI::current().baseURL(), fallback);
    QSettings().setValue(u"apiBaseURL"_qs, u"http://localhost:9/api"_qs);
    QCOMPARE(SlateboxAPI::current().baseURL(), QUrl(u"http://localhost:9/api"_qs));
    QSettings().setValue(u"apiBaseURL"_qs, u""_qs);
    QCOMPARE(SlateboxAPI::current().baseURL(), fallback);
}

void tst_SlateboxAPI::currentCapturesToken()
{
    QVERIFY(!SlateboxAPI::current().bearerToken());
    KeychainStore::saveDeviceToken(u"tok-1"_qs);
    const SlateboxAPI signedIn = SlateboxAPI::current();
    KeychainStore::deleteDeviceToken();
    // A value made before the sign-out keeps the token it was made with.
    QCOMPARE(signedIn.bearerToken(), std::optional<QString>(u"tok-1"_qs));
    QVERIFY(!SlateboxAPI::current().bearerToken());
}

void tst_SlateboxAPI::urlComposition_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("origin") << u"https://api.test"_qs << u"v1/me"_qs
                            << QByteArray("https://api.test/v1/me");
    QTest::newRow("origin slash") << u"https://api.test/"_qs << u"v1/me"_qs
                                  << QByteArray("https://api.test/v1/me");
    QTest::newRow("base path") << u"https://api.test/api"_qs << u"v1/me"_qs
                               << QByteArray("https://api.test/api/v1/me");
    QTest::newRow("base path slash")
        << u"https://api.test/api/"_qs << u"v1/me"_qs << QByteArray("https://api.test/api/v1/me");
    QTest::newRow("space and query mark")
        << u"https://api.test"_qs << u"v1/renders/a b?c#d"_qs
        << QByteArray("https://api.test/v1/renders/a%20b%3Fc%23d");
    QTest::newRow("percent stays literal") << u"https://api.test"_qs << u"v1/renders/50%"_qs
                                           << QByteArray("https://api.test/v1/renders/50%25");
    QTest::newRow("non-ascii") << u"https://api.test"_qs << u"v1/projects/ørg/é"_qs
                               << QByteArray("https://api.test/v1/projects/%C3%B8rg/%C3%A9");
    QTest::newRow("colon in piece") << u"https://api.test"_qs << u"v1/cas/sha256:ab"_qs
                                    << QByteArray("https://api.test/v1/cas/sha256:ab");
}

void tst_SlateboxAPI::urlComposition()
{
    QFETCH(QString, base);
    QFETCH(QString, path);
    QFETCH(QByteArray, expected);
    const SlateboxAPI api(QUrl(base), std::nullopt);
    QCOMPARE(api.url(path).toEncoded(), expected);
}

void tst_SlateboxAPI::authorization_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<std::optional<QString>>("token");
    QTest::addColumn<QByteArray>("expected"); // empty: no header at all

    const std::optional<QString> token = u"tok-123"_qs;
    QTest::newRow("https") << u"https://api.test"_qs << token << QByteArray("Bearer tok-123");
    QTest::newRow("no token") << u"https://api.test"_qs << std::optional<QString>() << QByteArray();
    QTest::newRow("http loopback v4")
        << u"http://127.0.0.1:8787"_qs << token << QByteArray("Bearer tok-123");
    QTest::newRow("http loopback range")
        << u"http://127.4.5.6"_qs << token << QByteArray("Bearer tok-123");
    QTest::newRow("http loopback v6")
        << u"http://[::1]:8787"_qs << token << QByteArray("Bearer tok-123");
    QTest::newRow("http localhost")
        << u"http://LocalHost:8787"_qs << token << QByteArray("Bearer tok-123");
    QTest::newRow("http remote") << u"http://api.test"_qs << token << QByteArray();
    QTest::newRow("http private address") << u"http://192.168.1.2"_qs << token << QByteArray();
    QTest::newRow("http localhost lookalike")
        << u"http://localhost.evil.test"_qs << token << QByteArray();
    QTest::newRow("ftp") << u"ftp://api.test"_qs << token << QByteArray();
}

void tst_SlateboxAPI::authorization()
{
    QFETCH(QString, base);
    QFETCH(std::optional<QString>, token);
    QFETCH(QByteArray, expected);
    const SlateboxAPI api(QUrl(base), token);
    const QNetworkRequest request = api.request(u"v1/me"_qs);
    QCOMPARE(request.hasRawHeader("Authorization"), !expected.isEmpty());
    QCOMPARE(request.rawHeader("Authorization"), expected);
    QCOMPARE(request.transferTimeout(), 60000);
}

void tst_SlateboxAPI::headersOnTheWire()
{
    TestResponder responder;
    QVERIFY(responder.listen());
    responder.enqueue(TestResponder::Response::json(200, "{}"));
    responder.enqueue(TestResponder::Response::json(200, "{}"));

    QCoro::waitFor(SlateboxAPI(responder.url(), std::nullopt).get(u"v1/me"_qs));
    QCoro::waitFor(SlateboxAPI(responder.url(), u"tok"_qs).post(u"v1/x"_qs, QJsonObject{}));

    QCOMPARE(responder.requestCount(), 2);
    const auto &signedOut = responder.requests().at(0);
    QCOMPARE(signedOut.method, QByteArray("GET"));
    QCOMPARE(signedOut.target, QByteArray("/v1/me"));
    QVERIFY(!signedOut.header("Authorization"));
    QVERIFY(!signedOut.header("Content-Type"));
    const auto &signedIn = responder.requests().at(1);
    QCOMPARE(signedIn.method, QByteArray("POST"));
    QCOMPARE(signedIn.header("Authorization").value_or(""), QByteArray("Bearer tok"));
    QCOMPARE(signedIn.header("Content-Type").value_or(""), QByteArray("application/json"));
    QCOMPARE(signedIn.body, QByteArray("{}"));
}

void tst_SlateboxAPI::check_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QList<int>>("allow");
    QTest::addColumn<QString>("expected");

    const QList<int> ok{200};
    QTest::newRow("accepted") << 200 << QByteArray("{}") << ok << u"ok"_qs;
    QTest::newRow("accepted non-json") << 200 << QByteArray("<html>") << ok << u"ok"_qs;
    QTest::newRow("error text") << 404 << QByteArray("{\"error\":\"no such project\"}") << ok
                                << u"APIError: no such project"_qs;
    QTest::newRow("error text kept exactly")
        << 400 << QByteArray("{\"error\":\"  Two\\nlines  \",\"other\":1}") << ok
        << u"APIError:   Two\nlines  "_qs;
    QTest::newRow("html") << 500 << QByteArray("<html>oops</html>") << ok
                          << u"APIError: API request failed (500)"_qs;
    QTest::newRow("empty") << 502 << QByteArray() << ok << u"APIError: API request failed (502)"_qs;
    QTest::newRow("malformed json")
        << 400 << QByteArray("{\"error\":") << ok << u"APIError: API request failed (400)"_qs;
    QTest::newRow("null error") << 403 << QByteArray("{\"error\":null}") << ok
                                << u"APIError: API request failed (403)"_qs;
    QTest::newRow("no error key") << 409 << QByteArray("{\"message\":\"x\"}") << ok
                                  << u"APIError: API request failed (409)"_qs;
    QTest::newRow("error not a string")
        << 400 << QByteArray("{\"error\":42}") << ok << u"APIError: API request failed (400)"_qs;
    QTest::newRow("json array") << 400 << QByteArray("[\"error\"]") << ok
                                << u"APIError: API request failed (400)"_qs;
    QTest::newRow("other 2xx refused")
        << 200 << QByteArray("{}") << QList<int>{201} << u"APIError: API request failed (200)"_qs;
    QTest::newRow("one of two") << 201 << QByteArray("{}") << QList<int>{200, 201} << u"ok"_qs;
    QTest::newRow("redirect refused")
        << 302 << QByteArray() << ok << u"APIError: API request failed (302)"_qs;
}

void tst_SlateboxAPI::check()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QList<int>, allow);
    QFETCH(QString, expected);

    TestResponder responder;
    QVERIFY(responder.listen());
    responder.enqueue(TestResponder::Response::json(status, body));
    const SlateboxAPI api(responder.url(), std::nullopt);
    QCOMPARE(TaskOutcome::waitOutcome(getAndCheck(api, u"v1/x"_qs, allow)), expected);
}

void tst_SlateboxAPI::nonHttpAnswer()
{
    const SlateboxAPI api(QUrl(u"https://api.test/base"_qs), std::nullopt);
    APIResponse notHttp;
    notHttp.body = "{}";
    try {
        api.check(notHttp, {200});
        QFAIL("a non-HTTP answer passed the check");
    } catch (const APIError &error) {
        QCOMPARE(error.message(), u"unexpected response from https://api.test/base"_qs);
    }
}

void tst_SlateboxAPI::transportFailure()
{
    TestResponder responder;
    QVERIFY(responder.listen());
    // Every attempt is dropped: the network layer retries a GET on a closed connection once.
    responder.setHandler([](const auto &) { return TestResponder::Response::dropped(); });
    const SlateboxAPI api(responder.url(), std::nullopt);
    QCOMPARE(TaskOutcome::waitOutcome(api.get(u"v1/me"_qs)), u"TransportError"_qs);
}

void tst_SlateboxAPI::postBodies()
{
    TestResponder responder;
    QVERIFY(responder.listen());
    responder.enqueue(TestResponder::Response::json(200, "{}"));
    const SlateboxAPI api(responder.url(), std::nullopt);
    QCoro::waitFor(
        api.post(u"v1/x"_qs, QMap<QString, QString>{{u"b"_qs, u"2"_qs}, {u"a"_qs, u"é \"q\""_qs}}));
    QCOMPARE(responder.requests().at(0).body, QByteArray("{\"a\":\"é \\\"q\\\"\",\"b\":\"2\"}"));
}

void tst_SlateboxAPI::deleteCarriesNoBody()
{
    TestResponder responder;
    QVERIFY(responder.listen());
    responder.enqueue(TestResponder::Response::json(200, "{}"));
    const SlateboxAPI api(responder.url(), u"tok"_qs);
    QCoro::waitFor(api.deleteResource(u"v1/projects/demo/my show"_qs));
    const auto &request = responder.requests().at(0);
    QCOMPARE(request.method, QByteArray("DELETE"));
    QCOMPARE(request.target, QByteArray("/v1/projects/demo/my%20show"));
    QVERIFY(request.body.isEmpty());
    QVERIFY(!request.header("Content-Type"));
    QCOMPARE(request.header("Authorization").value_or(""), QByteArray("Bearer tok"));
}

void tst_SlateboxAPI::tokenWithheldFromPlainHttpRemote()
{
    // A remote plain-http host, reached through a proxy on loopback so nothing leaves the
    // machine: the request goes out without the token and the refusal comes back as usual.
    TestResponder proxy;
    QVERIFY(proxy.listen());
    proxy.enqueue(TestResponder::Response::json(401, "{\"error\":\"Sign in first.\"}"));
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, u"127.0.0.1"_qs, proxy.port()));
    SharedNetwork::setManager(&manager);
    const SlateboxAPI api(QUrl(u"http://api.example.test/base"_qs), u"secret-token"_qs);
    const QString outcome = TaskOutcome::waitOutcome(getAndCheck(api, u"v1/me"_qs, {200}));
    SharedNetwork::setManager(nullptr);

    QCOMPARE(outcome, u"APIError: Sign in first."_qs);
    QCOMPARE(proxy.requestCount(), 1);
    QCOMPARE(proxy.requests().first().target, QByteArray("http://api.example.test/base/v1/me"));
    QVERIFY(!proxy.requests().first().header("Authorization"));
}

QTEST_GUILESS_MAIN(tst_SlateboxAPI)
#include "tst_SlateboxAPI.moc"
