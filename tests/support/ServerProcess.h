#pragma once

#include <memory>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

// A `slatebox-server` of the test's own: a fresh data folder, a free port (`--port 0`, read from
// the first line the server prints) and a stop when the fixture goes away. The binary comes
// from the environment variable SLATEBOX_SERVER_BINARY unless given.
class ServerProcess {
public:
    explicit ServerProcess(QString binary = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    // Starts the server with `--data <dataDir> --port 0` and `arguments`; false (with
    // errorString()) when it exits or prints no port within a few seconds.
    bool start(const QStringList &arguments = {});
    // Stops it with SIGTERM (SIGKILL after a grace period). Idempotent.
    void stop();
    // Stop, then start again on the same data folder with the same arguments.
    bool restart();

    bool isRunning() const;
    int port() const { return m_port; }
    QUrl baseUrl() const;
    QString dataDir() const { return m_dataDir.path(); }
    QString binary() const { return m_binary; }
    QString errorString() const { return m_error; }
    QByteArray standardError() const;

private:
    QString m_binary;
    QTemporaryDir m_dataDir;
    QStringList m_arguments;
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
    QString m_error;
};
