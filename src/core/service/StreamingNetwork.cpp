#include "core/service/StreamingNetwork.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QPointer>

namespace {

QPointer<QNetworkAccessManager> &injected()
{
    static QPointer<QNetworkAccessManager> manager;
    return manager;
}

QPointer<QNetworkAccessManager> &owned()
{
    static QPointer<QNetworkAccessManager> manager;
    return manager;
}

StreamingNetwork::Timeouts &configured()
{
    static StreamingNetwork::Timeouts timeouts;
    return timeouts;
}

} // namespace

namespace StreamingNetwork {

QNetworkAccessManager *manager()
{
    if (injected())
        return injected();
    if (!owned())
        owned() = new QNetworkAccessManager(QCoreApplication::instance());
    return owned();
}

void setManager(QNetworkAccessManager *manager)
{
    injected() = manager;
}

Timeouts timeouts()
{
    return configured();
}

void setTimeouts(Timeouts timeouts)
{
    configured() = timeouts;
}

} // namespace StreamingNetwork
