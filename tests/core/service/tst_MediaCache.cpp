#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include "core/service/MediaCache.h"
#include "support/TestResponder.h"

namespace {

constexpr qint64 GiB = 1024LL * 1024 * 1024;

// A file of `size` bytes that takes no room on disk, last modified `age` seconds before now.
void sparseFile(const QString &path, qint64 size, int age)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(size));
    QVERIFY(file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-age),
                             QFileDevice::FileModificationTime));
}

QStringList cached()
{
    return QDir(MediaCache::directory()).entryList(QDir::Files, QDir::Name);
}

TestResponder::Response slowVideo()
{
    TestResponder::Response response;
    response.headers = {{"Content-Type", "video/mp4"}};
    response.pieces = {{"part one,", 50}, {"part two", 150}};
    return response;
}

} // namespace

class tst_MediaCache : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void fileNames_data();
    void fileNames();
    void unsafeAddressNeverCached();
    void concurrentCallsDownloadOnce();
    void existingFileIsNotDownloadedButFirstCallTrims();
    void failedDownloadLeavesNothing_data();
    void failedDownloadLeavesNothing();
    void trim_data();
    void trim();
    void trimWithoutFolder();
};

void tst_MediaCache::initTestCase()
{
    // CTest points XDG_CACHE_HOME into the test's own throwaway home.
    QVERIFY(MediaCache::directory().endsWith(u"/Slatebox/cas"_qs));
    QVERIFY(MediaCache::directory().startsWith(qEnvironmentVariable("XDG_CACHE_HOME")));
}

void tst_MediaCache::init()
{
    QDir(MediaCache::directory()).removeRecursively();
    MediaCache::resetForTesting();
}

void tst_MediaCache::fileNames_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name"); // empty: never cached
    QTest::newRow("algorithm and digest") << u"sha256:ab12"_qs << u"ab12.mp4"_qs;
    QTest::newRow("no colon") << u"ab12"_qs << u"ab12.mp4"_qs;
    QTest::newRow("three parts") << u"a:b:c"_qs << u"c.mp4"_qs;
    QTest::newRow("trailing colon") << u"sha256:ab12:"_qs << u"ab12.mp4"_qs;
    QTest::newRow("leading colons") << u"::ab12"_qs << u"ab12.mp4"_qs;
    QTest::newRow("dot dot") << u"sha256:.."_qs << QString();
    QTest::newRow("dot") << u"."_qs << QString();
    QTest::newRow("slash") << u"sha256:../../etc/x"_qs << QString();
    QTest::newRow("absolute") << u"sha256:/tmp/x"_qs << QString();
    QTest::newRow("backslash") << u"sha256:a\\b"_qs << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("only colons") << u":::"_qs << QString();
    QTest::newRow("dot dot dot is a name") << u"sha256:..."_qs << u"....mp4"_qs;
}

void tst_MediaCache::fileNames()
{
    QFETCH(QString, address);
    QFETCH(QString, name);
    const std::optional<QString> path = MediaCache::filePath(address);
    if (name.isEmpty()) {
        QVERIFY(!path);
        return;
    }
    QCOMPARE(path.value_or(QString()), MediaCache::directory() + u'/' + name);
}

void tst_MediaCache::unsafeAddressNeverCached()
{
    TestResponder responder;
    QVERIFY(responder.listen());
    responder.setHandler([](const auto &) { return TestResponder::Response::json(200, "x"); });

    // A file sits where the unsafe address would point: it must still not be found.
    QVERIFY(QDir().mkpath(MediaCache::directory()));
    const QString outside = QFileInfo(MediaCache::directory()).path() + u"/escape.mp4"_qs;
    QFile(outside).open(QIODevice::WriteOnly);
    QVERIFY(!MediaCache::localURL(u"sha256:../escape"_qs));

    QCoro::waitFor(MediaCache::ensureCached(u"sha256:../escape"_qs, responder.url(u"/v"_qs)));
    QCoro::waitFor(MediaCache::ensureCached(u"sha256:.."_qs, responder.url(u"/v"_qs)));
    QCOMPARE(responder.requestCount(), 0);
    QVERIFY(cached().isEmpty());
    QCOMPARE(QFileInfo(outside).size(), 0);
}

void tst_MediaCache::concurrentCallsDownloadOnce()
{
    TestResponder responder;
    QVERIFY(responder.listen());
    responder.setHandler([](const auto &) { return slowVideo(); });
    const QString address = u"sha256:feed"_qs;

    QCoro::Task<void> first = MediaCache::ensureCached(address, responder.url(u"/m/feed"_qs));
    QCoro::Task<void> second = MediaCache::ensureCached(address, responder.url(u"/m/feed"_qs));
    QCoro::waitFor(second); // returns at once: the first call holds the claim
    QVERIFY(!MediaCache::localURL(address));
    QCoro::waitFor(first);

    QCOMPARE(responder.requestCount(), 1);
    QVERIFY(!responder.requests().first().header("Authorization"));
    const std::optional<QUrl> local = MediaCache::localURL(address);
    QVERIFY(local);
    QFile file(local->toLocalFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("part one,part two"));
    QCOMPARE(cached(), QStringList{u"feed.mp4"_qs}); // no partial file left in the folder
    QVERIFY(MediaCache::claim(address).claimed == false);
}

