#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

#include <qcoro/qcorotask.h>

#include "core/git/GitClient.h"
#include "core/platform/KeychainStore.h"
#include "core/platform/MemorySecretStore.h"
#include "core/service/AccountSession.h"
#include "core/service/DeepLinkCenter.h"
#include "support/TestResponder.h"

namespace {

const QString tokenAccount = QStringLiteral("device-token");
const QString noMessage = QStringLiteral("<none>");
const QString anyMessage = QStringLiteral("<any>");

const QByteArray userJson = R"({"id":"u1","slug":"mara","email":null,"displayName":"Mara Quinn"})";

QByteArray exchangeAnswer(const QByteArray &token)
{
    return R"({"token":")" + token + R"(","user":)" + userJson + "}";
}

QString messageOf(const AccountSession &session)
{
    return session.errorMessage().value_or(noMessage);
}

} // namespace

class tst_AccountSession : public QObject {
    Q_OBJECT

private:
    std::shared_ptr<MemorySecretStore> m_store;
    std::unique_ptr<TestResponder> m_responder;
    QList<QUrl> m_opened;

    std::unique_ptr<AccountSession> makeSession()
    {
        return std::make_unique<AccountSession>([this](const QUrl &url) { m_opened.append(url); });
    }

    std::optional<QString> storedToken() const
    {
        const std::optional<QByteArray> data =
            m_store->read(KeychainStore::service(), tokenAccount);
        return data ? std::optional<QString>(QString::fromUtf8(*data)) : std::nullopt;
    }

    QJsonObject lastRequestBody() const
    {
        return QJsonDocument::fromJson(m_responder->requests().last().body).object();
    }

private slots:
    void init()
    {
        m_store = std::make_shared<MemorySecretStore>();
        KeychainStore::setSecretStore(m_store);
        m_responder = std::make_unique<TestResponder>();
        QVERIFY(m_responder->listen());
        QSettings().setValue(QStringLiteral("apiBaseURL"), m_responder->url().toString());
        m_opened.clear();
    }

    void cleanup() { QSettings().remove(QStringLiteral("apiBaseURL")); }

