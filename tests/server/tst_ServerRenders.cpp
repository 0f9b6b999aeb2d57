// Render takes from lookup to a playable video, the media links, the cut-graph dry run and its
// prices, shipped releases, and what survives a restart.
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "TestHttp.h"
#include "support/ServerProcess.h"

namespace {

const QString aliceToken = u"alice-token-1"_qs;
const QString bobToken = u"bob-token-1"_qs;

// Three shots of 4 s, 2 s and no duration (billed as one second).
const QString outline = uR"(# The kitchen
defaults:
  video_model: minimax-h3
scenes:
  - id: s1
    slugline: INT. KITCHEN - NIGHT
    shots:
      - id: s1-01
        duration: 4
        intent: Establish the kitchen
        cast:
          - ref: characters/ada
            state: tired
      - id: s1-02
        duration: 2
        intent: Ada listens
  - insert: deliverables/ep2
  - id: s2
    shots:
      - id: s2-01
        intent: No duration given
)"_qs;

QString replaced(const QString &before, const QString &after)
{
    QString text = outline;
    text.replace(before, after);
    return text;
}

QJsonObject renderBody(const QString &shotId, const QString &shots = outline)
{
    return {{u"org"_qs, u"alice"_qs},
            {u"slug"_qs, u"harbour"_qs},
            {u"deliverable"_qs, u"feature"_qs},
            {u"shots"_qs, shots},
            {u"shotId"_qs, shotId},
            {u"appearance"_qs, QJsonObject{{u"characters/ada"_qs, u"Grey coat, red scarf."_qs}}},
            {u"voice"_qs, QJsonObject()},
            {u"location"_qs, QJsonObject()},
            {u"manifest"_qs, u"title: Harbour\n"_qs}};
}

QJsonObject shipBody()
{
    return {{u"org"_qs, u"alice"_qs},
            {u"slug"_qs, u"harbour"_qs},
            {u"deliverable"_qs, u"feature"_qs},
            {u"commit"_qs, QString(40, u'a')},
            {u"tag"_qs, u"ship/feature"_qs}};
}

QString lockPinning(const QStringList &hashes)
{
    QString lock = u"version: 1\npins:\n"_qs;
    for (const QString &hash : hashes)
        lock += u"  \""_qs + hash + u"\":\n    cas: \"sha256:"_qs + QString(64, u'0') + u"\"\n"_qs;
    return lock;
}

TestHttp::Reply download(const QString &url, const QByteArray &range = {})
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    if (!range.isEmpty())
        request.setRawHeader("Range", range);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    TestHttp::Reply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.headers = reply->rawHeaderPairs();
    return result;
}

// Polls the take until it has left "rendering"; the last answer otherwise.
QJsonObject waitForTake(const TestHttp &http, const QString &id, int deadlineMs = 30000)
{
    QElapsedTimer clock;
    clock.start();
    QJsonObject take;
    do {
        take = http.get(u"v1/renders/"_qs + id).json().value(u"take"_qs).toObject();
        if (take.value(u"status"_qs).toString() != u"rendering")
            break;
        QThread::msleep(100);
    } while (clock.elapsed() < deadlineMs);
    return take;
}

QJsonObject ffprobe(const QByteArray &video)
{
    QTemporaryDir folder;
    QFile file(folder.filePath(u"take.mp4"_qs));
    if (!file.open(QIODevice::WriteOnly) || file.write(video) != video.size())
        return {};
    file.close();
    QProcess probe;
    probe.start(u"ffprobe"_qs,
                {u"-v"_qs, u"error"_qs, u"-select_streams"_qs, u"v:0"_qs, u"-show_entries"_qs,
                 u"stream=codec_name,width,height,pix_fmt:format=duration"_qs, u"-of"_qs,
                 u"json"_qs, file.fileName()});
    if (!probe.waitForFinished(30000) || probe.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(probe.readAllStandardOutput()).object();
}

} // namespace

