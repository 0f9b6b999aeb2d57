#pragma once

#include <optional>

#include <QMetaType>
#include <QString>

class QJsonObject;

// The signed-in account as the service describes it (`AccountSession::User`).
struct AccountUser {
    QString id;
    QString slug; // the handle, also the name of the personal organisation
    std::optional<QString> email;
    std::optional<QString> displayName;

    // Strict: `id` and `slug` strings, `email` and `displayName` strings or absent/null;
    // anything else throws DecodingError.
    static AccountUser fromJson(const QJsonObject &object);

    bool operator==(const AccountUser &) const = default;
};

Q_DECLARE_METATYPE(AccountUser)
