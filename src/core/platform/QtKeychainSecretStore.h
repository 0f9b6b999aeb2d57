#pragma once

#include "core/platform/SecretStore.h"

// The system keychain (Secret Service or KWallet) through QtKeychain. Each call runs its job to
// the end in a local event loop, so callers see the synchronous calls of SecretStore; without a
// session bus the jobs fail at once and everything reads as absent.
class QtKeychainSecretStore final : public SecretStore {
public:
    std::optional<QByteArray> read(const QString &service, const QString &account) override;
    void write(const QString &service, const QString &account, const QByteArray &data) override;
    void remove(const QString &service, const QString &account) override;
};