class tst_ServerRenders : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void refusesWithoutValidToken_data();
    void refusesWithoutValidToken();

    void lookupRefusesBadRequests_data();
    void lookupRefusesBadRequests();
    void inputHashFollowsTheShotsOwnLines_data();
    void inputHashFollowsTheShotsOwnLines();

    void renderBecomesSucceededWithAPlayableVideo();
    void renderRefusesBadRequests_data();
    void renderRefusesBadRequests();
    void takesStayWithinTheOrganisation();
    void modelFollowsTheOutline();
    void failureRateFailsRenders();
    void mediaLinksAreCheckedAndSigned_data();
    void mediaLinksAreCheckedAndSigned();

    void dryRunPricesWhatIsNotPinned_data();
    void dryRunPricesWhatIsNotPinned();
    void dryRunRefusesBadRequests_data();
    void dryRunRefusesBadRequests();

    void shipIsRecorded();
    void shipRefusesBadRequests_data();
    void shipRefusesBadRequests();

    void restartKeepsTakesMediaShipsAndFinishesRenders();

private:
    QString inputHash(const QString &shotId, const QString &shots = outline) const;

    ServerProcess m_server;
    std::unique_ptr<TestHttp> m_http;
};

void tst_ServerRenders::initTestCase()
{
    QVERIFY2(m_server.start({u"--user"_qs, u"alice="_qs + aliceToken, u"--user"_qs,
                             u"bob="_qs + bobToken, u"--render-seconds"_qs, u"1"_qs}),
             qPrintable(m_server.errorString()));
    m_http = std::make_unique<TestHttp>(m_server.baseUrl());
    m_http->setToken(aliceToken);
    const auto created = m_http->postJson(u"v1/projects"_qs, {{u"org"_qs, u"alice"_qs},
                                                              {u"slug"_qs, u"harbour"_qs},
                                                              {u"title"_qs, u"Harbour"_qs},
                                                              {u"type"_qs, u"film"_qs}});
    QCOMPARE(created.status, 201);
}

QString tst_ServerRenders::inputHash(const QString &shotId, const QString &shots) const
{
    return m_http->postJson(u"v1/renders/lookup"_qs, {{u"shots"_qs, shots}, {u"shotId"_qs, shotId}})
        .json()
        .value(u"inputHash"_qs)
        .toString();
}

void tst_ServerRenders::refusesWithoutValidToken_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("path");
    const QList<std::pair<QByteArray, QString>> endpoints{
        {"POST", u"v1/renders/lookup"_qs},
        {"POST", u"v1/renders"_qs},
        {"GET", u"v1/renders/r_1"_qs},
        {"GET", u"v1/cas/sha256:"_qs + QString(64, u'0') + u"?json=1"_qs},
        {"POST", u"v1/cutgraph/dry-run"_qs},
        {"POST", u"v1/ships"_qs},
        {"GET", u"v1/ships?org=alice&slug=harbour"_qs}};
    for (const auto &[method, path] : endpoints) {
        QTest::addRow("%s %s", method.constData(), qPrintable(path.section(u'?', 0, 0)))
            << method << path;
    }
}

void tst_ServerRenders::refusesWithoutValidToken()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, path);
    for (const QString &token : {QString(), u"nobody-token-1"_qs}) {
        TestHttp http(m_server.baseUrl());
        http.setToken(token);
        const auto reply =
            method == "GET" ? http.get(path) : http.postJson(path, renderBody(u"s1-01"_qs));
        QCOMPARE(reply.status, 401);
        QVERIFY(!reply.error().isEmpty());
    }
}

void tst_ServerRenders::lookupRefusesBadRequests_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    const auto json = [](const QJsonObject &object) { return QJsonDocument(object).toJson(); };
    QTest::newRow("not json") << QByteArray("shots") << 400;
    QTest::newRow("no shots") << json({{u"shotId"_qs, u"s1-01"_qs}}) << 400;
    QTest::newRow("shots not text") << json({{u"shots"_qs, 3}, {u"shotId"_qs, u"s1-01"_qs}}) << 400;
    QTest::newRow("no shot id") << json({{u"shots"_qs, outline}}) << 400;
    QTest::newRow("empty shot id") << json({{u"shots"_qs, outline}, {u"shotId"_qs, u""_qs}}) << 400;
    QTest::newRow("unknown shot") << json({{u"shots"_qs, outline}, {u"shotId"_qs, u"s9-01"_qs}})
                                  << 404;
    QTest::newRow("scene id") << json({{u"shots"_qs, outline}, {u"shotId"_qs, u"s1"_qs}}) << 404;
    QTest::newRow("empty outline")
        << json({{u"shots"_qs, u""_qs}, {u"shotId"_qs, u"s1-01"_qs}}) << 404;
}

