#pragma once

#include <optional>

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>

// A whole answer of the service, read to its end. `statusCode` is absent when the answer was not
// an HTTP response (a `file:` URL, say), which `SlateboxAPI::check` reports as such.
struct APIResponse {
    QUrl url;
    std::optional<int> statusCode;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The first header of that name, compared without regard to case; empty when missing.
    QByteArray header(const QByteArray &name) const;
};
