// logNumstat over a small history with fixed commit times: header lines, numstat lines,
// merges, binaries, limits.
#include <QTemporaryDir>
#include <QtTest>

#include "GitFixture.h"
#include "core/git/GitClient.h"
#include "core/git/GitError.h"

class tst_GitClientHistory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void limitBelowOneIsEmpty_data();
    void limitBelowOneIsEmpty();
    void wholeHistoryIsExact();
    void limitCountsCommitsNotLines();
    void unbornHeadFails();

private:
    QTemporaryDir m_emptyConfig;
    QTemporaryDir m_dir;
    QString m_repo;
    QString m_expected;
};

// History, oldest first:
//   root   (+01:00)  adds script.md (3 lines), old.txt (1 line) and a binary image
//   side   (-05:00)  on a branch off root: adds side.md
//   edit   (Z)       on main: changes one line of script.md, deletes old.txt
//   merge  (+05:30)  merges side into main
void tst_GitClientHistory::initTestCase()
{
    QVERIFY(m_emptyConfig.isValid() && m_dir.isValid());
    GitFixture::isolateConfiguration(m_emptyConfig.path());
    m_repo = m_dir.path() + u"/repo";
    QVERIFY(GitFixture::init(m_repo));

    QVERIFY(GitFixture::writeFile(m_repo, u"script.md"_qs, "INT. DOCK\nMara waits.\nRain.\n"));
    QVERIFY(GitFixture::writeFile(m_repo, u"old.txt"_qs, "old\n"));
    QVERIFY(GitFixture::writeFile(m_repo, u"art/plate.png"_qs,
                                  QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
    const QString root =
        GitFixture::commitAll(m_repo, u"Start the pilot\n\nWith a body."_qs, 1772353800, 60);
    QVERIFY(!root.isEmpty());

    QVERIFY(GitFixture::writeFile(m_repo, u"side.md"_qs, "a\nb\n"));
    const QString side = GitFixture::commitAll(m_repo, u"Side\nnotes"_qs, 1772357400, -300, {root},
                                               "refs/heads/side");
    QVERIFY(!side.isEmpty());
    QVERIFY(QFile::remove(m_repo + u"/side.md"_qs));

    QVERIFY(GitFixture::writeFile(m_repo, u"script.md"_qs, "INT. DOCK\nMara runs.\nRain.\n"));
    QVERIFY(QFile::remove(m_repo + u"/old.txt"_qs));
    const QString edit = GitFixture::commitAll(m_repo, u"Mara runs"_qs, 1772361000, 0);
    QVERIFY(!edit.isEmpty());

    QVERIFY(GitFixture::writeFile(m_repo, u"side.md"_qs, "a\nb\n"));
    const QString merge =
        GitFixture::commitAll(m_repo, u"Merge side"_qs, 1772364600, 330, {edit, side});
    QVERIFY(!merge.isEmpty());

    m_expected = u"2026-03-01T17:00:00+05:30\tMerge side\n"
                 u"2026-03-01T10:30:00Z\tMara runs\n"
                 u"0\t1\told.txt\n"
                 u"1\t1\tscript.md\n"
                 u"2026-03-01T04:30:00-05:00\tSide notes\n"
                 u"2\t0\tside.md\n"
                 u"2026-03-01T09:30:00+01:00\tStart the pilot\n"
                 u"-\t-\tart/plate.png\n"
                 u"1\t0\told.txt\n"
                 u"3\t0\tscript.md"_qs;
}

void tst_GitClientHistory::limitBelowOneIsEmpty_data()
{
    QTest::addColumn<int>("limit");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -3;
}

void tst_GitClientHistory::limitBelowOneIsEmpty()
{
    QFETCH(int, limit);
    QCOMPARE(GitClient::logNumstat(limit, m_repo), QString());
}

void tst_GitClientHistory::wholeHistoryIsExact()
{
    QCOMPARE(GitClient::logNumstat(100, m_repo), m_expected);
}

void tst_GitClientHistory::limitCountsCommitsNotLines()
{
    QCOMPARE(GitClient::logNumstat(1, m_repo), u"2026-03-01T17:00:00+05:30\tMerge side"_qs);
    const QStringList lines = m_expected.split(u'\n');
    QCOMPARE(GitClient::logNumstat(2, m_repo), lines.mid(0, 4).join(u'\n'));
    QCOMPARE(GitClient::logNumstat(4, m_repo), m_expected);
}

void tst_GitClientHistory::unbornHeadFails()
{
    const QString empty = m_dir.path() + u"/empty"_qs;
    QVERIFY(GitFixture::init(empty));
    try {
        GitClient::logNumstat(5, empty);
        QFAIL("no error");
    } catch (const GitError &error) {
        QVERIFY2(error.message().startsWith(u"git log: "_qs), qPrintable(error.message()));
    }
}

QTEST_GUILESS_MAIN(tst_GitClientHistory)
#include "tst_GitClientHistory.moc"