void tst_ServerRenders::lookupRefusesBadRequests()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    const auto reply = m_http->post(u"v1/renders/lookup"_qs, body);
    QCOMPARE(reply.status, status);
    QVERIFY(!reply.error().isEmpty());
}

void tst_ServerRenders::inputHashFollowsTheShotsOwnLines_data()
{
    QTest::addColumn<QString>("edited");
    QTest::addColumn<bool>("same");
    QTest::newRow("unchanged") << outline << true;
    QTest::newRow("comment inside the shot")
        << replaced(u"        duration: 4\n"_qs, u"        duration: 4\n        # keep\n\n"_qs)
        << true;
    QTest::newRow("trailing spaces")
        << replaced(u"intent: Establish the kitchen"_qs, u"intent: Establish the kitchen   "_qs)
        << true;
    QTest::newRow("other shot changed") << replaced(u"Ada listens"_qs, u"Ada hums"_qs) << true;
    QTest::newRow("slugline changed")
        << replaced(u"INT. KITCHEN - NIGHT"_qs, u"INT. KITCHEN - DAY"_qs) << true;
    QTest::newRow("no defaults means the same model")
        << replaced(u"defaults:\n  video_model: minimax-h3\n"_qs, QString()) << true;
    QTest::newRow("own intent changed")
        << replaced(u"Establish the kitchen"_qs, u"Establish the pantry"_qs) << false;
    QTest::newRow("own cast state changed") << replaced(u"tired"_qs, u"alert"_qs) << false;
    QTest::newRow("own duration changed")
        << replaced(u"duration: 4"_qs, u"duration: 5"_qs) << false;
    QTest::newRow("video model changed") << replaced(u"minimax-h3"_qs, u"seedance-2.5"_qs) << false;
}

void tst_ServerRenders::inputHashFollowsTheShotsOwnLines()
{
    QFETCH(QString, edited);
    QFETCH(bool, same);
    const QString before = inputHash(u"s1-01"_qs);
    QCOMPARE(before.size(), 64);
    QVERIFY(QRegularExpression(u"^[0-9a-f]{64}$"_qs).match(before).hasMatch());
    QCOMPARE(inputHash(u"s1-01"_qs, edited) == before, same);
    QVERIFY(inputHash(u"s1-02"_qs) != before);
}

