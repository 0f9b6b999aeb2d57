// The update feed of the client's updater.
#include <QtTest>

#include "TestHttp.h"
#include "support/ServerProcess.h"

class tst_ServerUpdate : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void feed_data();
    void feed();

private:
    ServerProcess m_server;
};

void tst_ServerUpdate::initTestCase()
{
    QVERIFY2(m_server.start({u"--latest-version"_qs, u"1.4.0"_qs}),
             qPrintable(m_server.errorString()));
}

void tst_ServerUpdate::feed_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("status");
    QTest::newRow("older patch") << u"platform=linux&version=1.3.9"_qs << 200;
    QTest::newRow("older, compared as numbers") << u"platform=linux&version=1.10"_qs << 204;
    QTest::newRow("much older") << u"platform=linux&version=0.9"_qs << 200;
    QTest::newRow("current") << u"platform=linux&version=1.4.0"_qs << 204;
    QTest::newRow("current, short form") << u"platform=linux&version=1.4"_qs << 204;
    QTest::newRow("newer") << u"platform=linux&version=2.0.0"_qs << 204;
    QTest::newRow("no version") << u"platform=linux"_qs << 400;
    QTest::newRow("no platform") << u"version=1.0.0"_qs << 400;
    QTest::newRow("version not numeric") << u"platform=linux&version=latest"_qs << 400;
    QTest::newRow("version with suffix") << u"platform=linux&version=1.0-beta"_qs << 400;
    QTest::newRow("other platform") << u"platform=mac&version=1.0.0"_qs << 404;
}

void tst_ServerUpdate::feed()
{
    QFETCH(QString, query);
    QFETCH(int, status);
    const auto reply = TestHttp(m_server.baseUrl()).get(u"v1/app/update?"_qs + query);
    QCOMPARE(reply.status, status);
    if (status == 200) {
        const QJsonObject feed = reply.json();
        QCOMPARE(feed.value(u"version"_qs).toString(), u"1.4.0"_qs);
        QVERIFY(QUrl(feed.value(u"url"_qs).toString()).isValid());
        QVERIFY(feed.value(u"url"_qs).toString().startsWith(u"http://127.0.0.1:"_qs));
        QVERIFY(!feed.value(u"notes"_qs).toString().isEmpty());
    } else if (status == 204) {
        QVERIFY(reply.body.isEmpty());
    } else {
        QVERIFY(!reply.error().isEmpty());
    }
}

QTEST_GUILESS_MAIN(tst_ServerUpdate)
#include "tst_ServerUpdate.moc"
