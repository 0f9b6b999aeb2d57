#include "core/service/StreamingNetwork.h"

#include "core/service/NetworkManagerSlot.h"

namespace {

NetworkManagerSlot &slot()
{
    static NetworkManagerSlot slot;
    return slot;
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
    return slot().manager();
}

void setManager(QNetworkAccessManager *manager)
{
    slot().setManager(manager);
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
