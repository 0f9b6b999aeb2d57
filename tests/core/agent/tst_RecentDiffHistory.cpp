#include <stdexcept>

#include <QTemporaryDir>
#include <QTest>

#include <qcoro/qcorotask.h>

#include "core/agent/RecentDiffHistory.h"

using History = std::optional<QList<DiffCommit>>;

namespace {

const QString twoCommits = u"2026-03-02T10:00:00+01:00\tTighten act two\n"
                           "3\t1\tscript.fountain\n"
                           "-\t-\tcharacters/mara/sheet.png\n"
                           "2026-03-01T09:30:00+01:00\tMerge branch 'notes'\n"_qs;

QCoro::Task<QString> ready(QString text)
{
    co_return text;
}

QCoro::Task<QString> failing()
{
    throw std::runtime_error("not a repository");
    co_return QString();
}

// A clone whose head and log the test sets; counts how often each is read.
struct FakeClone {
    std::optional<QString> head = u"aaa"_qs;
    std::optional<QString> log = twoCommits;
    int headReads = 0;
    int logReads = 0;
    int lastLimit = 0;
    QString lastPath;

    RecentDiffHistory cache()
    {
        return RecentDiffHistory(
            [this](QString path) {
                ++headReads;
                lastPath = path;
                return head ? ready(*head) : failing();
            },
            [this](int limit, QString) {
                ++logReads;
                lastLimit = limit;
                return log ? ready(*log) : failing();
            });
    }
};

History recent(RecentDiffHistory &cache, std::optional<QString> clonePath = u"/clone"_qs)
{
    return QCoro::waitFor(cache.recentDiffHistory(std::move(clonePath)));
}

} // namespace

class tst_RecentDiffHistory : public QObject {
    Q_OBJECT

private slots:
    void readsAndParsesTheLog();
    void cachedUntilTheHeadMoves();
    void absentWithoutClone();
    void absentWhenTheHeadCannotBeRead();
    void failedOrEmptyLogIsAbsentAndCached();
    void lookupOutlivesTheCache();
    void gitTasksOnAFolderThatIsNoClone();
};

void tst_RecentDiffHistory::readsAndParsesTheLog()
{
    FakeClone clone;
    RecentDiffHistory cache = clone.cache();
    const History history = recent(cache);
    QVERIFY(history);
    QCOMPARE(history->size(), 2);
    QCOMPARE(history->at(0).message, u"Tighten act two"_qs);
    QCOMPARE(history->at(0).files.size(), 2);
    QCOMPARE(history->at(1).files.size(), 0); // the merge
    QCOMPARE(clone.lastLimit, 15);
    QCOMPARE(clone.lastPath, u"/clone"_qs);
    QCOMPARE(cache.cachedHead(), u"aaa"_qs);
}

void tst_RecentDiffHistory::cachedUntilTheHeadMoves()
{
    FakeClone clone;
    RecentDiffHistory cache = clone.cache();
    const History first = recent(cache);
    clone.log = u"2026-03-03T08:00:00+01:00\tNew scene\n"_qs;
    QCOMPARE(recent(cache), first);
    QCOMPARE(clone.headReads, 2);
    QCOMPARE(clone.logReads, 1);

    clone.head = u"bbb"_qs;
    const History moved = recent(cache);
    QCOMPARE(clone.logReads, 2);
    QVERIFY(moved);
    QCOMPARE(moved->size(), 1);
    QCOMPARE(moved->at(0).message, u"New scene"_qs);

    cache.clear();
    QCOMPARE(cache.cachedHead(), std::nullopt);
    recent(cache);
    QCOMPARE(clone.logReads, 3);
}

void tst_RecentDiffHistory::absentWithoutClone()
{
    FakeClone clone;
    RecentDiffHistory cache = clone.cache();
    QCOMPARE(recent(cache, std::nullopt), std::nullopt);
    QCOMPARE(clone.headReads, 0);
}

void tst_RecentDiffHistory::absentWhenTheHeadCannotBeRead()
{
    FakeClone clone;
    clone.head.reset();
    RecentDiffHistory cache = clone.cache();
    QCOMPARE(recent(cache), std::nullopt);
    QCOMPARE(clone.logReads, 0);
    QCOMPARE(cache.cachedHead(), std::nullopt);
}

void tst_RecentDiffHistory::failedOrEmptyLogIsAbsentAndCached()
{
    FakeClone clone;
    clone.log.reset();
    RecentDiffHistory cache = clone.cache();
    QCOMPARE(recent(cache), std::nullopt);
    clone.log = twoCommits;
    QCOMPARE(recent(cache), std::nullopt); // same head: the absence is cached
    QCOMPARE(clone.logReads, 1);

    clone.head = u"ccc"_qs;
    clone.log = u"1\t2\tfile before any header\n\n"_qs;
    QCOMPARE(recent(cache), std::nullopt);
    QCOMPARE(cache.cachedHead(), u"ccc"_qs);
}

void tst_RecentDiffHistory::lookupOutlivesTheCache()
{
    FakeClone clone;
    QCoro::Task<History> task = [&] {
        RecentDiffHistory cache = clone.cache();
        return cache.recentDiffHistory(u"/clone"_qs);
    }();
    const History history = QCoro::waitFor(std::move(task));
    QVERIFY(history);
}

void tst_RecentDiffHistory::gitTasksOnAFolderThatIsNoClone()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    RecentDiffHistory cache;
    QCOMPARE(recent(cache, folder.path()), std::nullopt);
}

QTEST_GUILESS_MAIN(tst_RecentDiffHistory)
#include "tst_RecentDiffHistory.moc"