void tst_ServerRenders::renderBecomesSucceededWithAPlayableVideo()
{
    const auto created = m_http->postJson(u"v1/renders"_qs, renderBody(u"s1-01"_qs));
    QCOMPARE(created.status, 202);
    const QJsonObject take = created.json().value(u"take"_qs).toObject();
    const QString id = take.value(u"id"_qs).toString();
    QVERIFY(!id.isEmpty());
    QCOMPARE(take.value(u"status"_qs).toString(), u"rendering"_qs);
    QCOMPARE(take.value(u"shotId"_qs).toString(), u"s1-01"_qs);
    QCOMPARE(take.value(u"inputHash"_qs).toString(), inputHash(u"s1-01"_qs));
    QCOMPARE(take.value(u"model"_qs).toString(), u"fal/minimax/h3"_qs);
    QCOMPARE(take.value(u"resolution"_qs).toString(), u"720p"_qs);
    QVERIFY(take.value(u"prompt"_qs).toString().contains(u"Establish the kitchen"_qs));
    QVERIFY(take.value(u"prompt"_qs).toString().contains(u"Grey coat, red scarf."_qs));
    QVERIFY(take.value(u"seed"_qs).isDouble());
    QVERIFY(QDateTime::fromString(take.value(u"createdAt"_qs).toString(), Qt::ISODate).isValid());
    QVERIFY(!take.contains(u"outputCas"_qs));

    const QJsonObject done = waitForTake(*m_http, id);
    QCOMPARE(done.value(u"status"_qs).toString(), u"succeeded"_qs);
    QCOMPARE(done.value(u"billedUsd"_qs).toDouble(), 0.2); // 4 s at $0.05
    const QString cas = done.value(u"outputCas"_qs).toString();
    QVERIFY2(QRegularExpression(u"^sha256:[0-9a-f]{64}$"_qs).match(cas).hasMatch(),
             qPrintable(cas));
    for (const QString &key :
         {u"id"_qs, u"inputHash"_qs, u"prompt"_qs, u"seed"_qs, u"createdAt"_qs, u"model"_qs})
        QCOMPARE(done.value(key), take.value(key));

    // A second take of the same shot is listed first.
    const auto second = m_http->postJson(u"v1/renders"_qs, renderBody(u"s1-01"_qs));
    QCOMPARE(second.status, 202);
    const auto lookup = m_http->postJson(u"v1/renders/lookup"_qs,
                                         {{u"shots"_qs, outline}, {u"shotId"_qs, u"s1-01"_qs}});
    QCOMPARE(lookup.status, 200);
    const QJsonArray takes = lookup.json().value(u"takes"_qs).toArray();
    QCOMPARE(takes.size(), 2);
    QCOMPARE(takes.at(0).toObject().value(u"id"_qs),
             second.json().value(u"take"_qs).toObject().value(u"id"_qs));
    QCOMPARE(takes.at(1).toObject().value(u"id"_qs).toString(), id);
    // Takes belong to their inputs: the edited shot has none yet.
    const auto edited = m_http->postJson(
        u"v1/renders/lookup"_qs,
        {{u"shots"_qs, replaced(u"tired"_qs, u"alert"_qs)}, {u"shotId"_qs, u"s1-01"_qs}});
    QCOMPARE(edited.json().value(u"takes"_qs).toArray().size(), 0);

    // The download link works without any authorization and yields the stored video.
    const auto link = m_http->get(u"v1/cas/"_qs + cas + u"?json=1"_qs);
    QCOMPARE(link.status, 200);
    const QString url = link.json().value(u"url"_qs).toString();
    QVERIFY(url.startsWith(m_server.baseUrl().toString()));
    const auto video = download(url);
    QCOMPARE(video.status, 200);
    QCOMPARE(video.header("Content-Type"), QByteArray("video/mp4"));
    QCOMPARE(u"sha256:"_qs +
                 QString::fromLatin1(
                     QCryptographicHash::hash(video.body, QCryptographicHash::Sha256).toHex()),
             cas);
    QCOMPARE(m_http->get(u"v1/cas/"_qs + cas).body, video.body);
    // Players seek with range requests.
    const auto part = download(url, "bytes=0-99");
    QCOMPARE(part.status, 206);
    QCOMPARE(part.body, video.body.left(100));

    const QJsonObject probe = ffprobe(video.body);
    const QJsonObject stream = probe.value(u"streams"_qs).toArray().at(0).toObject();
    QCOMPARE(stream.value(u"codec_name"_qs).toString(), u"h264"_qs);
    QCOMPARE(stream.value(u"width"_qs).toInt(), 1280);
    QCOMPARE(stream.value(u"height"_qs).toInt(), 720);
    QCOMPARE(stream.value(u"pix_fmt"_qs).toString(), u"yuv420p"_qs);
    const double seconds =
        probe.value(u"format"_qs).toObject().value(u"duration"_qs).toString().toDouble();
    QVERIFY2(seconds >= 2.5 && seconds <= 3.5, qPrintable(QString::number(seconds)));
}

