#pragma once

#include <memory>
#include <optional>

#include <QString>

class SecretStore;

// The device token's one keychain item (account "device-token" under `service()`), with a
// process-wide cache behind one lock. Safe from any thread. Once the cache is loaded the
// keychain is not read again: a token written by another process is seen only after a restart.
namespace KeychainStore {

// The cached token; the first call reads the keychain and moves a token found only under a
// legacy service name to the current one.
std::optional<QString> deviceToken();
void saveDeviceToken(const QString &token);
// Removes the item under the current and every legacy service name.
void deleteDeviceToken();

QString service();
// Replaces the secret storage (the system keychain unless set) and forgets the cached token.
void setSecretStore(std::shared_ptr<SecretStore> store);

} // namespace KeychainStore
