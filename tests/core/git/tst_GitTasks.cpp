// The awaitable forms: values come back on the awaiting thread, GitError is rethrown there.
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <QCoro/QCoroTask>

#include "GitFixture.h"
#include "core/git/GitError.h"
#include "core/git/GitTasks.h"

namespace {

// QCoro::waitFor never returns when the task throws, so the error is caught inside.
template<typename T>
QCoro::Task<QString> outcome(QCoro::Task<T> task)
{
    try {
        co_await std::move(task);
    } catch (const GitError &error) {
        co_return error.message();
    }
    co_return u"ok"_qs;
}

struct Resumed {
    QString head;
    QThread *thread = nullptr;
};

QCoro::Task<Resumed> headAndThread(QString repo)
{
    Resumed resumed;
    resumed.head = co_await GitTasks::headCommit(repo);
    resumed.thread = QThread::currentThread();
    co_return resumed;
}

} // namespace

class tst_GitTasks : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_emptyConfig.isValid() && m_dir.isValid());
        GitFixture::isolateConfiguration(m_emptyConfig.path());
        m_repo = m_dir.path() + u"/repo"_qs;
        QVERIFY(GitFixture::init(m_repo));
        QVERIFY(GitFixture::writeFile(m_repo, u"a.md"_qs, "a\n"));
        m_head = GitFixture::commitAll(m_repo, u"First"_qs, 1772353800, 0);
        QVERIFY(!m_head.isEmpty());
    }

    void valuesComeBackOnTheAwaitingThread()
    {
        const Resumed resumed = QCoro::waitFor(headAndThread(m_repo));
        QCOMPARE(resumed.head, m_head);
        QCOMPARE(resumed.thread, QThread::currentThread());
        QCOMPARE(QCoro::waitFor(GitTasks::logNumstat(1, m_repo)),
                 u"2026-03-01T08:30:00Z\tFirst\n1\t0\ta.md"_qs);
        QCOMPARE(QCoro::waitFor(GitTasks::tags(u"*"_qs, m_repo)), QStringList());
    }

    void workRunsInTurn()
    {
        QVERIFY(GitFixture::writeFile(m_repo, u"b.md"_qs, "b\n"));
        QCOMPARE(QCoro::waitFor(GitTasks::statusPaths(m_repo)), QSet<QString>{u"b.md"_qs});
        QCOMPARE(QCoro::waitFor(outcome(GitTasks::addAll(m_repo))), u"ok"_qs);
        QCOMPARE(QCoro::waitFor(outcome(GitTasks::commit(u"Second"_qs, m_repo))), u"ok"_qs);
        QCOMPARE(QCoro::waitFor(outcome(GitTasks::createTag(u"v1"_qs, m_repo))), u"ok"_qs);
        QCOMPARE(QCoro::waitFor(GitTasks::tags(u"v*"_qs, m_repo)), QStringList{u"v1"_qs});
        QVERIFY(QCoro::waitFor(GitTasks::headCommit(m_repo)) != m_head);
    }

    void gitErrorsAreRethrown()
    {
        const QString missing = m_dir.path() + u"/missing"_qs;
        const QString prefix = u"git open "_qs + missing + u": "_qs;
        QVERIFY(QCoro::waitFor(outcome(GitTasks::addAll(missing))).startsWith(prefix));
        QVERIFY(QCoro::waitFor(outcome(GitTasks::headCommit(missing))).startsWith(prefix));
        QVERIFY(QCoro::waitFor(outcome(GitTasks::fastForwardFromOrigin(m_repo)))
                    .startsWith(u"git fetch (remote): "_qs));
        QVERIFY(QCoro::waitFor(outcome(GitTasks::push(u"HEAD:refs/heads/main"_qs, m_repo)))
                    .startsWith(u"git push (remote): "_qs));
        QVERIFY(QCoro::waitFor(outcome(GitTasks::clone(missing, m_dir.path() + u"/c"_qs)))
                    .startsWith(u"git clone "_qs + missing + u": "_qs));
        QCOMPARE(QCoro::waitFor(GitTasks::statusPaths(missing)), QSet<QString>());
    }

private:
    QTemporaryDir m_emptyConfig;
    QTemporaryDir m_dir;
    QString m_repo;
    QString m_head;
};

QTEST_GUILESS_MAIN(tst_GitTasks)
#include "tst_GitTasks.moc"
