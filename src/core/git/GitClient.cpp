#include "core/git/GitClient.h"

#include <optional>

#include <QMutex>
#include <QMutexLocker>

namespace {

struct FallbackIdentityState {
    QMutex lock;
    std::optional<GitIdentity> identity;
};

FallbackIdentityState &fallbackState()
{
    static FallbackIdentityState state;
    return state;
}

} // namespace

namespace GitClient {

void setFallbackIdentity(const QString &name, const QString &email)
{
    FallbackIdentityState &state = fallbackState();
    const QMutexLocker locker(&state.lock);
    state.identity = GitIdentity{name, email};
}

GitIdentity fallbackIdentity()
{
    FallbackIdentityState &state = fallbackState();
    const QMutexLocker locker(&state.lock);
    if (state.identity) {
        return *state.identity;
    }
    return GitIdentity{QStringLiteral("Slatebox"), QStringLiteral("no-reply@slatebox.app")};
}

} // namespace GitClient
