// Command line, data folder and port failures, and state that survives a restart.
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "TestGit.h"
#include "TestHttp.h"
#include "support/ServerProcess.h"

namespace {

struct Exit {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the server with `arguments` and expects it to give up on its own.
Exit runToExit(const QStringList &arguments)
{
    QProcess process;
    process.start(qEnvironmentVariable("SLATEBOX_SERVER_BINARY"), arguments);
    Exit exit;
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return exit;
    }
    exit.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    exit.out = process.readAllStandardOutput();
    exit.err = process.readAllStandardError();
    return exit;
}

// A client socket that blocks on every call, with a 10-second limit for reads.
class BlockingSocket {
public:
    BlockingSocket() = default;
    ~BlockingSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    BlockingSocket(const BlockingSocket &) = delete;
    BlockingSocket &operator=(const BlockingSocket &) = delete;

    bool connectTo(int port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const timeval timeout{10, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(quint16(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return m_fd >= 0 &&
               ::connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    }
    bool send(const QByteArray &bytes)
    {
        return ::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) ==
               ssize_t(bytes.size());
    }
    QByteArray receive()
    {
        char buffer[512];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        return n > 0 ? QByteArray(buffer, n) : QByteArray();
    }

private:
    int m_fd = -1;
};

} // namespace

class tst_ServerStartup : public QObject {
    Q_OBJECT

private slots:
    void refusesBadCommandLine_data();
    void refusesBadCommandLine();
    void refusesBusyPort();
    void refusesDataFolderInUse();
    void refusesUnusableDataFolder();
    void printsPortFirstAndServes();
    void restartKeepsAccountsProjectsAndRepositories();
    void servesManyOpenConnectionsAtOnce();
};

void tst_ServerStartup::refusesBadCommandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QString data = QDir::tempPath() + u"/slatebox-startup-unused"_qs;
    QTest::newRow("unknown flag") << QStringList{u"--data"_qs, data, u"--verbose"_qs}
                                  << u"unknown option \"--verbose\""_qs;
    QTest::newRow("no data folder") << QStringList{u"--port"_qs, u"0"_qs} << u"--data DIR"_qs;
    QTest::newRow("data without value") << QStringList{u"--data"_qs} << u"--data needs a value"_qs;
    QTest::newRow("port not a number")
        << QStringList{u"--data"_qs, data, u"--port"_qs, u"http"_qs} << u"--port must be"_qs;
    QTest::newRow("port out of range")
        << QStringList{u"--data"_qs, data, u"--port"_qs, u"70000"_qs} << u"--port must be"_qs;
    QTest::newRow("user handle unsafe")
        << QStringList{u"--data"_qs, data, u"--user"_qs, u"../x=token1234"_qs} << u"--user"_qs;
    QTest::newRow("user without token")
        << QStringList{u"--data"_qs, data, u"--user"_qs, u"alice"_qs} << u"--user alice"_qs;
    QTest::newRow("flag value on a switch")
        << QStringList{u"--data"_qs, data, u"--test-hooks=1"_qs} << u"takes no value"_qs;
}

void tst_ServerStartup::refusesBadCommandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Exit exit = runToExit(arguments);
    QVERIFY(exit.code > 0);
    QVERIFY(exit.out.isEmpty());
    const QString err = QString::fromLocal8Bit(exit.err);
    QCOMPARE(err.count(u'\n'), 1); // one line
    QVERIFY2(err.startsWith(u"slatebox-server: "_qs), qPrintable(err));
    QVERIFY2(err.contains(message), qPrintable(err));
}

void tst_ServerStartup::refusesBusyPort()
{
    ServerProcess first;
    QVERIFY2(first.start(), qPrintable(first.errorString()));
    QTemporaryDir data;
    const Exit exit =
        runToExit({u"--data"_qs, data.path(), u"--port"_qs, QString::number(first.port())});
    QVERIFY(exit.code > 0);
    const QString err = QString::fromLocal8Bit(exit.err);
    QCOMPARE(err.count(u'\n'), 1);
    QVERIFY2(err.contains(u"busy"_qs), qPrintable(err));
    QVERIFY(first.isRunning());
}

void tst_ServerStartup::refusesDataFolderInUse()
{
    ServerProcess first;
    QVERIFY2(first.start(), qPrintable(first.errorString()));
    const Exit exit = runToExit({u"--data"_qs, first.dataDir(), u"--port"_qs, u"0"_qs});
    QVERIFY(exit.code > 0);
    const QString err = QString::fromLocal8Bit(exit.err);
    QCOMPARE(err.count(u'\n'), 1);
    QVERIFY2(err.contains(u"another slatebox-server is using it"_qs), qPrintable(err));

    // Once the first has stopped (it leaves its lock file behind), the folder is free again.
    first.stop();
    QVERIFY2(first.restart(), qPrintable(first.errorString()));
}