void tst_ServerRenders::renderRefusesBadRequests_data()
{
    QTest::addColumn<QJsonObject>("body");
    QTest::addColumn<QString>("token");
    QTest::addColumn<int>("status");
    const auto with = [](const QString &key, const QJsonValue &value) {
        QJsonObject body = renderBody(u"s1-01"_qs);
        if (value.isUndefined())
            body.remove(key);
        else
            body.insert(key, value);
        return body;
    };
    for (const QString &key : {u"org"_qs, u"slug"_qs, u"deliverable"_qs, u"shots"_qs, u"shotId"_qs})
        QTest::addRow("no %s", qPrintable(key))
            << with(key, QJsonValue::Undefined) << aliceToken << 400;
    QTest::newRow("deliverable path")
        << with(u"deliverable"_qs, u"../feature"_qs) << aliceToken << 400;
    QTest::newRow("lock not text") << with(u"lock"_qs, 1) << aliceToken << 400;
    QTest::newRow("manifest not text") << with(u"manifest"_qs, QJsonArray()) << aliceToken << 400;
    QTest::newRow("appearance not object")
        << with(u"appearance"_qs, u"coat"_qs) << aliceToken << 400;
    QTest::newRow("voice value not text")
        << with(u"voice"_qs, QJsonObject{{u"characters/ada"_qs, 2}}) << aliceToken << 400;
    QTest::newRow("unknown project") << with(u"slug"_qs, u"nowhere"_qs) << aliceToken << 404;
    QTest::newRow("project path") << with(u"slug"_qs, u"../../x"_qs) << aliceToken << 404;
    QTest::newRow("someone else's project") << renderBody(u"s1-01"_qs) << bobToken << 404;
    QTest::newRow("unknown shot") << with(u"shotId"_qs, u"s7-01"_qs) << aliceToken << 404;
}

void tst_ServerRenders::renderRefusesBadRequests()
{
    QFETCH(QJsonObject, body);
    QFETCH(QString, token);
    QFETCH(int, status);
    TestHttp http(m_server.baseUrl());
    http.setToken(token);
    const auto reply = http.postJson(u"v1/renders"_qs, body);
    QCOMPARE(reply.status, status);
    QVERIFY(!reply.error().isEmpty());
}

void tst_ServerRenders::takesStayWithinTheOrganisation()
{
    const auto created = m_http->postJson(u"v1/renders"_qs, renderBody(u"s1-02"_qs));
    QCOMPARE(created.status, 202);
    const QString id = created.json().value(u"take"_qs).toObject().value(u"id"_qs).toString();
    TestHttp bob(m_server.baseUrl());
    bob.setToken(bobToken);
    const auto read = bob.get(u"v1/renders/"_qs + id);
    QCOMPARE(read.status, 404);
    QVERIFY(!read.error().isEmpty());
    const auto lookup = bob.postJson(u"v1/renders/lookup"_qs,
                                     {{u"shots"_qs, outline}, {u"shotId"_qs, u"s1-02"_qs}});
    QCOMPARE(lookup.status, 200);
    QCOMPARE(lookup.json().value(u"takes"_qs).toArray().size(), 0);
    QCOMPARE(m_http->get(u"v1/renders/r_unknown"_qs).status, 404);
}

void tst_ServerRenders::modelFollowsTheOutline()
{
    const QString seedance = replaced(u"minimax-h3"_qs, u"seedance-2.5"_qs);
    const auto created = m_http->postJson(u"v1/renders"_qs, renderBody(u"s1-02"_qs, seedance));
    QCOMPARE(created.status, 202);
    const QJsonObject take = created.json().value(u"take"_qs).toObject();
    QCOMPARE(take.value(u"model"_qs).toString(), u"fal/bytedance/seedance-2.5"_qs);
    const QJsonObject done = waitForTake(*m_http, take.value(u"id"_qs).toString());
    QCOMPARE(done.value(u"status"_qs).toString(), u"succeeded"_qs);
    QCOMPARE(done.value(u"billedUsd"_qs).toDouble(), 0.16); // 2 s at $0.08
}

void tst_ServerRenders::failureRateFailsRenders()
{
    ServerProcess failing;
    QVERIFY2(failing.start({u"--user"_qs, u"alice="_qs + aliceToken, u"--render-seconds"_qs,
                            u"0"_qs, u"--render-failure-rate"_qs, u"1"_qs}),
             qPrintable(failing.errorString()));
    TestHttp http(failing.baseUrl());
    http.setToken(aliceToken);
    QCOMPARE(http.postJson(u"v1/projects"_qs, {{u"org"_qs, u"alice"_qs},
                                               {u"slug"_qs, u"harbour"_qs},
                                               {u"title"_qs, u"Harbour"_qs},
                                               {u"type"_qs, u"film"_qs}})
                 .status,
             201);
    const auto created = http.postJson(u"v1/renders"_qs, renderBody(u"s1-01"_qs));
    QCOMPARE(created.status, 202);
    const QJsonObject done =
        waitForTake(http, created.json().value(u"take"_qs).toObject().value(u"id"_qs).toString());
    QCOMPARE(done.value(u"status"_qs).toString(), u"failed"_qs);
    QVERIFY(!done.value(u"error"_qs).toString().isEmpty());
    QVERIFY(!done.contains(u"outputCas"_qs));
}