void tst_MediaCache::existingFileIsNotDownloadedButFirstCallTrims()
{
    QVERIFY(QDir().mkpath(MediaCache::directory()));
    const QString dir = MediaCache::directory();
    for (int i = 0; i < 5; ++i)
        sparseFile(dir + u"/old"_qs + QString::number(i) + u".mp4"_qs, GiB, 100 - i);
    sparseFile(dir + u"/have.mp4"_qs, 10, 1);

    TestResponder responder;
    QVERIFY(responder.listen());
    QCoro::waitFor(MediaCache::ensureCached(u"sha256:have"_qs, responder.url(u"/m"_qs)));
    QCOMPARE(responder.requestCount(), 0);
    // 5 GiB + 10 bytes: the two oldest go, leaving 3 GiB + 10 bytes.
    QCOMPARE(cached(),
             (QStringList{u"have.mp4"_qs, u"old2.mp4"_qs, u"old3.mp4"_qs, u"old4.mp4"_qs}));

    // Trimming happens once per process: more files do not trigger it again.
    sparseFile(dir + u"/more.mp4"_qs, 3 * GiB, 200);
    QCoro::waitFor(MediaCache::ensureCached(u"sha256:have"_qs, responder.url(u"/m"_qs)));
    QVERIFY(cached().contains(u"more.mp4"_qs));
}

void tst_MediaCache::failedDownloadLeavesNothing_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("drop");
    QTest::newRow("404") << 404 << false;
    QTest::newRow("206 is not 200") << 206 << false;
    QTest::newRow("dropped mid-body") << 200 << true;
}

void tst_MediaCache::failedDownloadLeavesNothing()
{
    QFETCH(int, status);
    QFETCH(bool, drop);
    TestResponder responder;
    QVERIFY(responder.listen());
    responder.setHandler([&](const auto &) {
        TestResponder::Response response = TestResponder::Response::json(status, "partial");
        if (drop) {
            response.body.clear();
            response.headers.append(qMakePair(QByteArray("Content-Length"), QByteArray("1000")));
            response.pieces = {{"partial", 10}};
            response.dropAtEnd = true;
        }
        return response;
    });
    const QString address = u"sha256:beef"_qs;
    QCoro::waitFor(MediaCache::ensureCached(address, responder.url(u"/m"_qs)));
    QVERIFY(responder.requestCount() >= 1);
    QVERIFY(!MediaCache::localURL(address));
    QVERIFY(cached().isEmpty());
    // The address left the in-flight set: a later call may try again.
    const MediaCacheClaim again = MediaCache::claim(address);
    QVERIFY(again.claimed);
    MediaCache::release(address);
}

void tst_MediaCache::trim_data()
{
    QTest::addColumn<QList<qint64>>("sizes"); // oldest first
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("five of one GiB") << QList<qint64>{GiB, GiB, GiB, GiB, GiB}
                                     << QStringList{u"f1"_qs, u"f2"_qs, u"f3"_qs, u"f4"_qs};
    QTest::newRow("one byte over, oldest small")
        << QList<qint64>{100, MediaCache::SizeLimit - 99} << QStringList{u"f1"_qs};
    QTest::newRow("exactly the limit")
        << QList<qint64>{2 * GiB, 2 * GiB} << QStringList{u"f0"_qs, u"f1"_qs};
    QTest::newRow("under the limit")
        << QList<qint64>{1, 2, 3} << QStringList{u"f0"_qs, u"f1"_qs, u"f2"_qs};
    QTest::newRow("one huge newest") << QList<qint64>{10, 20, 5 * GiB} << QStringList{};
}

void tst_MediaCache::trim()
{
    QFETCH(QList<qint64>, sizes);
    QFETCH(QStringList, kept);
    QVERIFY(QDir().mkpath(MediaCache::directory()));
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        sparseFile(MediaCache::directory() + u"/f"_qs + QString::number(i) + u".mp4"_qs,
                   sizes.at(i), int(1000 - i));
    }
    MediaCache::trim();
    QStringList expected;
    for (const QString &name : kept)
        expected.append(name + u".mp4"_qs);
    QCOMPARE(cached(), expected);
}

void tst_MediaCache::trimWithoutFolder()
{
    QVERIFY(!QFileInfo::exists(MediaCache::directory()));
    MediaCache::trim(); // nothing to list: nothing happens, and the folder is not created
    QVERIFY(!QFileInfo::exists(MediaCache::directory()));
}

QTEST_GUILESS_MAIN(tst_MediaCache)
#include "tst_MediaCache.moc"
