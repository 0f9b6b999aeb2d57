#include "core/platform/KeychainStore.h"

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include "core/platform/QtKeychainSecretStore.h"

namespace {

const QString account = QStringLiteral("device-token");

// Names the item was stored under by earlier releases, in the order they are tried.
const QStringList legacyServices = {QStringLiteral("com.kestrelory.Slatebox"),
                                    QStringLiteral("app.slatebox.mac")};

struct TokenCache {
    QMutex lock;
    std::shared_ptr<SecretStore> store;
    std::optional<QString> token;
    bool loaded = false;
};

TokenCache &cache()
{
    static TokenCache state;
    return state;
}

// Called with the lock held.
SecretStore &storeLocked(TokenCache &state)
{
    if (!state.store) {
        state.store = std::make_shared<QtKeychainSecretStore>();
    }
    return *state.store;
}

std::shared_ptr<SecretStore> currentStore()
{
    TokenCache &state = cache();
    const QMutexLocker locker(&state.lock);
    storeLocked(state);
    return state.store;
}

std::optional<QString> read(SecretStore &store, const QString &service)
{
    const std::optional<QByteArray> data = store.read(service, account);
    if (!data) {
        return std::nullopt;
    }
    return QString::fromUtf8(*data);
}

void remove(SecretStore &store, const QString &service)
{
    store.remove(service, account);
}

void write(SecretStore &store, const QString &token)
{
    remove(store, KeychainStore::service());
    store.write(KeychainStore::service(), account, token.toUtf8());
}

} // namespace

namespace KeychainStore {

QString service()
{
    // A Linux process has no bundle identifier; this is the one the application is known by.
    static const QString name = QStringLiteral("com.kestrelory.slatebox");
    return name;
}

std::optional<QString> deviceToken()
{
    TokenCache &state = cache();
    const QMutexLocker locker(&state.lock);
    if (state.loaded) {
        return state.token;
    }
    SecretStore &store = storeLocked(state);
    state.token = read(store, service());
    if (!state.token) {
        for (const QString &legacy : legacyServices) {
            if (std::optional<QString> token = read(store, legacy)) {
                write(store, *token);
                remove(store, legacy);
                state.token = std::move(token);
                break;
            }
        }
    }
    state.loaded = true;
    return state.token;
}

void saveDeviceToken(const QString &token)
{
    write(*currentStore(), token);
    TokenCache &state = cache();
    const QMutexLocker locker(&state.lock);
    state.token = token;
    state.loaded = true;
}

void deleteDeviceToken()
{
    const std::shared_ptr<SecretStore> store = currentStore();
    remove(*store, service());
    for (const QString &legacy : legacyServices) {
        remove(*store, legacy);
    }
    TokenCache &state = cache();
    const QMutexLocker locker(&state.lock);
    state.token.reset();
    state.loaded = true;
}

void setSecretStore(std::shared_ptr<SecretStore> store)
{
    TokenCache &state = cache();
    const QMutexLocker locker(&state.lock);
    state.store = std::move(store);
    state.token.reset();
    state.loaded = false;
}

} // namespace KeychainStore
