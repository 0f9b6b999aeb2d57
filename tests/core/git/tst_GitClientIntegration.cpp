// GitClient over HTTP against the reference service: a project's repository cloned, committed,
// pushed, tagged and fast-forwarded with the device token from the keychain; a refused token
// tried once; the token withheld from a plain-http remote host.
#include <functional>

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <QCoro/QCoroTask>

#include "GitFixture.h"
#include "core/git/GitClient.h"
#include "core/git/GitError.h"
#include "core/git/GitTasks.h"
#include "core/platform/KeychainStore.h"
#include "core/platform/MemorySecretStore.h"
#include "support/ServerProcess.h"

namespace {

const QString token = u"alice-git-token-1"_qs;
using GitFixture::failureOf;
using GitFixture::mainRefspec;

QCoro::Task<QString> outcome(QCoro::Task<void> task)
{
    try {
        co_await std::move(task);
    } catch (const GitError &error) {
        co_return error.message();
    }
    co_return u"ok"_qs;
}

// Answers every request with a basic-auth challenge and keeps the request heads it saw.
class ChallengingServer : public QTcpServer {
public:
    QList<QByteArray> heads;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray &buffer = m_buffers[socket];
            buffer += socket->readAll();
            const qsizetype end = buffer.indexOf("\r\n\r\n");
            if (end < 0) {
                return;
            }
            heads.append(buffer.left(end));
            buffer.clear();
            socket->write("HTTP/1.1 401 Unauthorized\r\n"
                          "WWW-Authenticate: Basic realm=\"x\"\r\n"
                          "Content-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
        });
    }

private:
    QHash<QTcpSocket *, QByteArray> m_buffers;
};

} // namespace

class tst_GitClientIntegration : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void cloneCommitPushTagAndFastForward();
    void hostNamesAndUnreachableRemotes();
    void rejectedRefUpdateFailsThePush();
    void refusedTokenIsTriedOnce();
    void missingTokenSendsNothing();
    void plainHttpRemoteHostNeverGetsTheToken();

private:
    // Creates <alice>/<slug> through the API and returns its clone URL.
    QString createProject(const QString &slug);
    QJsonObject challengeCounts();
    QJsonObject request(const QByteArray &verb, const QString &path, const QJsonObject &body);
    QString path(const QString &name) const { return m_dir->path() + u'/' + name; }

    QTemporaryDir m_emptyConfig;
    ServerProcess m_server;
    QNetworkAccessManager m_network;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_GitClientIntegration::initTestCase()
{
    QVERIFY(m_emptyConfig.isValid());
    GitFixture::isolateConfiguration(m_emptyConfig.path());
    GitClient::setFallbackIdentity(u"Alice"_qs, u"alice@x.test"_qs);
    KeychainStore::setSecretStore(std::make_shared<MemorySecretStore>());
    QVERIFY2(m_server.start({u"--user"_qs, u"alice="_qs + token, u"--test-hooks"_qs}),
             qPrintable(m_server.errorString()));
}