void tst_ServerStartup::refusesUnusableDataFolder()
{
    QTemporaryDir scratch;
    QFile file(scratch.filePath(u"plain-file"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    // A database file that is no database.
    const QString corrupt = scratch.filePath(u"corrupt"_qs);
    QVERIFY(QDir().mkpath(corrupt));
    QFile database(corrupt + u"/slatebox.db"_qs);
    QVERIFY(database.open(QIODevice::WriteOnly));
    database.write(QByteArray(4096, 'x'));
    database.close();

    for (const QString &dir :
         QStringList{file.fileName(), file.fileName() + u"/below"_qs, corrupt}) {
        const Exit exit = runToExit({u"--data"_qs, dir, u"--port"_qs, u"0"_qs});
        QVERIFY(exit.code > 0);
        const QString err = QString::fromLocal8Bit(exit.err);
        QCOMPARE(err.count(u'\n'), 1);
        QVERIFY2(err.contains(u"cannot use data folder"_qs), qPrintable(err));
        QVERIFY(exit.out.isEmpty());
    }
}

void tst_ServerStartup::printsPortFirstAndServes()
{
    ServerProcess server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    QVERIFY(server.port() > 0);
    const auto reply = TestHttp(server.baseUrl()).get(u"v1/no-such-thing"_qs);
    QCOMPARE(reply.status, 404);
    QVERIFY(!reply.error().isEmpty());
    QVERIFY(QFile::exists(server.dataDir() + u"/slatebox.db"_qs));
}

void tst_ServerStartup::restartKeepsAccountsProjectsAndRepositories()
{
    ServerProcess server;
    QVERIFY2(server.start({u"--user"_qs, u"tester=tester-token-1"_qs}),
             qPrintable(server.errorString()));
    TestHttp http(server.baseUrl());
    http.setToken(u"tester-token-1"_qs);
    const auto created = http.postJson(u"v1/projects"_qs, {{u"org"_qs, u"tester"_qs},
                                                           {u"slug"_qs, u"keeper"_qs},
                                                           {u"title"_qs, u"Keeper"_qs},
                                                           {u"type"_qs, u"film"_qs}});
    QCOMPARE(created.status, 201);
    const QString id = created.json().value(u"id"_qs).toString();

    // Restarting without --user: the token given the first time stays valid.
    server.stop();
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    TestHttp again(server.baseUrl());
    again.setToken(u"tester-token-1"_qs);
    QCOMPARE(again.get(u"v1/me"_qs).status, 200);
    const auto list = again.get(u"v1/projects"_qs);
    QCOMPARE(list.status, 200);
    const QJsonArray projects = list.json().value(u"projects"_qs).toArray();
    QCOMPARE(projects.size(), 1);
    const QJsonObject project = projects.first().toObject();
    QCOMPARE(project.value(u"id"_qs).toString(), id);
    // The clone URL follows the new port; the repository is still there behind it.
    const QString cloneUrl = project.value(u"cloneUrl"_qs).toString();
    QCOMPARE(cloneUrl, server.baseUrl().toString() + u"/git/tester/keeper.git"_qs);
    const auto remote = TestGit::run(
        {u"ls-remote"_qs, TestGit::withCredentials(cloneUrl, u"token"_qs, u"tester-token-1"_qs)});
    QVERIFY2(remote.ok(), remote.err.constData());
    QVERIFY(remote.out.contains("refs/heads/main"));
}

void tst_ServerStartup::servesManyOpenConnectionsAtOnce()
{
    ServerProcess server;
    QVERIFY2(server.start(), qPrintable(server.errorString()));

    // Every connection holds a worker while its request is unfinished, as a streamed answer
    // does: 60 of them, opened in a burst, must not starve the next client. Plain blocking
    // sockets keep the test free of event-loop timing. (An unfinished request is dropped after
    // the server's 5-second read timeout, which bounds how slow this test may be.)
    constexpr int count = 60;
    const QByteArray head = "GET /v1/app/update?platform=linux&version=999 HTTP/1.1\r\n"
                            "Host: 127.0.0.1\r\nConnection: close\r\n";
    std::vector<BlockingSocket> sockets(count);
    for (BlockingSocket &socket : sockets) {
        QVERIFY(socket.connectTo(server.port()));
        QVERIFY(socket.send(head));
    }
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(TestHttp(server.baseUrl()).get(u"v1/app/update?platform=linux&version=999"_qs).status,
             204);
    QVERIFY2(timer.elapsed() < 4000, "a worker was free only after another request timed out");

    for (BlockingSocket &socket : sockets)
        QVERIFY(socket.send("\r\n"));
    for (BlockingSocket &socket : sockets)
        QVERIFY(socket.receive().startsWith("HTTP/1.1 204 No Content\r\n"));
}

QTEST_GUILESS_MAIN(tst_ServerStartup)
#include "tst_ServerStartup.moc"
