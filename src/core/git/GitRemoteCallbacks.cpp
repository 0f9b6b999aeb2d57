#include "core/git/GitRemoteCallbacks.h"

#include <QHostAddress>
#include <QUrl>

#include <git2.h>

#include "core/platform/KeychainStore.h"

namespace {

// A refusal must leave its own text behind: otherwise the library reports whatever failed last
// on this thread, which has nothing to do with the credentials.
int refuse(const char *reason)
{
    git_error_set_str(GIT_ERROR_NET, reason);
    return GIT_EAUTH;
}

int offerDeviceToken(git_credential **out, const char *url, const char *, unsigned int allowedTypes,
                     void *payload)
{
    auto *callbacks = static_cast<GitRemoteCallbacks *>(payload);
    if (callbacks->countCredentialRequest() > 1) {
        return refuse("the device token was refused");
    }
    if (!(allowedTypes & GIT_CREDENTIAL_USERPASS_PLAINTEXT)) {
        return refuse("the remote does not accept a user name and password");
    }
    if (!GitRemoteCallbacks::mayReceiveToken(QString::fromUtf8(url ? url : ""))) {
        return refuse("the device token is sent only over https or to this computer");
    }
    const std::optional<QString> token = KeychainStore::deviceToken();
    if (!token || token->isEmpty()) {
        return refuse("no device token: sign in first");
    }
    return git_credential_userpass_plaintext_new(out, "token", token->toUtf8().constData());
}

int checkPushedReference(const char *refname, const char *status, void *)
{
    if (!status) {
        return 0;
    }
    const QByteArray reason = QByteArray(refname ? refname : "") + " was rejected: " + status;
    git_error_set_str(GIT_ERROR_NET, reason.constData());
    return GIT_ERROR;
}

} // namespace

void GitRemoteCallbacks::install(git_remote_callbacks &callbacks)
{
    callbacks.credentials = offerDeviceToken;
    callbacks.push_update_reference = checkPushedReference;
    callbacks.payload = this;
}

bool GitRemoteCallbacks::mayReceiveToken(const QString &url)
{
    const QUrl parsed(url);
    if (!parsed.isValid()) {
        return false;
    }
    const QString scheme = parsed.scheme().toLower();
    if (scheme == QLatin1String("https")) {
        return true;
    }
    if (scheme != QLatin1String("http")) {
        return false;
    }
    const QString host = parsed.host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}
