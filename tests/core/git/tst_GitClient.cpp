// The local operations of GitClient on scratch repositories: identity, staging, status,
// commits, tags, HEAD, show and the commit-time format.
#include <functional>

#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtTest>

#include "GitFixture.h"
#include "core/git/GitClient.h"
#include "core/git/GitError.h"

namespace {

using GitFixture::failureOf;

} // namespace

class tst_GitClient : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_emptyConfig.isValid());
        GitFixture::isolateConfiguration(m_emptyConfig.path());
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_repo = m_dir->path() + u"/repo";
    }

    // Runs first: the process has not set an identity yet.
    void fallbackIdentityDefaultsToSlatebox()
    {
        const GitIdentity identity = GitClient::fallbackIdentity();
        QCOMPARE(identity.name, QStringLiteral("Slatebox"));
        QVERIFY(identity.email.startsWith(QStringLiteral("no-reply@")));
        QVERIFY(!identity.email.endsWith(QLatin1Char('@')));
    }

    // Still before any identity is set: a repository without user config commits as the
    // built-in identity. Its first commit has no parent and creates the branch HEAD names.
    void firstCommitWithoutIdentityUsesTheBuiltInOne()
    {
        QVERIFY(GitFixture::init(m_repo));
        QVERIFY(GitFixture::writeFile(m_repo, u"a.txt"_qs, "one\n"));
        QVERIFY(GitFixture::revisionId(m_repo, u"refs/heads/main"_qs).isEmpty());
        GitClient::addAll(m_repo);
        GitClient::commit(u"First"_qs, m_repo);

        const GitFixture::CommitInfo info = GitFixture::commitInfo(m_repo);
        QCOMPARE(info.parents, 0);
        QCOMPARE(info.author, u"Slatebox"_qs);
        QCOMPARE(info.email, GitClient::fallbackIdentity().email);
        QCOMPARE(info.message, u"First"_qs);
        QCOMPARE(GitFixture::headName(m_repo), u"refs/heads/main"_qs);
        QCOMPARE(GitFixture::revisionId(m_repo, u"refs/heads/main"_qs),
                 GitClient::headCommit(m_repo));
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

    // The fallback pair signs commits until the repository has an identity of its own; every
    // later commit has HEAD's commit as its one parent.
    void commitPrefersTheRepositoryIdentity()
    {
        GitClient::setFallbackIdentity(u"Mara Quinn"_qs, u"mara@x.test"_qs);
        QVERIFY(GitFixture::init(m_repo));
        QVERIFY(GitFixture::writeFile(m_repo, u"a.txt"_qs, "one\n"));
        GitClient::addAll(m_repo);
        GitClient::commit(u"By the fallback"_qs, m_repo);
        GitFixture::CommitInfo info = GitFixture::commitInfo(m_repo);
        QCOMPARE(info.author, u"Mara Quinn"_qs);
        QCOMPARE(info.email, u"mara@x.test"_qs);
        const QString first = GitClient::headCommit(m_repo);

        QVERIFY(GitFixture::setConfig(m_repo, "user.name", u"Repo Owner"_qs));
        QVERIFY(GitFixture::setConfig(m_repo, "user.email", u"owner@x.test"_qs));
        QVERIFY(GitFixture::writeFile(m_repo, u"a.txt"_qs, "two\n"));
        GitClient::addAll(m_repo);
        GitClient::commit(u"By the owner"_qs, m_repo);
        info = GitFixture::commitInfo(m_repo);
        QCOMPARE(info.author, u"Repo Owner"_qs);
        QCOMPARE(info.parents, 1);
        QCOMPARE(GitFixture::revisionId(m_repo, u"HEAD~1"_qs), first);
    }

    // A plain folder is no repository: every operation fails at the opening step with the
    // folder's path, except statusPaths, which answers an empty set.
    void operationsOutsideARepositoryFailAtOpen()
    {
        QVERIFY(GitFixture::writeFile(m_repo, u"a.txt"_qs, "one\n"));
        QCOMPARE(GitClient::statusPaths(m_repo), QSet<QString>());
        QCOMPARE(GitClient::statusPaths(m_dir->path() + u"/missing"_qs), QSet<QString>());

        const QString prefix = u"git open "_qs + m_repo + u": "_qs;
        const QList<std::pair<const char *, std::function<void()>>> operations{
            {"addAll", [this] { GitClient::addAll(m_repo); }},
            {"commit", [this] { GitClient::commit(u"x"_qs, m_repo); }},
            {"push", [this] { GitClient::push(u"HEAD:refs/heads/main"_qs, m_repo); }},
            {"createTag", [this] { GitClient::createTag(u"v1"_qs, m_repo); }},
            {"tags", [this] { GitClient::tags(u"*"_qs, m_repo); }},
            {"headCommit", [this] { GitClient::headCommit(m_repo); }},
            {"show", [this] { GitClient::show(u"HEAD:a.txt"_qs, m_repo); }},
            {"logNumstat", [this] { GitClient::logNumstat(5, m_repo); }},
            {"fastForward", [this] { GitClient::fastForwardFromOrigin(m_repo); }},
        };
        for (const auto &[name, operation] : operations) {
            const QString message = failureOf(operation);
            QVERIFY2(message.startsWith(prefix) && message.size() > prefix.size(),
                     qPrintable(QString::fromLatin1(name) + u": "_qs + message));
        }
        // The library's text is there, not a bare code (it has one for a missing repository).
        QVERIFY(!failureOf([this] { GitClient::addAll(m_repo); }).endsWith(u"error -3"_qs));
    }

    // Staged changes win over unstaged ones; untracked folders are listed file by file;
    // deletions are staged by addAll; a clean tree lists nothing.
    void statusPathsAndAddAll()
    {
        QVERIFY(GitFixture::init(m_repo));
        QVERIFY(GitFixture::writeFile(m_repo, u"keep.txt"_qs, "keep\n"));
        QVERIFY(GitFixture::writeFile(m_repo, u"edit.txt"_qs, "before\n"));
        QVERIFY(GitFixture::writeFile(m_repo, u"gone.txt"_qs, "bye\n"));
        QVERIFY(!GitFixture::commitAll(m_repo, u"base"_qs, 1772353800, 0).isEmpty());
        QCOMPARE(GitClient::statusPaths(m_repo), QSet<QString>());

        QVERIFY(GitFixture::writeFile(m_repo, u"edit.txt"_qs, "after\n"));
        QVERIFY(QFile::remove(m_repo + u"/gone.txt"_qs));
        QVERIFY(GitFixture::writeFile(m_repo, u"new/deep/shot.yaml"_qs, "id: s1\n"));
        QVERIFY(GitFixture::writeFile(m_repo, u"naïve café.md"_qs, "x\n"));
        const QSet<QString> changed{u"edit.txt"_qs, u"gone.txt"_qs, u"new/deep/shot.yaml"_qs,
                                    u"naïve café.md"_qs};
        QCOMPARE(GitClient::statusPaths(m_repo), changed);

        GitClient::addAll(m_repo);
        QCOMPARE(GitClient::statusPaths(m_repo), changed);
        GitClient::commit(u"Changes"_qs, m_repo);
        QCOMPARE(GitClient::statusPaths(m_repo), QSet<QString>());
        QVERIFY(failureOf([this] {
                    GitClient::show(u"HEAD:gone.txt"_qs, m_repo);
                }).startsWith(u"git show HEAD:gone.txt: "_qs));
        QCOMPARE(GitClient::show(u"HEAD:edit.txt"_qs, m_repo), u"after\n"_qs);
        QCOMPARE(GitClient::show(u"HEAD:new/deep/shot.yaml"_qs, m_repo), u"id: s1\n"_qs);
    }

    void headCommitIsFortyLowerCaseHexDigits()
    {
        QVERIFY(GitFixture::init(m_repo));
        QVERIFY(failureOf([this] {
                    GitClient::headCommit(m_repo);
                }).startsWith(u"git rev-parse HEAD: "_qs));
        QVERIFY(GitFixture::writeFile(m_repo, u"a.txt"_qs, "one\n"));
        const QString id = GitFixture::commitAll(m_repo, u"base"_qs, 1772353800, 0);
        const QString head = GitClient::headCommit(m_repo);
        QCOMPARE(head, id);
        QVERIFY(QRegularExpression(u"^[0-9a-f]{40}$"_qs).match(head).hasMatch());
    }

    void tagsAreCreatedOnceAndListedByGlob()
    {
        QVERIFY(GitFixture::init(m_repo));
        QVERIFY(failureOf([this] {
                    GitClient::createTag(u"v0"_qs, m_repo);
                }).startsWith(u"git tag v0: "_qs));
        QVERIFY(GitFixture::writeFile(m_repo, u"a.txt"_qs, "one\n"));
        const QString id = GitFixture::commitAll(m_repo, u"base"_qs, 1772353800, 0);
        QCOMPARE(GitClient::tags(u"*"_qs, m_repo), QStringList());
        for (const QString &name :
             {u"ship/pilot-2"_qs, u"ship/pilot-1"_qs, u"ship/finale-1"_qs, u"release"_qs}) {
            GitClient::createTag(name, m_repo);
        }
        QCOMPARE(GitFixture::revisionId(m_repo, u"refs/tags/ship/pilot-1"_qs), id);

        const QString again =
            failureOf([this] { GitClient::createTag(u"ship/pilot-1"_qs, m_repo); });
        QVERIFY2(again.startsWith(u"git tag ship/pilot-1: "_qs), qPrintable(again));
        QVERIFY(failureOf([this] {
                    GitClient::createTag(u"bad..name"_qs, m_repo);
                }).startsWith(u"git tag bad..name: "_qs));

        QStringList pilots = GitClient::tags(u"ship/pilot*"_qs, m_repo);
        pilots.sort();
        QCOMPARE(pilots, (QStringList{u"ship/pilot-1"_qs, u"ship/pilot-2"_qs}));
        QCOMPARE(GitClient::tags(u"ship/*"_qs, m_repo).size(), 3);
        QCOMPARE(GitClient::tags(u"*"_qs, m_repo).size(), 4);
        QCOMPARE(GitClient::tags(u"ship/pilot"_qs, m_repo), QStringList());
    }

    void showReadsAFileAtARevision_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QByteArray("Mara walks in.\n") << u"Mara walks in.\n"_qs;
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9 \xf0\x9f\x8e\xac")
                               << QString::fromUtf8("caf\xc3\xa9 \xf0\x9f\x8e\xac");
        QTest::newRow("invalid byte") << QByteArray("a\xff"
                                                    "b")
                                      << u"a\uFFFDb"_qs;
        QTest::newRow("lone continuation") << QByteArray("\x80x") << u"\uFFFDx"_qs;
        QTest::newRow("nul kept") << QByteArray("a\0b", 3) << QString::fromUtf16(u"a\0b", 3);
    }

    void showReadsAFileAtARevision()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QVERIFY(GitFixture::init(m_repo));
        QVERIFY(GitFixture::writeFile(m_repo, u"notes/file.md"_qs, bytes));
        QVERIFY(!GitFixture::commitAll(m_repo, u"base"_qs, 1772353800, 0).isEmpty());
        // The working tree is not what show reads.
        QVERIFY(GitFixture::writeFile(m_repo, u"notes/file.md"_qs, "changed since"));
        const QString shown = GitClient::show(u"HEAD:notes/file.md"_qs, m_repo);
        QCOMPARE(shown, text);
    }

    void showFailsForWhatIsNotAFile()
    {
        QVERIFY(GitFixture::init(m_repo));
        QVERIFY(GitFixture::writeFile(m_repo, u"notes/file.md"_qs, "x\n"));
        QVERIFY(!GitFixture::commitAll(m_repo, u"base"_qs, 1772353800, 0).isEmpty());

        const QString missing =
            failureOf([this] { GitClient::show(u"HEAD:notes/no.md"_qs, m_repo); });
        QVERIFY2(missing.startsWith(u"git show HEAD:notes/no.md: "_qs), qPrintable(missing));
        QVERIFY(!missing.endsWith(u"not a file"_qs));
        QCOMPARE(failureOf([this] { GitClient::show(u"HEAD:notes"_qs, m_repo); }),
                 u"git show HEAD:notes: not a file"_qs);
        QCOMPARE(failureOf([this] { GitClient::show(u"HEAD"_qs, m_repo); }),
                 u"git show HEAD: not a file"_qs);
    }

    void isoDateWritesTheCommitsOwnZone_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("text");
        QTest::newRow("epoch, zero offset is Z") << qint64(0) << 0 << u"1970-01-01T00:00:00Z"_qs;
        QTest::newRow("east") << qint64(1772353800) << 60 << u"2026-03-01T09:30:00+01:00"_qs;
        QTest::newRow("west") << qint64(1772353800) << -300 << u"2026-03-01T03:30:00-05:00"_qs;
        QTest::newRow("half hour") << qint64(1772353800) << 330 << u"2026-03-01T14:00:00+05:30"_qs;
        QTest::newRow("west across midnight")
            << qint64(1772325000) << -90 << u"2026-02-28T23:00:00-01:30"_qs;
        QTest::newRow("east into a leap day's morrow")
            << qint64(1709247600) << 60 << u"2024-03-01T00:00:00+01:00"_qs;
        QTest::newRow("far east") << qint64(1772353800) << 840 << u"2026-03-01T22:30:00+14:00"_qs;
        QTest::newRow("before 1970") << qint64(-1) << 0 << u"1969-12-31T23:59:59Z"_qs;
    }

    void isoDateWritesTheCommitsOwnZone()
    {
        QFETCH(qint64, seconds);
        QFETCH(int, offset);
        QFETCH(QString, text);
        QCOMPARE(GitClient::isoDate(seconds, offset), text);
    }

    // Times no calendar holds (a corrupt commit) give an empty text, never a crash.
    void isoDateOutOfRangeIsEmpty()
    {
        QCOMPARE(GitClient::isoDate(std::numeric_limits<qint64>::max(), 60), QString());
        QCOMPARE(GitClient::isoDate(std::numeric_limits<qint64>::min(), -60), QString());
    }

private:
    QTemporaryDir m_emptyConfig;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_repo;
};

QTEST_GUILESS_MAIN(tst_GitClient)
#include "tst_GitClient.moc"
