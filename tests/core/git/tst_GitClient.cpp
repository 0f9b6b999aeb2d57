#include <QtConcurrent>
#include <QtTest>

#include "core/git/GitClient.h"

class tst_GitClient : public QObject {
    Q_OBJECT

private slots:
    // Runs first: the process has not set an identity yet.
    void fallbackIdentityDefaultsToSlatebox()
    {
        const GitIdentity identity = GitClient::fallbackIdentity();
        QCOMPARE(identity.name, QStringLiteral("Slatebox"));
        QVERIFY(identity.email.startsWith(QStringLiteral("no-reply@")));
        QVERIFY(!identity.email.endsWith(QLatin1Char('@')));
    }

    void fallbackIdentityKeepsTheLastPair()
    {
        GitClient::setFallbackIdentity(QStringLiteral("Mara Quinn"), QStringLiteral("mara@x.test"));
        GitClient::setFallbackIdentity(QStringLiteral("Ada"), QStringLiteral("ada@x.test"));
        QCOMPARE(GitClient::fallbackIdentity(),
                 (GitIdentity{QStringLiteral("Ada"), QStringLiteral("ada@x.test")}));
    }

    // Writers on worker threads while this thread reads: a read never mixes two pairs.
    void fallbackIdentityIsNeverTorn()
    {
        std::atomic<bool> stop = false;
        QList<QFuture<void>> writers;
        for (int writer = 0; writer < 3; ++writer) {
            writers.append(QtConcurrent::run([&stop, writer] {
                for (int round = 0; !stop; ++round) {
                    const QString tag = QString::number(writer) + u'-' + QString::number(round);
                    GitClient::setFallbackIdentity(u"name " + tag, tag + u"@x.test");
                }
            }));
        }
        bool consistent = true;
        for (int read = 0; read < 20000 && consistent; ++read) {
            const GitIdentity identity = GitClient::fallbackIdentity();
            consistent = identity.email == identity.name.mid(5) + u"@x.test" ||
                         identity.name == QStringLiteral("Ada");
        }
        stop = true;
        for (QFuture<void> &writer : writers) {
            writer.waitForFinished();
        }
        QVERIFY(consistent);
    }
};

QTEST_GUILESS_MAIN(tst_GitClient)
#include "tst_GitClient.moc"
