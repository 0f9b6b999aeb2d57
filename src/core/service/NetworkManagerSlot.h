#pragma once

#include <QPointer>

class QNetworkAccessManager;

// One process-wide network manager: a test may inject its own; otherwise one is made on first
// use, owned by the application object so it dies before Qt's network internals do.
class NetworkManagerSlot {
public:
    QNetworkAccessManager *manager();
    void setManager(QNetworkAccessManager *manager);

private:
    QPointer<QNetworkAccessManager> m_injected;
    QPointer<QNetworkAccessManager> m_owned;
};
