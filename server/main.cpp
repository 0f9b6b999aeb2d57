#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <sys/socket.h>

#include <httplib.h>

#include "AccountStore.h"
#include "Database.h"
#include "DemoAccounts.h"
#include "OrgStore.h"
#include "ProjectService.h"
#include "ProjectStore.h"
#include "RepositoryStore.h"
#include "Routes.h"
#include "ServerContext.h"
#include "ServerOptions.h"

namespace {

int fail(const QString &message, int code = 1)
{
    std::fprintf(stderr, "slatebox-server: %s\n", message.toLocal8Bit().constData());
    return code;
}

// Makes the data folder and its subfolders; returns an error text or an empty string.
QString prepareDataDir(const QString &dataDir)
{
    const QFileInfo info(dataDir);
    if (info.exists() && !info.isDir())
        return u"cannot use data folder "_qs + dataDir + u": it is not a folder"_qs;
    for (const QString &sub : {QString(), u"/git"_qs, u"/media"_qs, u"/tmp"_qs}) {
        if (!QDir().mkpath(dataDir + sub))
            return u"cannot use data folder "_qs + dataDir + u": cannot create "_qs + dataDir + sub;
    }
    if (!QFileInfo(dataDir).isWritable())
        return u"cannot use data folder "_qs + dataDir + u": not writable"_qs;
    return {};
}

// Scratch left by an interrupted creation or deletion; only safe once the folder is ours.
void clearScratch(const QString &dataDir)
{
    QDir(dataDir + u"/tmp"_qs).removeRecursively();
    QDir().mkpath(dataDir + u"/tmp"_qs);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"slatebox-server"_qs);
    QCoreApplication::setApplicationVersion(QStringLiteral(SLATEBOX_SERVER_VERSION));

    QString parseError;
    const auto parsed = ServerOptions::parse(QCoreApplication::arguments(), &parseError);
    if (!parsed)
        return fail(parseError, 2);
    if (parsed->help) {
        std::fputs(ServerOptions::usage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    const ServerOptions &options = *parsed;
    const QString dataDir = QDir::cleanPath(QFileInfo(options.dataDir).absoluteFilePath());
    if (const QString error = prepareDataDir(dataDir); !error.isEmpty())
        return fail(error);
    // One server per data folder. The lock outlives a killed server only as a stale file, which
    // QLockFile recognises by its process id.
    QLockFile lock(dataDir + u"/server.lock"_qs);
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0))
        return fail(u"cannot use data folder "_qs + dataDir +
                    (lock.error() == QLockFile::LockFailedError
                         ? u": another slatebox-server is using it"_qs
                         : u": cannot create its lock file"_qs));
    clearScratch(dataDir);

    Database db;
    if (const QString error = db.open(dataDir + u"/slatebox.db"_qs); !error.isEmpty())
        return fail(u"cannot use data folder "_qs + dataDir + u": database: "_qs + error);
    AccountStore accounts(db);
    OrgStore orgs(db);
    ProjectStore projects(db);
    RepositoryStore repositories(dataDir);
    ProjectService projectService(orgs, projects, repositories);
    DemoAccounts::seed(accounts, orgs, options.users);
    if (repositories.gitProgram().isEmpty())
        return fail(u"git is not installed (needed for project hosting)"_qs);

    ServerContext ctx{options, dataDir, db, accounts, orgs, projects, repositories, projectService};

    // Stop signals are taken by one thread with sigwait(); every other thread, and every child
    // process until it resets its mask, has them blocked. A closed client socket or child pipe
    // must not kill the server.
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    httplib::Server server;
    // Each open connection (and each streamed answer) holds a worker for its whole life.
    server.new_task_queue = [] { return new httplib::ThreadPool(128); };
    server.set_keep_alive_timeout(5);
    // httplib's default also sets SO_REUSEPORT, which would let a second server share a busy port.
    int listeningSocket = -1;
    server.set_socket_options([&listeningSocket](int sock) {
        const int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listeningSocket = sock;
    });
    Routes::registerAll(server, ctx);

    int port = options.port;
    if (port == 0) {
        port = server.bind_to_any_port("127.0.0.1");
        if (port <= 0)
            return fail(u"cannot listen on 127.0.0.1: no free port"_qs);
    } else if (!server.bind_to_port("127.0.0.1", port)) {
        return fail(u"cannot listen on 127.0.0.1:"_qs + QString::number(port) +
                    u": the port is busy or not allowed"_qs);
    }
    // httplib listens with a backlog of 5: a burst of clients overflows it while the accept
    // thread is busy, and the kernel drops their connection attempts for a second each. Listening
    // again on the bound socket raises the backlog.
    ::listen(listeningSocket, SOMAXCONN);
    ctx.port = port;
    std::printf("%d\n", port);
    std::printf("slatebox-server listening on %s (data %s)\n", ctx.baseUrl().toUtf8().constData(),
                dataDir.toLocal8Bit().constData());
    std::fflush(stdout);

    // On a stop signal leave at once: httplib's own stop() waits for idle keep-alive connections
    // to time out, and every change is already committed to the database and the repositories.
    std::thread signalWaiter([&server, stopSignals] {
        int received = 0;
        sigwait(&stopSignals, &received);
        server.stop();
        std::fflush(stdout);
        std::_Exit(0);
    });
    signalWaiter.detach();
    const bool ok = server.listen_after_bind();
    return ok ? 0 : fail(u"server stopped unexpectedly"_qs);
}
