#include "core/service/AccountSession.h"

#include <array>

#include <QCryptographicHash>
#include <QPointer>
#include <QRandomGenerator>
#include <QUrlQuery>

#include "core/UserFacingError.h"
#include "core/git/GitClient.h"
#include "core/platform/KeychainStore.h"
#include "core/service/DeepLinkCenter.h"
#include "core/service/DeviceExchange.h"
#include "core/service/SlateboxAPI.h"

namespace {

struct ExchangeOutcome {
    std::optional<DeviceExchange> grant;
    QString error;
};

// Touches no session, so it may outlive the one that started it. No co_await inside braces:
// GCC 12 mis-compiles it.
QCoro::Task<ExchangeOutcome> exchangeCode(QString code, QString verifier)
{
    ExchangeOutcome outcome;
    try {
        DeviceExchange grant = co_await SlateboxAPI::current().deviceExchange(code, verifier);
        outcome.grant = std::move(grant);
    } catch (const UserFacingError &error) {
        outcome.error = error.message();
    } catch (const std::exception &error) {
        outcome.error = QString::fromUtf8(error.what());
    }
    co_return outcome;
}

// The value of the first `code` item of the query. An item without "=" has no value (absent);
// "code=" has the empty value.
std::optional<QString> firstCode(const QUrl &url)
{
    if (!url.hasQuery()) {
        return std::nullopt;
    }
    const QStringList items = url.query(QUrl::FullyEncoded).split(u'&');
    for (const QString &item : items) {
        const qsizetype equals = item.indexOf(u'=');
        const QString key = equals < 0 ? item : item.left(equals);
        if (QUrl::fromPercentEncoding(key.toUtf8()) != u"code") {
            continue;
        }
        if (equals < 0) {
            return std::nullopt;
        }
        QString value = item.mid(equals + 1);
        value.replace(u'+', u' ');
        return QUrl::fromPercentEncoding(value.toUtf8());
    }
    return std::nullopt;
}

} // namespace

AccountSession::AccountSession(BrowserOpener openBrowser, QObject *parent)
    : QObject(parent)
    , m_openBrowser(std::move(openBrowser))
    , m_hasCredentials(KeychainStore::deviceToken().has_value())
{
    connect(&DeepLinkCenter::instance(), &DeepLinkCenter::deepLinkReceived, this,
            &AccountSession::handleAuthCallback);
}

QString AccountSession::emailDomain()
{
    return QStringLiteral("slatebox.app");
}

QString AccountSession::makeVerifier()
{
    std::array<quint32, 8> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray bytes(reinterpret_cast<const char *>(words.data()),
                           static_cast<qsizetype>(sizeof(words)));
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString AccountSession::challenge(const QString &verifier)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(verifier.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QUrl AccountSession::loginUrl(const QUrl &baseURL, const QString &challenge, bool signUp)
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("client"), QStringLiteral("mac"));
    query.addQueryItem(QStringLiteral("challenge"), challenge);
    if (signUp) {
        query.addQueryItem(QStringLiteral("screen_hint"), QStringLiteral("sign-up"));
    }
    return SlateboxAPI(baseURL, std::nullopt).url(QStringLiteral("v1/auth/login"), query);
}

void AccountSession::signIn(bool signUp)
{
    if (m_busy) {
        return;
    }
    setBusy(true);
    setErrorMessage(std::nullopt);
    const QString verifier = makeVerifier();
    const QUrl url = loginUrl(SlateboxAPI::current().baseURL(), challenge(verifier), signUp);
    m_pendingVerifier = verifier;
    if (m_openBrowser) {
        m_openBrowser(url);
    }
}

void AccountSession::handleAuthCallback(const QUrl &url)
{
    if (url.host() != u"auth" || !m_pendingVerifier) {
        return;
    }
    const QString verifier = *std::exchange(m_pendingVerifier, std::nullopt);
    const std::optional<QString> code = firstCode(url);
    if (!code) {
        setErrorMessage(QStringLiteral("login callback carried no code"));
        setBusy(false);
        return;
    }
    QCoro::connect(exchangeCode(*code, verifier), this, [this](const ExchangeOutcome &outcome) {
        if (outcome.grant) {
            finishExchange(outcome.grant->token, outcome.grant->user, {});
        } else {
            finishExchange(std::nullopt, std::nullopt, outcome.error);
        }
    });
}

void AccountSession::finishExchange(const std::optional<QString> &token,
                                    const std::optional<AccountUser> &user, const QString &error)
{
    if (!token) {
        setErrorMessage(error);
        setBusy(false);
        return;
    }
    KeychainStore::saveDeviceToken(*token);
    setUser(user);
    setHasCredentials(true);
    publishGitIdentity();
    setBusy(false);
}

void AccountSession::cancelSignIn()
{
    m_pendingVerifier.reset();
    setBusy(false);
}

QCoro::Task<> AccountSession::restore()
{
    if (!m_hasCredentials) {
        co_return;
    }
    const QPointer<AccountSession> self(this);
    std::optional<AccountUser> user;
    try {
        user = co_await SlateboxAPI::current().me();
    } catch (const std::exception &) {
        // Silent by design: the token stays, the windows show a signed-in state without a name.
    }
    if (!self) {
        co_return;
    }
    setUser(user);
    publishGitIdentity();
}

void AccountSession::signOut()
{
    KeychainStore::deleteDeviceToken();
    setUser(std::nullopt);
    setHasCredentials(false);
}

void AccountSession::publishGitIdentity()
{
    if (!m_user) {
        return;
    }
    const QString name = m_user->displayName.value_or(m_user->slug);
    const QString email = m_user->email.value_or(m_user->slug + u'@' + emailDomain());
    GitClient::setFallbackIdentity(name, email);
}

void AccountSession::setUser(const std::optional<AccountUser> &user)
{
    if (m_user == user) {
        return;
    }
    m_user = user;
    emit userChanged();
}

void AccountSession::setBusy(bool busy)
{
    if (m_busy == busy) {
        return;
    }
    m_busy = busy;
    emit busyChanged();
}

void AccountSession::setErrorMessage(const std::optional<QString> &message)
{
    if (m_errorMessage == message) {
        return;
    }
    m_errorMessage = message;
    emit errorMessageChanged();
}

void AccountSession::setHasCredentials(bool hasCredentials)
{
    if (m_hasCredentials == hasCredentials) {
        return;
    }
    m_hasCredentials = hasCredentials;
    emit hasCredentialsChanged();
}
