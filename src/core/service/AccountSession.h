#pragma once

#include <functional>
#include <optional>

#include <QObject>
#include <QString>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include "core/service/AccountUser.h"

// The one signed-in account of the application, and the browser sign-in that produces it. A
// sign-in opens the service's login page with the SHA-256 challenge of a fresh verifier; the
// page ends in a "slatebox://auth?code=…" deep link, and the code plus the verifier buy a device
// token, which goes to the keychain. UI thread only.
//
// States: idle (not busy, no verifier) → waiting for the browser (busy, verifier set) →
// exchanging the code (busy, verifier taken) → signed in or back where it was with
// `errorMessage` set. A callback without a waiting verifier is ignored, so a cancelled sign-in
// or a second callback for the same one changes nothing.
class AccountSession final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AccountSession)
    Q_PROPERTY(std::optional<AccountUser> user READ user WRITE setUser NOTIFY userChanged)
    Q_PROPERTY(bool busy READ isBusy WRITE setBusy NOTIFY busyChanged)
    Q_PROPERTY(std::optional<QString> errorMessage READ errorMessage WRITE setErrorMessage NOTIFY
                   errorMessageChanged)
    Q_PROPERTY(bool hasCredentials READ hasCredentials WRITE setHasCredentials NOTIFY
                   hasCredentialsChanged)

public:
    using User = AccountUser;
    // Shows a URL in the user's browser; the application passes QDesktopServices::openUrl.
    using BrowserOpener = std::function<void(const QUrl &)>;

    // Reads whether a device token is stored and starts listening to DeepLinkCenter.
    explicit AccountSession(BrowserOpener openBrowser, QObject *parent = nullptr);

    const std::optional<AccountUser> &user() const { return m_user; }
    bool isBusy() const { return m_busy; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    bool hasCredentials() const { return m_hasCredentials; }

    // Does nothing while a sign-in is already in progress.
    void signIn(bool signUp);
    void handleAuthCallback(const QUrl &url);
    void cancelSignIn();
    // Loads the user of a stored token; a failure is silent and keeps the token.
    QCoro::Task<> restore();
    // Forgets the token and the user; the git fallback identity stays as it was.
    void signOut();

    // The domain of the service's e-mail addresses, for users who have none of their own.
    static QString emailDomain();

    // Sign-in primitives, public for their tests: the URL-safe, unpadded Base64 of 32 random
    // bytes (43 characters), its SHA-256 in lowercase hex, and the login page's URL.
    static QString makeVerifier();
    static QString challenge(const QString &verifier);
    static QUrl loginUrl(const QUrl &baseURL, const QString &challenge, bool signUp);

signals:
    void userChanged();
    void busyChanged();
    void errorMessageChanged();
    void hasCredentialsChanged();

private:
    void setUser(const std::optional<AccountUser> &user);
    void setBusy(bool busy);
    void setErrorMessage(const std::optional<QString> &message);
    void setHasCredentials(bool hasCredentials);

    void finishExchange(const std::optional<QString> &token, const std::optional<AccountUser> &user,
                        const QString &error);
    void publishGitIdentity();

    BrowserOpener m_openBrowser;
    std::optional<AccountUser> m_user;
    bool m_busy = false;
    std::optional<QString> m_errorMessage;
    bool m_hasCredentials = false;
    std::optional<QString> m_pendingVerifier;
};
