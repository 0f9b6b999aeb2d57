#pragma once

#include <QHash>
#include <QMutex>
#include <QPair>

#include "core/platform/SecretStore.h"

// A secret store held in memory: the stand-in for the system keychain in tests, counting reads
// so a test can tell a cached answer from a fresh lookup.
class MemorySecretStore final : public SecretStore {
public:
    std::optional<QByteArray> read(const QString &service, const QString &account) override;
    void write(const QString &service, const QString &account, const QByteArray &data) override;
    void remove(const QString &service, const QString &account) override;

    int readCount() const;
    // The services that hold a secret for `account`, sorted.
    QStringList services(const QString &account) const;

private:
    mutable QMutex m_lock;
    QHash<QPair<QString, QString>, QByteArray> m_items;
    int m_reads = 0;
};
