// Where the device token may go: https anywhere, plain http only to this machine.
#include <QtTest>

#include "core/git/GitRemoteCallbacks.h"

class tst_GitRemoteCallbacks : public QObject {
    Q_OBJECT

private slots:
    void tokenGoesOnlyWhereItCannotBeReadInClear_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("https") << u"https://git.slatebox.app/acme/pilot.git"_qs << true;
        QTest::newRow("HTTPS upper case") << u"HTTPS://git.slatebox.app/a.git"_qs << true;
        QTest::newRow("http loopback") << u"http://127.0.0.1:8787/git/a/b.git"_qs << true;
        QTest::newRow("http 127/8") << u"http://127.42.0.9/git/a/b.git"_qs << true;
        QTest::newRow("http localhost") << u"http://localhost:8787/git/a/b.git"_qs << true;
        QTest::newRow("http LocalHost") << u"http://LocalHost/a.git"_qs << true;
        QTest::newRow("http ::1") << u"http://[::1]:8787/git/a/b.git"_qs << true;
        QTest::newRow("http remote name") << u"http://git.slatebox.app/a.git"_qs << false;
        QTest::newRow("http private address") << u"http://192.168.1.20:8787/a.git"_qs << false;
        QTest::newRow("http 128.0.0.1") << u"http://128.0.0.1/a.git"_qs << false;
        QTest::newRow("loopback-looking name") << u"http://127.0.0.1.example.com/a.git"_qs << false;
        QTest::newRow("localhost subdomain") << u"http://localhost.example.com/a.git"_qs << false;
        QTest::newRow("user info trick") << u"http://127.0.0.1@example.com/a.git"_qs << false;
        QTest::newRow("http ipv6 remote") << u"http://[2001:db8::1]/a.git"_qs << false;
        QTest::newRow("ssh") << u"ssh://git@example.com/a.git"_qs << false;
        QTest::newRow("git") << u"git://127.0.0.1/a.git"_qs << false;
        QTest::newRow("file") << u"file:///tmp/a.git"_qs << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("garbage") << u"http://[::1/a"_qs << false;
    }

    void tokenGoesOnlyWhereItCannotBeReadInClear()
    {
        QFETCH(QString, url);
        QFETCH(bool, allowed);
        QCOMPARE(GitRemoteCallbacks::mayReceiveToken(url), allowed);
    }
};

QTEST_GUILESS_MAIN(tst_GitRemoteCallbacks)
#include "tst_GitRemoteCallbacks.moc"
