#pragma once

#include <optional>

#include <QString>

#include "UserRecord.h"

class Database;

// Accounts, their device tokens and the one-time sign-in codes of the browser sign-in.
class AccountStore {
public:
    explicit AccountStore(Database &db)
        : m_db(db)
    {
    }

    // Makes the account (and its personal organisation of the same slug) when it does not exist
    // yet; an existing account is returned as it is.
    UserRecord ensureAccount(const QString &slug, const std::optional<QString> &displayName,
                             const std::optional<QString> &email);
    std::optional<UserRecord> userBySlug(const QString &slug);
    std::optional<UserRecord> userForToken(const QString &token);

    // Registers a fixed token for an account (idempotent).
    void addToken(const QString &userId, const QString &token);
    QString issueToken(const QString &userId);

    // A one-time code bound to the challenge of the sign-in that asked for it.
    QString createCode(const QString &userId, const QString &challenge);

    struct Exchange {
        std::optional<UserRecord> user;
        QString token;
        QString error; // set when `user` is empty
    };
    // Trades a code for a new device token: the code must be unused, younger than `ttlSeconds`,
    // and the SHA-256 hex of `verifier` must equal its challenge. A code is spent only by a
    // successful exchange.
    Exchange exchange(const QString &code, const QString &verifier, int ttlSeconds);

private:
    Database &m_db;
};
