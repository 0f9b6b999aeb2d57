#include "AccountStore.h"

#include <QCryptographicHash>
#include <QDateTime>

#include "Database.h"
#include "RandomToken.h"

namespace {

UserRecord userFromRow(const Database::Row &row)
{
    UserRecord user;
    user.id = Database::text(row.at(0));
    user.slug = Database::text(row.at(1));
    if (!std::holds_alternative<std::nullptr_t>(row.at(2)))
        user.email = Database::text(row.at(2));
    if (!std::holds_alternative<std::nullptr_t>(row.at(3)))
        user.displayName = Database::text(row.at(3));
    return user;
}

Database::Value optionalText(const std::optional<QString> &text)
{
    return text ? Database::Value(*text) : Database::Value(nullptr);
}

} // namespace

UserRecord AccountStore::ensureAccount(const QString &slug,
                                       const std::optional<QString> &displayName,
                                       const std::optional<QString> &email)
{
    return m_db.transaction([&] {
        if (auto existing = userBySlug(slug))
            return *existing;
        UserRecord user{u"usr_"_qs + RandomToken::hex(8), slug, email, displayName};
        m_db.exec(u"INSERT INTO users (id, slug, email, display_name) VALUES (?, ?, ?, ?)"_qs,
                  {user.id, user.slug, optionalText(email), optionalText(displayName)});
        m_db.exec(u"INSERT OR IGNORE INTO orgs (slug, name, personal) VALUES (?, ?, 1)"_qs,
                  {slug, displayName.value_or(slug)});
        m_db.exec(u"INSERT OR IGNORE INTO memberships (org_slug, user_id) VALUES (?, ?)"_qs,
                  {slug, user.id});
        return user;
    });
}

std::optional<UserRecord> AccountStore::userBySlug(const QString &slug)
{
    const auto row =
        m_db.queryOne(u"SELECT id, slug, email, display_name FROM users WHERE slug = ?"_qs, {slug});
    if (!row)
        return std::nullopt;
    return userFromRow(*row);
}

std::optional<UserRecord> AccountStore::userForToken(const QString &token)
{
    if (token.isEmpty())
        return std::nullopt;
    const auto row = m_db.queryOne(u"SELECT u.id, u.slug, u.email, u.display_name FROM users u "
                                   u"JOIN device_tokens t ON t.user_id = u.id WHERE t.token = ?"_qs,
                                   {token});
    if (!row)
        return std::nullopt;
    return userFromRow(*row);
}

void AccountStore::addToken(const QString &userId, const QString &token)
{
    m_db.exec(
        u"INSERT OR IGNORE INTO device_tokens (token, user_id, created_at) VALUES (?, ?, ?)"_qs,
        {token, userId, QDateTime::currentSecsSinceEpoch()});
}

QString AccountStore::issueToken(const QString &userId)
{
    const QString token = u"sbx_"_qs + RandomToken::hex(24);
    addToken(userId, token);
    return token;
}

QString AccountStore::createCode(const QString &userId, const QString &challenge)
{
    const QString code = RandomToken::hex(16);
    m_db.exec(
        u"INSERT INTO auth_codes (code, user_id, challenge, created_at_ms) VALUES (?, ?, ?, ?)"_qs,
        {code, userId, challenge, QDateTime::currentMSecsSinceEpoch()});
    return code;
}

AccountStore::Exchange AccountStore::exchange(const QString &code, const QString &verifier,
                                              int ttlSeconds)
{
    return m_db.transaction([&]() -> Exchange {
        const auto row = m_db.queryOne(
            u"SELECT user_id, challenge, created_at_ms, used FROM auth_codes WHERE code = ?"_qs,
            {code});
        if (!row || Database::integer(row->at(3)) != 0)
            return {std::nullopt, {}, u"sign-in code is unknown or already used"_qs};
        const qint64 age = QDateTime::currentMSecsSinceEpoch() - Database::integer(row->at(2));
        if (age >= qint64(ttlSeconds) * 1000)
            return {std::nullopt, {}, u"sign-in code has expired"_qs};
        const QByteArray digest =
            QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256).toHex();
        if (QString::fromLatin1(digest) != Database::text(row->at(1)))
            return {std::nullopt, {}, u"verifier does not match the sign-in challenge"_qs};
        m_db.exec(u"UPDATE auth_codes SET used = 1 WHERE code = ?"_qs, {code});
        const QString userId = Database::text(row->at(0));
        const auto user = m_db.queryOne(
            u"SELECT id, slug, email, display_name FROM users WHERE id = ?"_qs, {userId});
        if (!user)
            return {std::nullopt, {}, u"account no longer exists"_qs};
        return {userFromRow(*user), issueToken(userId), {}};
    });
}