void tst_ServerRenders::mediaLinksAreCheckedAndSigned_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("withToken");
    QTest::addColumn<int>("status");
    const QString zeros(64, u'0');
    QTest::newRow("not an address") << u"v1/cas/md5:abc?json=1"_qs << true << 400;
    QTest::newRow("upper-case digest")
        << u"v1/cas/sha256:"_qs + QString(64, u'A') + u"?json=1"_qs << true << 400;
    QTest::newRow("dots") << u"v1/cas/sha256:..?json=1"_qs << true << 400;
    QTest::newRow("traversal") << u"v1/cas/..%2F..%2Fslatebox.db?json=1"_qs << true << 404;
    QTest::newRow("unknown address") << u"v1/cas/sha256:"_qs + zeros + u"?json=1"_qs << true << 404;
    QTest::newRow("download without signature")
        << u"v1/media/"_qs + zeros + u".mp4"_qs << false << 403;
    QTest::newRow("download with a wrong signature")
        << u"v1/media/"_qs + zeros + u".mp4?sig=00"_qs << false << 403;
}

void tst_ServerRenders::mediaLinksAreCheckedAndSigned()
{
    QFETCH(QString, path);
    QFETCH(bool, withToken);
    QFETCH(int, status);
    TestHttp http(m_server.baseUrl());
    if (withToken)
        http.setToken(aliceToken);
    const auto reply = http.get(path);
    QCOMPARE(reply.status, status);
    QVERIFY(!reply.error().isEmpty());
}

void tst_ServerRenders::dryRunPricesWhatIsNotPinned_data()
{
    QTest::addColumn<QString>("shots");
    QTest::addColumn<QStringList>("pinned"); // shots whose current hash the lock pins
    QTest::addColumn<QString>("lock");       // used when nothing is pinned
    QTest::addColumn<int>("nodeCount");
    QTest::addColumn<QStringList>("dirty");
    QTest::addColumn<double>("cost");
    const QStringList all{u"s1-01"_qs, u"s1-02"_qs, u"s2-01"_qs};
    QTest::newRow("no lock") << outline << QStringList() << QString() << 3 << all << 0.35;
    QTest::newRow("empty lock") << outline << QStringList() << u"version: 1\npins: {}\n"_qs << 3
                                << all << 0.35;
    QTest::newRow("not a lock") << outline << QStringList() << u"pins: [1, 2"_qs << 3 << all
                                << 0.35;
    QTest::newRow("one pinned") << outline << QStringList{u"s1-01"_qs} << QString() << 3
                                << QStringList{u"s1-02"_qs, u"s2-01"_qs} << 0.15;
    QTest::newRow("all pinned") << outline << all << QString() << 3 << QStringList() << 0.0;
    QTest::newRow("seedance prices")
        << replaced(u"minimax-h3"_qs, u"seedance-2.5"_qs) << QStringList{u"s2-01"_qs} << QString()
        << 3 << QStringList{u"s1-01"_qs, u"s1-02"_qs} << 0.48;
    QTest::newRow("empty outline")
        << QString() << QStringList() << QString() << 0 << QStringList() << 0.0;
}

