#include "support/ServerProcess.h"

#include <QDeadlineTimer>

ServerProcess::ServerProcess(QString binary)
    : m_binary(binary.isEmpty() ? qEnvironmentVariable("SLATEBOX_SERVER_BINARY") : binary)
{
}

ServerProcess::~ServerProcess()
{
    stop();
}

bool ServerProcess::start(const QStringList &arguments)
{
    stop();
    m_arguments = arguments;
    m_error.clear();
    m_port = 0;
    if (m_binary.isEmpty()) {
        m_error = u"SLATEBOX_SERVER_BINARY is not set"_qs;
        return false;
    }
    if (!m_dataDir.isValid()) {
        m_error = u"no temporary data folder"_qs;
        return false;
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProgram(m_binary);
    m_process->setArguments(QStringList{u"--data"_qs, m_dataDir.path(), u"--port"_qs, u"0"_qs} +
                            arguments);
    m_process->start();
    if (!m_process->waitForStarted(10000)) {
        m_error = m_process->errorString();
        return false;
    }
    // The first line is the port; it comes only once the socket is bound.
    const QDeadlineTimer deadline(15000);
    while (!m_process->canReadLine()) {
        if (m_process->state() == QProcess::NotRunning || deadline.hasExpired() ||
            !m_process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            if (m_process->state() == QProcess::NotRunning || deadline.hasExpired()) {
                m_error = u"server printed no port: "_qs +
                          QString::fromLocal8Bit(m_process->readAllStandardError()).trimmed();
                stop();
                return false;
            }
        }
    }
    bool ok = false;
    m_port = m_process->readLine().trimmed().toInt(&ok);
    if (!ok || m_port <= 0) {
        m_error = u"server printed no port on its first line"_qs;
        stop();
        return false;
    }
    return true;
}

void ServerProcess::stop()
{
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
}

bool ServerProcess::restart()
{
    return start(m_arguments);
}

bool ServerProcess::isRunning() const
{
    return m_process && m_process->state() != QProcess::NotRunning;
}

QUrl ServerProcess::baseUrl() const
{
    return QUrl(u"http://127.0.0.1:"_qs + QString::number(m_port));
}

QByteArray ServerProcess::standardError() const
{
    return m_process ? m_process->readAllStandardError() : QByteArray();
}
