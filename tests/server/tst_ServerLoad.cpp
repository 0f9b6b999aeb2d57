// Many clients at once: each streams one agent turn and otherwise keeps making API calls for the
// whole run; not one request may fail. Prints the request rate. SLATEBOX_LOAD_SECONDS and
// SLATEBOX_LOAD_CLIENTS change the run's length (30 s) and size (50 clients).
#include <atomic>
#include <thread>
#include <vector>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QtTest>

#include "TestHttp.h"
#include "support/ServerProcess.h"

namespace {

const QString token = u"load-token-1"_qs;

const QString outline = uR"(defaults:
  video_model: minimax-h3
scenes:
  - id: s1
    shots:
      - id: s1-01
        duration: 4
        intent: Open on the harbour
      - id: s1-02
        duration: 3
        intent: Boats come in
)"_qs;

struct Call {
    QByteArray method;
    QString path;
    QJsonObject body;
};

const QList<Call> &calls()
{
    static const QList<Call> calls{
        {"GET", u"v1/me"_qs, {}},
        {"GET", u"v1/projects"_qs, {}},
        {"POST", u"v1/renders/lookup"_qs, {{u"shots"_qs, outline}, {u"shotId"_qs, u"s1-02"_qs}}},
        {"POST", u"v1/cutgraph/dry-run"_qs, {{u"shots"_qs, outline}}},
        {"GET", u"v1/agent/models"_qs, {}},
        {"POST",
         u"v1/agent/title"_qs,
         {{u"messages"_qs,
           QJsonArray{QJsonObject{{u"role"_qs, u"user"_qs}, {u"content"_qs, u"a storm"_qs}}}}}},
        {"GET", u"v1/ships?org=load&slug=harbour"_qs, {}},
    };
    return calls;
}

QJsonObject turnBody(int client)
{
    return {
        {u"model"_qs, u"auto"_qs},
        {u"mode"_qs, u"agent"_qs},
        {u"messages"_qs,
         QJsonArray{QJsonObject{{u"role"_qs, u"user"_qs},
                                {u"content"_qs, u"edit the bible, client %1"_qs.arg(client)}}}},
        {u"context"_qs,
         QJsonObject{{u"title"_qs, u"Harbour"_qs},
                     {u"type"_qs, u"film"_qs},
                     {u"files"_qs, QJsonArray{QJsonObject{{u"path"_qs, u"bible/world.md"_qs},
                                                          {u"contents"_qs, u"# World\n"_qs}}}}}}};
}

struct Tally {
    std::atomic<qint64> requests{0};
    std::atomic<qint64> turns{0};
    std::atomic<qint64> failures{0};
    std::mutex mutex;
    QStringList firstFailures;

    void fail(const QString &what)
    {
        ++failures;
        const std::lock_guard lock(mutex);
        if (firstFailures.size() < 10)
            firstFailures << what;
    }
};

// One client: its own network manager and event loop on its own thread.
class Client {
public:
    Client(QUrl base, int index, int count, Tally &tally)
        : m_base(std::move(base))
        , m_index(index)
        , m_count(count)
        , m_tally(tally)
    {
    }

    void run(qint64 deadlineMs, const QElapsedTimer &clock)
    {
        QNetworkAccessManager manager;
        m_manager = &manager;
        int next = m_index;
        // Each client's turn starts at another moment, so turns overlap with every kind of call.
        const qint64 turnAt = deadlineMs * m_index / (qint64(m_count) * 2);
        bool turned = false;
        while (clock.elapsed() < deadlineMs) {
            if (!turned && clock.elapsed() >= turnAt) {
                turned = true;
                streamTurn();
                continue;
            }
            const Call &call = calls().at(next++ % calls().size());
            send(call);
        }
        if (!turned)
            streamTurn();
    }

private:
    std::unique_ptr<QNetworkReply> start(const QByteArray &method, const QString &path,
                                         const QJsonObject &body)
    {
        QNetworkRequest request(QUrl(m_base.toString() + u'/' + path));
        request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
        if (method == "GET")
            return std::unique_ptr<QNetworkReply>(m_manager->get(request));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        return std::unique_ptr<QNetworkReply>(
            m_manager->post(request, QJsonDocument(body).toJson(QJsonDocument::Compact)));
    }

    static void wait(QNetworkReply &reply)
    {
        QEventLoop loop;
        QObject::connect(&reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        if (!reply.isFinished())
            loop.exec();
    }

    void send(const Call &call)
    {
        auto reply = start(call.method, call.path, call.body);
        wait(*reply);
        ++m_tally.requests;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status != 200)
            m_tally.fail(u"%1 %2: %3 %4"_qs.arg(QString::fromLatin1(call.method), call.path)
                             .arg(status)
                             .arg(reply->errorString()));
    }

    void streamTurn()
    {
        auto reply = start("POST", u"v1/agent/chat"_qs, turnBody(m_index));
        wait(*reply);
        ++m_tally.requests;
        ++m_tally.turns;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QByteArray body = reply->readAll();
        if (status != 200 || !body.endsWith("data: {\"done\":true}\n"))
            m_tally.fail(u"turn of client %1: %2 %3"_qs.arg(m_index).arg(status).arg(
                QString::fromUtf8(body.right(80))));
    }

    QUrl m_base;
    int m_index;
    int m_count;
    Tally &m_tally;
    QNetworkAccessManager *m_manager = nullptr;
};

} // namespace

class tst_ServerLoad : public QObject {
    Q_OBJECT

private slots:
    void manyClientsWithoutAFailedRequest();
};

void tst_ServerLoad::manyClientsWithoutAFailedRequest()
{
    const int seconds = qEnvironmentVariableIsSet("SLATEBOX_LOAD_SECONDS")
                            ? qEnvironmentVariableIntValue("SLATEBOX_LOAD_SECONDS")
                            : 30;
    const int clients = qEnvironmentVariableIsSet("SLATEBOX_LOAD_CLIENTS")
                            ? qEnvironmentVariableIntValue("SLATEBOX_LOAD_CLIENTS")
                            : 50;
    ServerProcess server;
    QVERIFY2(server.start({u"--user"_qs, u"load="_qs + token}), qPrintable(server.errorString()));
    TestHttp http(server.baseUrl());
    http.setToken(token);
    QCOMPARE(http.postJson(u"v1/projects"_qs, {{u"org"_qs, u"load"_qs},
                                               {u"slug"_qs, u"harbour"_qs},
                                               {u"title"_qs, u"Harbour"_qs},
                                               {u"type"_qs, u"film"_qs}})
                 .status,
             201);

    Tally tally;
    QElapsedTimer clock;
    clock.start();
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i) {
        threads.emplace_back([&, i] {
            Client client(server.baseUrl(), i, clients, tally);
            client.run(qint64(seconds) * 1000, clock);
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    const double elapsed = double(clock.elapsed()) / 1000.0;

    std::printf(
        "load: %d clients for %.1f s: %lld requests (%lld streamed turns), %.0f requests/s, "
        "%lld failed\n",
        clients, elapsed, qlonglong(tally.requests.load()), qlonglong(tally.turns.load()),
        double(tally.requests.load()) / elapsed, qlonglong(tally.failures.load()));
    std::fflush(stdout);
    QVERIFY2(tally.failures == 0, qPrintable(tally.firstFailures.join(u"; "_qs)));
    QCOMPARE(tally.turns.load(), qint64(clients));
    QVERIFY(server.isRunning());
}

QTEST_GUILESS_MAIN(tst_ServerLoad)
#include "tst_ServerLoad.moc"
