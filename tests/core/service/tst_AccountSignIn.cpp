// The browser sign-in against the reference service: the login page, its form, the redirect to
// the deep link, the code exchange, the stored token and `me()` with it.

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

#include <qcoro/qcorotask.h>

#include "core/platform/KeychainStore.h"
#include "core/platform/MemorySecretStore.h"
#include "core/service/APIError.h"
#include "core/service/AccountSession.h"
#include "core/service/DeepLinkCenter.h"
#include "core/service/SlateboxAPI.h"
#include "support/ServerProcess.h"

using QStringMap = QMap<QString, QString>;

namespace {

// Waits for a reply started on `reply`, which the caller owns.
void waitFor(QNetworkReply *reply)
{
    if (!reply->isFinished()) {
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(finished.wait(10000));
    }
}

// The fields a browser would post: every input of the page's form with its value, the
// hidden ones included, then the test's own `fill` on top.
QUrlQuery formOf(const QString &page, const QStringMap &fill)
{
    QUrlQuery form;
    static const QRegularExpression input(
        QStringLiteral(R"re(<input[^>]*\bname="([^"]*)"(?:[^>]*\bvalue="([^"]*)")?)re"));
    for (auto match = input.globalMatch(page); match.hasNext();) {
        const QRegularExpressionMatch field = match.next();
        const QString name = field.captured(1);
        if (!fill.contains(name)) {
            form.addQueryItem(name, field.captured(2));
        }
    }
    for (auto item = fill.cbegin(); item != fill.cend(); ++item) {
        form.addQueryItem(item.key(), item.value());
    }
    return form;
}

struct MeOutcome {
    std::optional<AccountUser> user;
    QString error;
    bool refused = false; // an APIError
};

// QCoro::waitFor never returns when the task throws, so errors are caught inside the task. No
// co_await inside braces: GCC 12 mis-compiles it.
QCoro::Task<MeOutcome> fetchMe()
{
    MeOutcome outcome;
    try {
        AccountUser user = co_await SlateboxAPI::current().me();
        outcome.user = std::move(user);
    } catch (const APIError &error) {
        outcome.error = error.message();
        outcome.refused = true;
    } catch (const std::exception &error) {
        outcome.error = QString::fromUtf8(error.what());
    }
    co_return outcome;
}

} // namespace

class tst_AccountSignIn : public QObject {
    Q_OBJECT

private:
    ServerProcess m_server;
    QNetworkAccessManager m_browser;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        QSettings().setValue(QStringLiteral("apiBaseURL"), m_server.baseUrl().toString());
        m_browser.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }

    void init() { KeychainStore::setSecretStore(std::make_shared<MemorySecretStore>()); }

    void roundTrip_data()
    {
        QTest::addColumn<bool>("signUp");
        QTest::addColumn<QStringMap>("fill");
        QTest::addColumn<QString>("slug");
        QTest::addColumn<QString>("displayName");
        QTest::newRow("sign in as demo") << false << QStringMap{} << "demo"
                                         << "Demo Director";
        QTest::newRow("sign up") << true
                                 << QStringMap{{"account", "newcomer"},
                                               {"name", "New Comer"},
                                               {"email", "new@x.test"}}
                                 << "newcomer"
                                 << "New Comer";
    }

    void roundTrip()
    {
        QFETCH(bool, signUp);
        QFETCH(QStringMap, fill);
        QFETCH(QString, slug);
        QFETCH(QString, displayName);

        QList<QUrl> opened;
        AccountSession session([&opened](const QUrl &url) { opened.append(url); });
        QVERIFY(!session.hasCredentials());
        session.signIn(signUp);
        QCOMPARE(opened.size(), 1);

        // The browser: the login page, then its form, answered with the deep link.
        std::unique_ptr<QNetworkReply> page(m_browser.get(QNetworkRequest(opened.first())));
        waitFor(page.get());
        QCOMPARE(page->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        const QString html = QString::fromUtf8(page->readAll());
        QNetworkRequest post(m_server.baseUrl().resolved(QUrl(QStringLiteral("/v1/auth/login"))));
        post.setHeader(QNetworkRequest::ContentTypeHeader,
                       QStringLiteral("application/x-www-form-urlencoded"));
        std::unique_ptr<QNetworkReply> answer(
            m_browser.post(post, formOf(html, fill).toString(QUrl::FullyEncoded).toUtf8()));
        waitFor(answer.get());
        QCOMPARE(answer->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 302);
        const QUrl deepLink(QString::fromUtf8(answer->rawHeader("Location")));
        QCOMPARE(deepLink.scheme(), QStringLiteral("slatebox"));
        QCOMPARE(deepLink.host(), QStringLiteral("auth"));

        // The application hands the link over; the session trades the code for a token.
        DeepLinkCenter::instance().post(deepLink);
        QTRY_VERIFY_WITH_TIMEOUT(!session.isBusy(), 10000);
        QCOMPARE(session.errorMessage(), std::nullopt);
        QVERIFY(session.hasCredentials());
        QVERIFY(session.user().has_value());
        QCOMPARE(session.user()->slug, slug);
        QCOMPARE(session.user()->displayName, std::optional<QString>(displayName));
        const std::optional<QString> token = KeychainStore::deviceToken();
        QVERIFY(token.has_value());

        const MeOutcome me = QCoro::waitFor(fetchMe());
        QCOMPARE(me.error, QString());
        QCOMPARE(me.user, session.user());

        // The code is spent: the same link again, for a new sign-in, is refused by the service.
        session.signIn(false);
        session.handleAuthCallback(deepLink);
        QTRY_VERIFY_WITH_TIMEOUT(!session.isBusy(), 10000);
        QVERIFY(session.errorMessage().has_value());
        QCOMPARE(KeychainStore::deviceToken(), token);
    }

    void meWithoutTokenIsRefused()
    {
        const MeOutcome outcome = QCoro::waitFor(fetchMe());
        QCOMPARE(outcome.user, std::nullopt);
        QVERIFY(outcome.refused);
        QVERIFY(!outcome.error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_AccountSignIn)
#include "tst_AccountSignIn.moc"
