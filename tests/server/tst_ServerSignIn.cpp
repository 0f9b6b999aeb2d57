// Browser sign-in (page, form, deep-link redirect), the code exchange, and bearer-token checks.
#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QUrlQuery>
#include <QtTest>

#include "TestHttp.h"
#include "support/ServerProcess.h"

namespace {

QString makeVerifier()
{
    QByteArray bytes(32, Qt::Uninitialized);
    for (auto &byte : bytes)
        byte = char(QRandomGenerator::global()->bounded(256));
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString challengeOf(const QString &verifier)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QByteArray form(const QList<std::pair<QString, QString>> &fields)
{
    QByteArrayList pairs;
    for (const auto &[key, value] : fields)
        pairs.append(key.toLatin1() + '=' + QUrl::toPercentEncoding(value));
    return pairs.join('&');
}

// Submits the login form for `account` and returns the one-time code of the redirect.
QString codeFor(const TestHttp &http, const QString &challenge, const QString &account,
                bool signUp = false)
{
    QList<std::pair<QString, QString>> fields{
        {u"client"_qs, u"linux"_qs}, {u"challenge"_qs, challenge}, {u"account"_qs, account}};
    if (signUp)
        fields.append({u"sign_up"_qs, u"1"_qs});
    const auto reply =
        http.post(u"v1/auth/login"_qs, form(fields), "application/x-www-form-urlencoded");
    if (reply.status != 302)
        return {};
    const QUrl location(QString::fromUtf8(reply.header("Location")));
    if (location.scheme() != u"slatebox" || location.host() != u"auth")
        return {};
    return QUrlQuery(location).queryItemValue(u"code"_qs);
}

TestHttp::Reply exchange(const TestHttp &http, const QString &code, const QString &verifier)
{
    return http.postJson(u"v1/auth/device/exchange"_qs,
                         {{u"code"_qs, code}, {u"verifier"_qs, verifier}});
}

} // namespace

class tst_ServerSignIn : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void loginPage();
    void loginPageRefusesBadQuery_data();
    void loginPageRefusesBadQuery();
    void roundTripGivesWorkingToken();
    void codeIsSpentOnlyBySuccess();
    void codeExpires();
    void signUpMakesAccount();
    void formRefusesUnknownOrUnsafeAccount();
    void exchangeRefusesBadBody_data();
    void exchangeRefusesBadBody();
    void endpointsNeedToken_data();
    void endpointsNeedToken();

private:
    ServerProcess m_server;
};

void tst_ServerSignIn::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
}

void tst_ServerSignIn::loginPage()
{
    const TestHttp http(m_server.baseUrl());
    const QString challenge = challengeOf(makeVerifier());
    const auto page = http.get(u"v1/auth/login?client=mac&challenge="_qs + challenge);
    QCOMPARE(page.status, 200);
    QVERIFY(page.header("Content-Type").startsWith("text/html"));
    QVERIFY(page.body.contains("Continue as demo"));
    QVERIFY(page.body.contains(challenge.toLatin1()));

    const auto signUp = http.get(u"v1/auth/login?client=mac&challenge="_qs + challenge +
                                 u"&screen_hint=sign-up"_qs);
    QCOMPARE(signUp.status, 200);
    QVERIFY(signUp.body.contains("Create a Slatebox account"));
    QVERIFY(signUp.body.contains("name=\"sign_up\""));
}

void tst_ServerSignIn::loginPageRefusesBadQuery_data()
{
    QTest::addColumn<QString>("query");
    const QString good = challengeOf(u"x"_qs);
    QTest::newRow("no challenge") << u"client=mac"_qs;
    QTest::newRow("no client") << u"challenge="_qs + good;
    QTest::newRow("upper-case hex") << u"client=mac&challenge="_qs + good.toUpper();
    QTest::newRow("too short") << u"client=mac&challenge="_qs + good.left(63);
    QTest::newRow("markup") << u"client=mac&challenge=%3Cscript%3E"_qs;
}

void tst_ServerSignIn::loginPageRefusesBadQuery()
{
    QFETCH(QString, query);
    const auto reply = TestHttp(m_server.baseUrl()).get(u"v1/auth/login?"_qs + query);
    QCOMPARE(reply.status, 400);
    QVERIFY(!reply.error().isEmpty());
}

void tst_ServerSignIn::roundTripGivesWorkingToken()
{
    TestHttp http(m_server.baseUrl());
    const QString verifier = makeVerifier();
    const QString code = codeFor(http, challengeOf(verifier), u"demo"_qs);
    QVERIFY(!code.isEmpty());

    const auto reply = exchange(http, code, verifier);
    QCOMPARE(reply.status, 201);
    const QString token = reply.json().value(u"token"_qs).toString();
    QVERIFY(!token.isEmpty());
    const QJsonObject user = reply.json().value(u"user"_qs).toObject();
    QCOMPARE(user.value(u"slug"_qs).toString(), u"demo"_qs);
    QCOMPARE(user.value(u"displayName"_qs).toString(), u"Demo Director"_qs);
    QCOMPARE(user.value(u"email"_qs).toString(), u"demo@slatebox.test"_qs);
    QVERIFY(!user.value(u"id"_qs).toString().isEmpty());

    http.setToken(token);
    const auto me = http.get(u"v1/me"_qs);
    QCOMPARE(me.status, 200);
    QCOMPARE(me.json().value(u"user"_qs).toObject(), user);
}