void tst_GitClientIntegration::init()
{
    KeychainStore::saveDeviceToken(token);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QJsonObject tst_GitClientIntegration::request(const QByteArray &verb, const QString &path,
                                              const QJsonObject &body)
{
    QNetworkRequest request(m_server.baseUrl().resolved(QUrl(path)));
    request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    std::unique_ptr<QNetworkReply> reply(m_network.sendCustomRequest(
        request, verb, body.isEmpty() ? QByteArray() : QJsonDocument(body).toJson()));
    QEventLoop loop;
    connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return QJsonDocument::fromJson(reply->readAll()).object();
}

QString tst_GitClientIntegration::createProject(const QString &slug)
{
    const QJsonObject created = request("POST", u"/v1/projects"_qs,
                                        QJsonObject{{u"org"_qs, u"alice"_qs},
                                                    {u"slug"_qs, slug},
                                                    {u"title"_qs, QString(u"Project "_qs + slug)},
                                                    {u"type"_qs, u"film"_qs}});
    return created.value(u"cloneUrl"_qs).toString();
}

QJsonObject tst_GitClientIntegration::challengeCounts()
{
    return request("GET", u"/v1/test/git-challenges"_qs, {});
}

void tst_GitClientIntegration::cloneCommitPushTagAndFastForward()
{
    const QString url = createProject(u"pilot"_qs);
    QVERIFY2(url.startsWith(u"http://127.0.0.1:"_qs), qPrintable(url));
    const QString a = path(u"a"_qs);
    GitClient::clone(url, a);
    QCOMPARE(GitFixture::headName(a), u"refs/heads/main"_qs);
    QVERIFY(QFile::exists(a + u"/slatebox.yaml"_qs));
    QCOMPARE(GitClient::statusPaths(a), QSet<QString>());

    QVERIFY(GitFixture::writeFile(a, u"notes/idea.md"_qs, "A storm.\n"));
    QCOMPARE(GitClient::statusPaths(a), QSet<QString>{u"notes/idea.md"_qs});
    GitClient::addAll(a);
    GitClient::commit(u"Save"_qs, a);
    GitClient::push(mainRefspec, a);
    GitClient::createTag(u"ship/feature-1"_qs, a);
    GitClient::push(u"refs/tags/ship/feature-1:refs/tags/ship/feature-1"_qs, a);

    const QString b = path(u"b"_qs);
    GitClient::clone(url, b);
    QCOMPARE(GitClient::headCommit(b), GitClient::headCommit(a));
    QCOMPARE(GitClient::tags(u"ship/*"_qs, b), QStringList{u"ship/feature-1"_qs});
    QCOMPARE(GitClient::show(u"HEAD:notes/idea.md"_qs, b), u"A storm.\n"_qs);

    QVERIFY(GitFixture::writeFile(b, u"notes/idea.md"_qs, "A storm at sea.\n"));
    GitClient::addAll(b);
    GitClient::commit(u"From b"_qs, b);
    GitClient::push(mainRefspec, b);
    QCOMPARE(GitClient::fastForwardFromOrigin(a), true);
    QCOMPARE(GitClient::headCommit(a), GitClient::headCommit(b));
    QCOMPARE(GitFixture::readFile(a + u"/notes/idea.md"_qs), QByteArray("A storm at sea.\n"));
    QCOMPARE(GitClient::fastForwardFromOrigin(a), false);
}

// Connections go through the client's own socket stream: a host name resolves to each of its
// addresses in turn (localhost may be ::1 first, where the server does not listen), and a
// remote that cannot be reached fails with the address in the message.
void tst_GitClientIntegration::hostNamesAndUnreachableRemotes()
{
    const QString url = createProject(u"by-name"_qs);
    QString byName = url;
    byName.replace(u"//127.0.0.1:"_qs, u"//localhost:"_qs);
    GitClient::clone(byName, path(u"a"_qs));
    QVERIFY(QFile::exists(path(u"a/slatebox.yaml"_qs)));

    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    const QString unreachable = u"http://127.0.0.1:"_qs + QString::number(port) + u"/x.git"_qs;
    const QString message = failureOf([&] { GitClient::clone(unreachable, path(u"b"_qs)); });
    QVERIFY2(message.startsWith(u"git clone "_qs + unreachable +
                                u": failed to connect to 127.0.0.1: "_qs),
             qPrintable(message));
}

// A ref the service's hook declines comes back as a failed push, not as a silent success.
void tst_GitClientIntegration::rejectedRefUpdateFailsThePush()
{
    const QString url = createProject(u"hooked"_qs);
    const QString hook = m_server.dataDir() + u"/git/alice/hooked.git/hooks/update"_qs;
    QVERIFY(GitFixture::writeFile(m_server.dataDir(), u"git/alice/hooked.git/hooks/update"_qs,
                                  "#!/bin/sh\ncase \"$1\" in refs/tags/blocked*) exit 1;; esac\n"));
    QVERIFY(QFile::setPermissions(hook, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString a = path(u"a"_qs);
    GitClient::clone(url, a);
    GitClient::createTag(u"blocked-1"_qs, a);
    const QString message =
        failureOf([&] { GitClient::push(u"refs/tags/blocked-1:refs/tags/blocked-1"_qs, a); });
    QCOMPARE(message, u"git push refs/tags/blocked-1:refs/tags/blocked-1: "
                      u"refs/tags/blocked-1 was rejected: hook declined"_qs);
    GitClient::createTag(u"fine-1"_qs, a);
    GitClient::push(u"refs/tags/fine-1:refs/tags/fine-1"_qs, a);
}

// The service refuses the token: the client offers it once, then gives up with its own text.
void tst_GitClientIntegration::refusedTokenIsTriedOnce()
{
    const QString url = createProject(u"refused"_qs);
    const QString a = path(u"a"_qs);
    GitClient::clone(url, a);
    QVERIFY(GitFixture::writeFile(a, u"x.md"_qs, "x\n"));
    GitClient::addAll(a);
    GitClient::commit(u"x"_qs, a);
    KeychainStore::saveDeviceToken(u"not-a-known-token"_qs);

    const QList<std::tuple<const char *, QString, std::function<void()>>> operations{
        {"push", u"git push HEAD:refs/heads/main: "_qs, [&] { GitClient::push(mainRefspec, a); }},
        {"fetch", u"git fetch origin: "_qs, [&] { GitClient::fastForwardFromOrigin(a); }},
        {"clone", u"git clone "_qs + url + u": "_qs, [&] { GitClient::clone(url, path(u"c"_qs)); }},
    };
    for (const auto &[name, prefix, operation] : operations) {
        const qint64 before = challengeCounts().value(u"refused"_qs).toInteger(-100);
        const QString message = failureOf(operation);
        const qint64 after = challengeCounts().value(u"refused"_qs).toInteger(-200);
        QVERIFY2(message == prefix + u"the device token was refused"_qs,
                 qPrintable(QString::fromLatin1(name) + u": "_qs + message));
        QVERIFY2(after - before == 1, qPrintable(QString::fromLatin1(name) + u": "_qs +
                                                 QString::number(after - before)));
    }
    QVERIFY(!QFile::exists(path(u"c"_qs) + u"/.git"_qs));
}

void tst_GitClientIntegration::missingTokenSendsNothing()
{
    const QString url = createProject(u"signed-out"_qs);
    KeychainStore::deleteDeviceToken();
    const qint64 before = challengeCounts().value(u"refused"_qs).toInteger(-100);
    const QString message = failureOf([&] { GitClient::clone(url, path(u"a"_qs)); });
    QCOMPARE(message, u"git clone "_qs + url + u": no device token: sign in first"_qs);
    QCOMPARE(challengeCounts().value(u"refused"_qs).toInteger(-200), before);
}

// A remote reached over plain http on a host other than this machine never sees the token,
// even though it asks for credentials.
void tst_GitClientIntegration::plainHttpRemoteHostNeverGetsTheToken()
{
    QHostAddress outside;
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
            outside = address;
            break;
        }
    }
    if (outside.isNull()) {
        QSKIP("this machine has no non-loopback IPv4 address");
    }
    ChallengingServer server;
    QVERIFY(server.listen(QHostAddress::AnyIPv4));
    const QString url = u"http://"_qs + outside.toString() + u':' +
                        QString::number(server.serverPort()) + u"/git/alice/x.git"_qs;

    const QString message = QCoro::waitFor(outcome(GitTasks::clone(url, path(u"a"_qs))));
    QCOMPARE(message, u"git clone "_qs + url +
                          u": the device token is sent only over https or to this computer"_qs);
    QVERIFY(!server.heads.isEmpty());
    for (const QByteArray &head : std::as_const(server.heads)) {
        QVERIFY2(!head.toLower().contains("\r\nauthorization:"), head.constData());
        QVERIFY(!head.contains(token.toUtf8()));
    }
}

QTEST_GUILESS_MAIN(tst_GitClientIntegration)
#include "tst_GitClientIntegration.moc"
