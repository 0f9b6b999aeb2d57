#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

// Generic-password storage keyed by service and account. Calls are synchronous and may be made
// from any thread. Failures are not reported: a secret that cannot be read is absent, and a
// write or removal that fails leaves things as they were.
class SecretStore {
public:
    virtual ~SecretStore() = default;

    virtual std::optional<QByteArray> read(const QString &service, const QString &account) = 0;
    virtual void write(const QString &service, const QString &account, const QByteArray &data) = 0;
    virtual void remove(const QString &service, const QString &account) = 0;
};
