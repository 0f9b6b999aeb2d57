#include "core/service/SharedNetwork.h"

#include "core/service/NetworkManagerSlot.h"

namespace {

NetworkManagerSlot &slot()
{
    static NetworkManagerSlot slot;
    return slot;
}

} // namespace

namespace SharedNetwork {

QNetworkAccessManager *manager()
{
    return slot().manager();
}

void setManager(QNetworkAccessManager *manager)
{
    slot().setManager(manager);
}

} // namespace SharedNetwork