void tst_ServerRenders::dryRunPricesWhatIsNotPinned()
{
    QFETCH(QString, shots);
    QFETCH(QStringList, pinned);
    QFETCH(QString, lock);
    QFETCH(int, nodeCount);
    QFETCH(QStringList, dirty);
    QFETCH(double, cost);
    QJsonObject body{{u"shots"_qs, shots}};
    if (!pinned.isEmpty()) {
        QStringList hashes;
        for (const QString &shot : pinned)
            hashes << inputHash(shot, shots);
        lock = lockPinning(hashes);
    }
    if (!lock.isNull())
        body.insert(u"lock"_qs, lock);
    const auto reply = m_http->postJson(u"v1/cutgraph/dry-run"_qs, body);
    QCOMPARE(reply.status, 200);
    const QJsonObject gate = reply.json();
    QCOMPARE(gate.value(u"nodeCount"_qs).toInt(), nodeCount);
    QCOMPARE(gate.value(u"resolution"_qs).toString(), u"720p"_qs);
    QCOMPARE(gate.value(u"dirtyNodeIds"_qs).toVariant().toStringList(), dirty);
    QCOMPARE(gate.value(u"dirtyCount"_qs).toInt(), dirty.size());
    QCOMPARE(gate.value(u"estimatedCostUsd"_qs).toDouble(), cost);
}

void tst_ServerRenders::dryRunRefusesBadRequests_data()
{
    QTest::addColumn<QJsonObject>("body");
    QTest::newRow("no shots") << QJsonObject{{u"lock"_qs, u""_qs}};
    QTest::newRow("shots not text") << QJsonObject{{u"shots"_qs, QJsonArray()}};
    QTest::newRow("lock not text") << QJsonObject{{u"shots"_qs, outline}, {u"lock"_qs, 7}};
}

void tst_ServerRenders::dryRunRefusesBadRequests()
{
    QFETCH(QJsonObject, body);
    const auto reply = m_http->postJson(u"v1/cutgraph/dry-run"_qs, body);
    QCOMPARE(reply.status, 400);
    QVERIFY(!reply.error().isEmpty());
}

void tst_ServerRenders::shipIsRecorded()
{
    const auto bare = m_http->postJson(u"v1/ships"_qs, shipBody());
    QCOMPARE(bare.status, 201);
    const QJsonObject first = bare.json().value(u"ship"_qs).toObject();
    QCOMPARE(first.keys(),
             (QStringList{u"commit"_qs, u"createdAt"_qs, u"deliverable"_qs, u"id"_qs, u"tag"_qs}));
    QCOMPARE(first.value(u"commit"_qs).toString(), QString(40, u'a'));
    QCOMPARE(first.value(u"tag"_qs).toString(), u"ship/feature"_qs);

    QJsonObject body = shipBody();
    body.insert(u"tag"_qs, u"ship/feature.2"_qs);
    body.insert(u"airDate"_qs, u"2025-03-14"_qs);
    body.insert(u"shots"_qs, outline);
    body.insert(u"lock"_qs, lockPinning({}));
    const auto full = m_http->postJson(u"v1/ships"_qs, body);
    QCOMPARE(full.status, 201);
    const QJsonObject second = full.json().value(u"ship"_qs).toObject();
    QCOMPARE(second.value(u"airDate"_qs).toString(), u"2025-03-14"_qs);
    QVERIFY(second.value(u"id"_qs) != first.value(u"id"_qs));

    const auto list = m_http->get(u"v1/ships?org=alice&slug=harbour"_qs);
    QCOMPARE(list.status, 200);
    const QJsonArray ships = list.json().value(u"ships"_qs).toArray();
    QCOMPARE(ships.size(), 2);
    QCOMPARE(ships.at(0).toObject(), second);
    QCOMPARE(ships.at(1).toObject(), first);
}

void tst_ServerRenders::shipRefusesBadRequests_data()
{
    QTest::addColumn<QJsonObject>("body");
    QTest::addColumn<QString>("token");
    QTest::addColumn<int>("status");
    const auto with = [](const QString &key, const QJsonValue &value) {
        QJsonObject body = shipBody();
        if (value.isUndefined())
            body.remove(key);
        else
            body.insert(key, value);
        return body;
    };
    for (const QString &key : {u"org"_qs, u"slug"_qs, u"deliverable"_qs, u"commit"_qs, u"tag"_qs})
        QTest::addRow("no %s", qPrintable(key))
            << with(key, QJsonValue::Undefined) << aliceToken << 400;
    QTest::newRow("commit not hex") << with(u"commit"_qs, u"HEAD~1"_qs) << aliceToken << 400;
    QTest::newRow("air date month 13")
        << with(u"airDate"_qs, u"2025-13-01"_qs) << aliceToken << 400;
    QTest::newRow("air date words") << with(u"airDate"_qs, u"tomorrow"_qs) << aliceToken << 400;
    QTest::newRow("shots not text") << with(u"shots"_qs, 1) << aliceToken << 400;
    QTest::newRow("unknown project") << with(u"slug"_qs, u"nowhere"_qs) << aliceToken << 404;
    QTest::newRow("someone else's project") << shipBody() << bobToken << 404;
}

