#pragma once

#include "core/UserFacingError.h"

#include <QNetworkReply>

// A request that got no HTTP answer at all: no connection, a timeout, an aborted transfer. The
// message is Qt's own text for the failure; `code()` tells a cancellation from the rest.
class TransportError : public UserFacingError {
public:
    TransportError(QNetworkReply::NetworkError code, QString message)
        : UserFacingError(std::move(message))
        , m_code(code)
    {
    }

    QNetworkReply::NetworkError code() const noexcept { return m_code; }
    bool isCancellation() const noexcept { return m_code == QNetworkReply::OperationCanceledError; }

private:
    QNetworkReply::NetworkError m_code;
};
