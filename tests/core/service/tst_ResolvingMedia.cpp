#include <QDir>
#include <QFile>
#include <QTest>

#include "TaskOutcome.h"
#include "core/service/CasUrlCache.h"
#include "core/service/MediaCache.h"
#include "core/service/SlateboxAPI.h"
#include "support/TestResponder.h"

namespace {

Take take(const QString &id, std::optional<QString> cas, std::optional<QString> url = {})
{
    Take take;
    take.id = id;
    take.shotId = u"sh"_qs;
    take.inputHash = u"h"_qs;
    take.status = u"succeeded"_qs;
    take.outputCas = std::move(cas);
    take.outputUrl = std::move(url);
    take.createdAt = u"t"_qs;
    return take;
}

// A service below "/api" whose `v1/cas/<address>?json=1` hands out "<responder>/media/<address>"
// after a pause, and whose media answers with `mediaStatus`.
class FakeMediaService {
public:
    explicit FakeMediaService(int casStatus = 200, int mediaStatus = 200)
    {
        m_responder.setHandler([this, casStatus, mediaStatus](const TestResponder::Request &r) {
            const QByteArray path = r.path();
            if (path.startsWith("/api/v1/cas/")) {
                ++m_casFetches[QString::fromUtf8(path.mid(12))];
                TestResponder::Response response = TestResponder::Response::json(casStatus, "");
                const QByteArray url =
                    m_responder.url(u"/media/"_qs + QString::number(m_served++)).toEncoded();
                response.pieces = {{R"({"url":")" + url + R"("})", 100}};
                return response;
            }
            return TestResponder::Response::json(mediaStatus, "video bytes");
        });
        connect();
    }

    bool listen() { return m_responder.listen(); }
    SlateboxAPI api() const { return SlateboxAPI(m_responder.url(u"/api"_qs), u"tok"_qs); }
    int casFetches(const QString &address) const { return m_casFetches.value(address); }
    int casFetchTotal() const
    {
        int total = 0;
        for (int n : m_casFetches)
            total += n;
        return total;
    }
    int maxOpenAnswers() const { return m_maxOpen; }
    const TestResponder &responder() const { return m_responder; }
    QUrl mediaUrl(int index) const
    {
        return m_responder.url(u"/media/"_qs + QString::number(index));
    }

private:
    void connect()
    {
        QObject::connect(&m_responder, &TestResponder::requestReceived, &m_responder,
                         [this] { m_maxOpen = qMax(m_maxOpen, m_responder.openAnswers() + 1); });
    }

    TestResponder m_responder;
    QHash<QString, int> m_casFetches;
    int m_served = 0;
    int m_maxOpen = 0;
};

QList<Take> resolve(const SlateboxAPI &api, const QList<Take> &takes)
{
    return TaskOutcome::wait(api.resolvingMedia(takes)).value.value_or(QList<Take>{});
}

} // namespace

class tst_ResolvingMedia : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { CasUrlCache::setClock({}); }

    void takesWithoutAddressesAreUntouched();
    void sharedAddressIsFetchedOnce();
    void cachedFileWinsWithoutRequest();
    void freshness_data();
    void freshness();
    void casRefusalKeepsServiceUrl();
    void endpointsResolveTheirTakes();

private:
    QDateTime m_now;
};

void tst_ResolvingMedia::init()
{
    QDir(MediaCache::directory()).removeRecursively();
    MediaCache::resetForTesting();
    CasUrlCache::clear();
    m_now = QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC);
    CasUrlCache::setClock([this] { return m_now; });
}

void tst_ResolvingMedia::takesWithoutAddressesAreUntouched()
{
    FakeMediaService service;
    QVERIFY(service.listen());
    const QList<Take> takes{take(u"a"_qs, {}, u"https://cdn/a.mp4"_qs), take(u"b"_qs, {})};
    QCOMPARE(resolve(service.api(), takes), takes);
    QCOMPARE(service.responder().requestCount(), 0);
}