    // Observable fields: an equal value notifies nobody, a new one notifies once.
    void propertiesNotifyOnlyOnChange_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("value");
        const AccountUser user{"u1", "mara", std::nullopt, QStringLiteral("Mara")};
        QTest::newRow("user") << QByteArray("user")
                              << QVariant::fromValue(std::optional<AccountUser>(user));
        QTest::newRow("busy") << QByteArray("busy") << QVariant(true);
        QTest::newRow("errorMessage")
            << QByteArray("errorMessage")
            << QVariant::fromValue(std::optional<QString>(QStringLiteral("failed")));
        QTest::newRow("hasCredentials") << QByteArray("hasCredentials") << QVariant(true);
    }

    void propertiesNotifyOnlyOnChange()
    {
        QFETCH(QByteArray, property);
        QFETCH(QVariant, value);
        const auto session = makeSession();
        const QMetaProperty meta =
            session->metaObject()->property(session->metaObject()->indexOfProperty(property));
        QSignalSpy spy(session.get(), meta.notifySignal());
        const QVariant initial = session->property(property);
        QVERIFY(session->setProperty(property, initial));
        QCOMPARE(spy.count(), 0);
        QVERIFY(session->setProperty(property, value));
        QCOMPARE(spy.count(), 1);
        QVERIFY(session->setProperty(property, value));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(session->property(property), value);
    }

    void startsFromTheKeychain()
    {
        QVERIFY(!makeSession()->hasCredentials());
        KeychainStore::saveDeviceToken(QStringLiteral("stored"));
        const auto session = makeSession();
        QVERIFY(session->hasCredentials());
        QVERIFY(!session->isBusy());
        QCOMPARE(session->user(), std::nullopt);
    }

    void verifierAndChallenge()
    {
        const QString first = AccountSession::makeVerifier();
        QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9_-]{43}$")).match(first).hasMatch());
        QVERIFY(first != AccountSession::makeVerifier());
        QCOMPARE(
            AccountSession::challenge(QStringLiteral("abc")),
            QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    }

    void loginUrl_data()
    {
        QTest::addColumn<QUrl>("base");
        QTest::addColumn<bool>("signUp");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sign-in") << QUrl("https://api.x.test") << false
                                 << "https://api.x.test/v1/auth/login?client=mac&challenge=c0ff";
        QTest::newRow("sign-up, hint last")
            << QUrl("https://api.x.test") << true
            << "https://api.x.test/v1/auth/login?client=mac&challenge=c0ff&screen_hint=sign-up";
        QTest::newRow("base with a path")
            << QUrl("https://x.test/api") << false
            << "https://x.test/api/v1/auth/login?client=mac&challenge=c0ff";
    }

    void loginUrl()
    {
        QFETCH(QUrl, base);
        QFETCH(bool, signUp);
        QFETCH(QString, expected);
        QCOMPARE(AccountSession::loginUrl(base, QStringLiteral("c0ff"), signUp).toString(),
                 expected);
    }

    void signInOpensTheBrowserOnce()
    {
        const auto session = makeSession();
        session->setProperty("errorMessage",
                             QVariant::fromValue(std::optional<QString>(QStringLiteral("old"))));
        session->signIn(false);
        QVERIFY(session->isBusy());
        QCOMPARE(session->errorMessage(), std::nullopt);
        session->signIn(true); // busy: no second verifier, no second window
        QCOMPARE(m_opened.size(), 1);
        const QUrl opened = m_opened.first();
        QCOMPARE(opened.path(), QStringLiteral("/v1/auth/login"));
        const QUrlQuery query(opened);
        QCOMPARE(query.queryItems().size(), 2);
        QCOMPARE(query.queryItems().at(0).first, QStringLiteral("client"));
        const QString challenge = query.queryItemValue(QStringLiteral("challenge"));
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{64}$")).match(challenge).hasMatch());

        // The verifier sent with the code is the one the challenge was made from.
        m_responder->enqueue(TestResponder::Response::json(201, exchangeAnswer("tok")));
        session->handleAuthCallback(QUrl(QStringLiteral("slatebox://auth?code=abc")));
        QTRY_VERIFY(!session->isBusy());
        const QString verifier = lastRequestBody().value(u"verifier").toString();
        QCOMPARE(verifier.size(), 43);
        QCOMPARE(AccountSession::challenge(verifier), challenge);
    }

    // One sign-in, then what the deep link and the service make of it.
    void callback_data()
    {
        QTest::addColumn<bool>("signInFirst");
        QTest::addColumn<bool>("cancelFirst");
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("status"); // 0: connection dropped
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("sentCode"); // empty: no exchange request
        QTest::addColumn<bool>("busyAfter");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("token"); // empty: nothing stored

        const QByteArray good = exchangeAnswer("tok-1");
        QTest::newRow("success") << true << false << "slatebox://auth?code=abc" << 201 << good
                                 << "abc" << false << noMessage << "tok-1";
        QTest::newRow("first of two codes")
            << true << false << "slatebox://auth?code=one&code=two" << 201 << good << "one" << false
            << noMessage << "tok-1";
        QTest::newRow("percent-encoded code")
            << true << false << "slatebox://auth?code=a%2Bb%3D" << 201 << good << "a+b=" << false
            << noMessage << "tok-1";
        QTest::newRow("host is not auth") << true << false << "slatebox://open?code=abc" << 201
                                          << good << "" << true << noMessage << "";
        QTest::newRow("no host") << true << false << "slatebox:auth?code=abc" << 201 << good << ""
                                 << true << noMessage << "";
        QTest::newRow("no sign-in waiting") << false << false << "slatebox://auth?code=abc" << 201
                                            << good << "" << false << noMessage << "";
        QTest::newRow("cancelled first") << true << true << "slatebox://auth?code=abc" << 201
                                         << good << "" << false << noMessage << "";
        QTest::newRow("query without code")
            << true << false << "slatebox://auth?state=1" << 201 << good << "" << false
            << "login callback carried no code"
            << "";
        QTest::newRow("code without value")
            << true << false << "slatebox://auth?code" << 201 << good << "" << false
            << "login callback carried no code"
            << "";
        QTest::newRow("no query at all") << true << false << "slatebox://auth" << 201 << good << ""
                                         << false << "login callback carried no code"
                                         << "";
        QTest::newRow("refused with a message")
            << true << false << "slatebox://auth?code=abc" << 400
            << QByteArray(R"({"error":"sign-in code expired"})") << "abc" << false
            << "sign-in code expired"
            << "";
        QTest::newRow("200 is not 201") << true << false << "slatebox://auth?code=abc" << 200
                                        << good << "abc" << false << "API request failed (200)"
                                        << "";
        QTest::newRow("answer missing the user")
            << true << false << "slatebox://auth?code=abc" << 201
            << QByteArray(R"({"token":"tok-1"})") << "abc" << false << anyMessage << "";
        QTest::newRow("connection dropped") << true << false << "slatebox://auth?code=abc" << 0
                                            << QByteArray() << "abc" << false << anyMessage << "";
    }

    void callback()
    {
        QFETCH(bool, signInFirst);
        QFETCH(bool, cancelFirst);
        QFETCH(QString, link);
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QString, sentCode);
        QFETCH(bool, busyAfter);
        QFETCH(QString, message);
        QFETCH(QString, token);

        m_responder->enqueue(status == 0 ? TestResponder::Response::dropped()
                                         : TestResponder::Response::json(status, answer));
        const auto session = makeSession();
        if (signInFirst) {
            session->signIn(false);
        }
        if (cancelFirst) {
            session->cancelSignIn();
        }
        session->handleAuthCallback(QUrl(link));
        if (!sentCode.isEmpty()) {
            QTRY_VERIFY(!session->isBusy());
            QCOMPARE(lastRequestBody().value(u"code").toString(), sentCode);
            QCOMPARE(m_responder->requests().last().path(), QByteArray("/v1/auth/device/exchange"));
        } else {
            QTest::qWait(50);
            QCOMPARE(m_responder->requestCount(), 0);
        }
        QCOMPARE(session->isBusy(), busyAfter);
        if (message == anyMessage) {
            QVERIFY(session->errorMessage().has_value());
            QVERIFY(!session->errorMessage()->isEmpty());
        } else {
            QCOMPARE(messageOf(*session), message);
        }
        QCOMPARE(storedToken().value_or(QString()), token);
        QCOMPARE(session->hasCredentials(), !token.isEmpty());
        QCOMPARE(session->user().has_value(), !token.isEmpty());
        if (!token.isEmpty()) {
            QCOMPARE(session->user()->displayName, std::optional<QString>(u"Mara Quinn"_qs));
            QCOMPARE(KeychainStore::deviceToken(), std::optional<QString>(token));
        }
    }

    void secondCallbackIsIgnored()
    {
        m_responder->enqueue(TestResponder::Response::json(201, exchangeAnswer("tok-1")));
        m_responder->enqueue(TestResponder::Response::json(201, exchangeAnswer("tok-2")));
        const auto session = makeSession();
        session->signIn(false);
        session->handleAuthCallback(QUrl(QStringLiteral("slatebox://auth?code=first")));
        session->handleAuthCallback(QUrl(QStringLiteral("slatebox://auth?code=second")));
        QTRY_VERIFY(!session->isBusy());
        QTest::qWait(50);
        QCOMPARE(m_responder->requestCount(), 1);
        QCOMPARE(storedToken(), std::optional<QString>(QStringLiteral("tok-1")));
    }

    void deepLinkNotificationReachesTheSession()
    {
        m_responder->enqueue(TestResponder::Response::json(201, exchangeAnswer("tok-dl")));
        const auto session = makeSession();
        session->signIn(false);
        DeepLinkCenter::instance().post(QUrl(QStringLiteral("slatebox://auth?code=dl")));
        QTRY_VERIFY(!session->isBusy());
        QCOMPARE(storedToken(), std::optional<QString>(QStringLiteral("tok-dl")));
    }

    void restore_data()
    {
        QTest::addColumn<bool>("credentials");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("userKnown");
        QTest::newRow("signed out: no request") << false << 200 << QByteArray() << false;
        QTest::newRow("me answers") << true << 200 << "{\"user\":" + userJson + "}" << true;
        QTest::newRow("token refused")
            << true << 401 << QByteArray(R"({"error":"bad token"})") << false;
        QTest::newRow("broken answer")
            << true << 200 << QByteArray(R"({"user":{"id":1}})") << false;
    }

    void restore()
    {
        QFETCH(bool, credentials);
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(bool, userKnown);
        if (credentials) {
            KeychainStore::saveDeviceToken(QStringLiteral("tok-r"));
        }
        m_responder->enqueue(TestResponder::Response::json(status, answer));
        GitClient::setFallbackIdentity(QStringLiteral("before"), QStringLiteral("b@x.test"));
        const auto session = makeSession();
        QCoro::waitFor(session->restore());
        QCOMPARE(m_responder->requestCount(), credentials ? 1 : 0);
        if (credentials) {
            QCOMPARE(m_responder->requests().first().header("Authorization"),
                     std::optional<QByteArray>("Bearer tok-r"));
        }
        QCOMPARE(session->user().has_value(), userKnown);
        QCOMPARE(session->hasCredentials(), credentials);
        QCOMPARE(session->errorMessage(), std::nullopt);
        QCOMPARE(GitClient::fallbackIdentity().name,
                 userKnown ? QStringLiteral("Mara Quinn") : QStringLiteral("before"));
    }

    void signOutForgetsTokenAndUser()
    {
        KeychainStore::saveDeviceToken(QStringLiteral("tok-s"));
        m_responder->enqueue(TestResponder::Response::json(200, "{\"user\":" + userJson + "}"));
        const auto session = makeSession();
        QCoro::waitFor(session->restore());
        QVERIFY(session->user().has_value());
        session->signOut();
        QCOMPARE(session->user(), std::nullopt);
        QVERIFY(!session->hasCredentials());
        QCOMPARE(storedToken(), std::nullopt);
        QCOMPARE(KeychainStore::deviceToken(), std::nullopt);
        QCOMPARE(GitClient::fallbackIdentity().name, QStringLiteral("Mara Quinn"));
    }

    void gitIdentity_data()
    {
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("email");
        QTest::newRow("name and e-mail")
            << QByteArray(R"({"id":"1","slug":"ada","email":"ada@x.test","displayName":"Ada L"})")
            << "Ada L"
            << "ada@x.test";
        QTest::newRow("neither: the slug and the service's domain")
            << QByteArray(R"({"id":"1","slug":"ada"})") << "ada"
            << "ada@" + AccountSession::emailDomain();
    }

    void gitIdentity()
    {
        QFETCH(QByteArray, user);
        QFETCH(QString, name);
        QFETCH(QString, email);
        KeychainStore::saveDeviceToken(QStringLiteral("tok-g"));
        m_responder->enqueue(TestResponder::Response::json(200, "{\"user\":" + user + "}"));
        const auto session = makeSession();
        QCoro::waitFor(session->restore());
        QCOMPARE(GitClient::fallbackIdentity(), (GitIdentity{name, email}));
    }
};

QTEST_GUILESS_MAIN(tst_AccountSession)
#include "tst_AccountSession.moc"
