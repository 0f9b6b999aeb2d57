#include "core/service/DeepLinkCenter.h"

DeepLinkCenter &DeepLinkCenter::instance()
{
    static DeepLinkCenter center;
    return center;
}

void DeepLinkCenter::post(const QUrl &url)
{
    emit deepLinkReceived(url);
}