void tst_ResolvingMedia::sharedAddressIsFetchedOnce()
{
    FakeMediaService service;
    QVERIFY(service.listen());
    const QList<Take> takes{take(u"a"_qs, u"sha256:x"_qs, u"orig-a"_qs),
                            take(u"b"_qs, u"sha256:y"_qs), take(u"c"_qs, u"sha256:x"_qs),
                            take(u"d"_qs, {}, u"orig-d"_qs)};
    const QList<Take> resolved = resolve(service.api(), takes);

    QCOMPARE(resolved.size(), 4);
    QCOMPARE(service.casFetches(u"sha256:x"_qs), 1);
    QCOMPARE(service.casFetches(u"sha256:y"_qs), 1);
    QCOMPARE(service.maxOpenAnswers(), 2); // the two fetches ran side by side
    QCOMPARE(resolved.at(0).outputUrl, resolved.at(2).outputUrl);
    QVERIFY(resolved.at(0).outputUrl->startsWith(u"http://127.0.0.1:"_qs));
    QVERIFY(resolved.at(1).outputUrl != resolved.at(0).outputUrl);
    QCOMPARE(resolved.at(3).outputUrl, std::optional<QString>(u"orig-d"_qs));
    for (qsizetype i = 0; i < takes.size(); ++i)
        QCOMPARE(resolved.at(i).id, takes.at(i).id);

    // The fetches carry the token; the background downloads fill the cache without it.
    QTRY_VERIFY(MediaCache::localURL(u"sha256:x"_qs) && MediaCache::localURL(u"sha256:y"_qs));
    for (const auto &request : service.responder().requests()) {
        const bool media = request.path().startsWith("/media/");
        QCOMPARE(bool(request.header("Authorization")), !media);
        if (!media)
            QCOMPARE(request.query(), QByteArray("json=1"));
    }

    // Once cached, the files win and nothing is requested.
    const int before = service.responder().requestCount();
    const QList<Take> again = resolve(service.api(), takes);
    QCOMPARE(service.responder().requestCount(), before);
    QCOMPARE(again.at(0).outputUrl.value_or(QString()),
             MediaCache::localURL(u"sha256:x"_qs)->toString());
    QVERIFY(again.at(0).outputUrl->startsWith(u"file:///"_qs));
}

void tst_ResolvingMedia::cachedFileWinsWithoutRequest()
{
    QVERIFY(QDir().mkpath(MediaCache::directory()));
    QFile file(MediaCache::directory() + u"/cafe.mp4"_qs);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    FakeMediaService service;
    QVERIFY(service.listen());
    const QList<Take> resolved =
        resolve(service.api(), {take(u"a"_qs, u"sha256:cafe"_qs, u"https://cdn/a"_qs)});
    QCOMPARE(resolved.first().outputUrl,
             std::optional<QString>(QUrl::fromLocalFile(file.fileName()).toString()));
    QCOMPARE(service.responder().requestCount(), 0);
}

void tst_ResolvingMedia::freshness_data()
{
    QTest::addColumn<int>("elapsed");
    QTest::addColumn<int>("fetches");
    QTest::newRow("1,799 s: reused") << 1799 << 1;
    QTest::newRow("1,800 s: fetched again") << 1800 << 2;
}

void tst_ResolvingMedia::freshness()
{
    QFETCH(int, elapsed);
    QFETCH(int, fetches);
    // Media downloads fail, so the address never becomes a local file.
    FakeMediaService service(200, 404);
    QVERIFY(service.listen());
    const QList<Take> takes{take(u"a"_qs, u"sha256:x"_qs)};
    const QList<Take> first = resolve(service.api(), takes);
    QTRY_COMPARE(service.responder().requestCount(), 2); // the fetch and the failed download
    QCOMPARE(first.first().outputUrl, std::optional<QString>(service.mediaUrl(0).toString()));

    m_now = m_now.addSecs(elapsed);
    const QList<Take> second = resolve(service.api(), takes);
    QCOMPARE(service.casFetches(u"sha256:x"_qs), fetches);
    QCOMPARE(second.first().outputUrl,
             std::optional<QString>(service.mediaUrl(fetches - 1).toString()));
}

void tst_ResolvingMedia::casRefusalKeepsServiceUrl()
{
    FakeMediaService service(404);
    QVERIFY(service.listen());
    const QList<Take> resolved =
        resolve(service.api(), {take(u"a"_qs, u"sha256:gone"_qs, u"https://svc/a.mp4"_qs)});
    QCOMPARE(resolved.first().outputUrl, std::optional<QString>(u"https://svc/a.mp4"_qs));
    QTest::qWait(100);
    QCOMPARE(service.responder().requestCount(), 1); // no download was started
    QVERIFY(!MediaCache::localURL(u"sha256:gone"_qs));
}

void tst_ResolvingMedia::endpointsResolveTheirTakes()
{
    TestResponder responder;
    QVERIFY(responder.listen());
    const QByteArray take = R"({"id":"r1","shotId":"s","inputHash":"h","status":"succeeded",)"
                            R"("outputCas":"sha256:cd","outputUrl":"orig","createdAt":"t"})";
    responder.enqueue(TestResponder::Response::json(200, "{\"take\":" + take + "}"));
    responder.enqueue(
        TestResponder::Response::json(200, R"({"url":"https://cdn.test/signed/cd.mp4"})"));
    // The background download of the signed URL goes nowhere reachable and fails silently.
    const auto result =
        TaskOutcome::wait(SlateboxAPI(responder.url(), std::nullopt).render(u"r1"_qs));
    QCOMPARE(result.outcome, u"ok"_qs);
    QCOMPARE(result.value->outputUrl, std::optional<QString>(u"https://cdn.test/signed/cd.mp4"_qs));
    QCOMPARE(responder.requests().at(1).target, QByteArray("/v1/cas/sha256:cd?json=1"));
}

QTEST_GUILESS_MAIN(tst_ResolvingMedia)
#include "tst_ResolvingMedia.moc"