void tst_ServerRenders::shipRefusesBadRequests()
{
    QFETCH(QJsonObject, body);
    QFETCH(QString, token);
    QFETCH(int, status);
    TestHttp http(m_server.baseUrl());
    http.setToken(token);
    const auto reply = http.postJson(u"v1/ships"_qs, body);
    QCOMPARE(reply.status, status);
    QVERIFY(!reply.error().isEmpty());
}

void tst_ServerRenders::restartKeepsTakesMediaShipsAndFinishesRenders()
{
    ServerProcess server;
    QVERIFY2(
        server.start({u"--user"_qs, u"alice="_qs + aliceToken, u"--render-seconds"_qs, u"0.3"_qs}),
        qPrintable(server.errorString()));
    auto http = std::make_unique<TestHttp>(server.baseUrl());
    http->setToken(aliceToken);
    QCOMPARE(http->postJson(u"v1/projects"_qs, {{u"org"_qs, u"alice"_qs},
                                                {u"slug"_qs, u"harbour"_qs},
                                                {u"title"_qs, u"Harbour"_qs},
                                                {u"type"_qs, u"film"_qs}})
                 .status,
             201);
    const auto rendered = http->postJson(u"v1/renders"_qs, renderBody(u"s1-01"_qs));
    const QJsonObject finished =
        waitForTake(*http, rendered.json().value(u"take"_qs).toObject().value(u"id"_qs).toString());
    QCOMPARE(finished.value(u"status"_qs).toString(), u"succeeded"_qs);
    const QJsonObject ship =
        http->postJson(u"v1/ships"_qs, shipBody()).json().value(u"ship"_qs).toObject();
    QVERIFY(!ship.isEmpty());

    // A take still rendering when the server stops is finished by the next one, at the due time
    // it was given when it was created.
    server.stop();
    QVERIFY2(
        server.start({u"--user"_qs, u"alice="_qs + aliceToken, u"--render-seconds"_qs, u"1.5"_qs}),
        qPrintable(server.errorString()));
    http = std::make_unique<TestHttp>(server.baseUrl());
    http->setToken(aliceToken);
    const auto pending = http->postJson(u"v1/renders"_qs, renderBody(u"s1-02"_qs));
    QCOMPARE(pending.status, 202);
    const QString pendingId =
        pending.json().value(u"take"_qs).toObject().value(u"id"_qs).toString();
    server.stop();
    QVERIFY2(
        server.start({u"--user"_qs, u"alice="_qs + aliceToken, u"--render-seconds"_qs, u"3600"_qs}),
        qPrintable(server.errorString()));
    http = std::make_unique<TestHttp>(server.baseUrl());
    http->setToken(aliceToken);
    QCOMPARE(waitForTake(*http, pendingId).value(u"status"_qs).toString(), u"succeeded"_qs);

    QJsonObject again = http->get(u"v1/renders/"_qs + finished.value(u"id"_qs).toString())
                            .json()
                            .value(u"take"_qs)
                            .toObject();
    QVERIFY(again.value(u"outputUrl"_qs).toString().startsWith(server.baseUrl().toString()));
    QJsonObject before = finished;
    before.remove(u"outputUrl"_qs);
    again.remove(u"outputUrl"_qs);
    QCOMPARE(again, before);
    const QString url =
        http->get(u"v1/cas/"_qs + finished.value(u"outputCas"_qs).toString() + u"?json=1"_qs)
            .json()
            .value(u"url"_qs)
            .toString();
    QCOMPARE(download(url).status, 200);
    const QJsonArray ships =
        http->get(u"v1/ships?org=alice&slug=harbour"_qs).json().value(u"ships"_qs).toArray();
    QCOMPARE(ships, QJsonArray{ship});
}

QTEST_GUILESS_MAIN(tst_ServerRenders)
#include "tst_ServerRenders.moc"
