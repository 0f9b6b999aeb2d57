#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

// The JSON object the service sends with a failing status; only `error` is read.
struct ErrorPayload {
    std::optional<QString> error;

    // Absent when `body` is not a JSON object or its `error` is not a string; a null or missing
    // `error` gives a payload without one.
    static std::optional<ErrorPayload> fromJson(const QByteArray &body);

    bool operator==(const ErrorPayload &) const = default;
};
