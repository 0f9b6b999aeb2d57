#include "core/service/SharedNetwork.h"

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

} // namespace

namespace SharedNetwork {

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

} // namespace SharedNetwork
