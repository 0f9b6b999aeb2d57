#include "core/service/NetworkManagerSlot.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>

QNetworkAccessManager *NetworkManagerSlot::manager()
{
    if (m_injected)
        return m_injected;
    if (!m_owned)
        m_owned = new QNetworkAccessManager(QCoreApplication::instance());
    return m_owned;
}

void NetworkManagerSlot::setManager(QNetworkAccessManager *manager)
{
    m_injected = manager;
}