void tst_ServerSignIn::codeIsSpentOnlyBySuccess()
{
    const TestHttp http(m_server.baseUrl());
    const QString verifier = makeVerifier();
    const QString code = codeFor(http, challengeOf(verifier), u"demo"_qs);
    QVERIFY(!code.isEmpty());

    const auto wrong = exchange(http, code, makeVerifier());
    QCOMPARE(wrong.status, 400);
    QVERIFY(wrong.error().contains(u"verifier"_qs));
    // The challenge itself is not the verifier.
    QCOMPARE(exchange(http, code, challengeOf(verifier)).status, 400);

    QCOMPARE(exchange(http, code, verifier).status, 201);
    const auto reused = exchange(http, code, verifier);
    QCOMPARE(reused.status, 400);
    QVERIFY(!reused.error().isEmpty());

    QCOMPARE(exchange(http, u"not-a-code"_qs, verifier).status, 400);
}

void tst_ServerSignIn::codeExpires()
{
    ServerProcess shortLived;
    QVERIFY2(shortLived.start({u"--code-ttl-seconds"_qs, u"0"_qs}),
             qPrintable(shortLived.errorString()));
    const TestHttp http(shortLived.baseUrl());
    const QString verifier = makeVerifier();
    const QString code = codeFor(http, challengeOf(verifier), u"demo"_qs);
    QVERIFY(!code.isEmpty());
    const auto reply = exchange(http, code, verifier);
    QCOMPARE(reply.status, 400);
    QVERIFY(reply.error().contains(u"expired"_qs));
}

void tst_ServerSignIn::signUpMakesAccount()
{
    TestHttp http(m_server.baseUrl());
    const QString verifier = makeVerifier();
    const QString code = codeFor(http, challengeOf(verifier), u"newcomer"_qs, true);
    QVERIFY(!code.isEmpty());
    const auto reply = exchange(http, code, verifier);
    QCOMPARE(reply.status, 201);
    QCOMPARE(reply.json().value(u"user"_qs).toObject().value(u"slug"_qs).toString(),
             u"newcomer"_qs);

    http.setToken(reply.json().value(u"token"_qs).toString());
    const QJsonArray orgs = http.get(u"v1/orgs"_qs).json().value(u"orgs"_qs).toArray();
    QCOMPARE(orgs.size(), 1);
    QCOMPARE(orgs.first().toObject().value(u"slug"_qs).toString(), u"newcomer"_qs);
    QCOMPARE(orgs.first().toObject().value(u"personal"_qs).toBool(), true);

    // The handle is taken now.
    const auto again = TestHttp(m_server.baseUrl())
                           .post(u"v1/auth/login"_qs,
                                 form({{u"client"_qs, u"mac"_qs},
                                       {u"challenge"_qs, challengeOf(verifier)},
                                       {u"account"_qs, u"newcomer"_qs},
                                       {u"sign_up"_qs, u"1"_qs}}),
                                 "application/x-www-form-urlencoded");
    QCOMPARE(again.status, 409);
}

void tst_ServerSignIn::formRefusesUnknownOrUnsafeAccount()
{
    const TestHttp http(m_server.baseUrl());
    const QString challenge = challengeOf(makeVerifier());
    const auto post = [&](const QString &account, const QString &withChallenge) {
        return http.post(u"v1/auth/login"_qs,
                         form({{u"client"_qs, u"mac"_qs},
                               {u"challenge"_qs, withChallenge},
                               {u"account"_qs, account}}),
                         "application/x-www-form-urlencoded");
    };
    QCOMPARE(post(u"nobody"_qs, challenge).status, 404);
    QCOMPARE(post(u"../etc"_qs, challenge).status, 400);
    QCOMPARE(post(u"demo"_qs, u"abc"_qs).status, 400);
    QVERIFY(!post(u"nobody"_qs, challenge).error().isEmpty());
}

void tst_ServerSignIn::exchangeRefusesBadBody_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("malformed JSON") << QByteArray("{\"code\": ");
    QTest::newRow("not an object") << QByteArray("[\"code\"]");
    QTest::newRow("empty body") << QByteArray();
    QTest::newRow("no verifier") << QByteArray("{\"code\":\"abc\"}");
    QTest::newRow("no code") << QByteArray("{\"verifier\":\"abc\"}");
    QTest::newRow("code not a string") << QByteArray("{\"code\":7,\"verifier\":\"abc\"}");
    QTest::newRow("code null") << QByteArray("{\"code\":null,\"verifier\":\"abc\"}");
}

void tst_ServerSignIn::exchangeRefusesBadBody()
{
    QFETCH(QByteArray, body);
    const auto reply = TestHttp(m_server.baseUrl()).post(u"v1/auth/device/exchange"_qs, body);
    QCOMPARE(reply.status, 400);
    QVERIFY(!reply.error().isEmpty());
}

void tst_ServerSignIn::endpointsNeedToken_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("token");
    const QList<std::pair<QByteArray, QString>> endpoints{
        {"GET", u"v1/me"_qs},
        {"GET", u"v1/orgs"_qs},
        {"GET", u"v1/projects"_qs},
        {"POST", u"v1/projects"_qs},
        {"DELETE", u"v1/projects/demo/anything"_qs},
        {"GET", u"v1/agent/models"_qs},
    };
    for (const auto &[method, path] : endpoints) {
        QTest::addRow("%s %s without token", method.constData(), qPrintable(path))
            << method << path << QString();
        QTest::addRow("%s %s unknown token", method.constData(), qPrintable(path))
            << method << path << u"not-a-token"_qs;
    }
}

void tst_ServerSignIn::endpointsNeedToken()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    QFETCH(QString, token);
    TestHttp http(m_server.baseUrl());
    http.setToken(token);
    const auto reply = method == "GET"    ? http.get(path)
                       : method == "POST" ? http.post(path, "{}")
                                          : http.del(path);
    QCOMPARE(reply.status, 401);
    QVERIFY(!reply.error().isEmpty());
}

QTEST_GUILESS_MAIN(tst_ServerSignIn)
#include "tst_ServerSignIn.moc"
