#include "core/platform/MemorySecretStore.h"

#include <QMutexLocker>
#include <QStringList>

std::optional<QByteArray> MemorySecretStore::read(const QString &service, const QString &account)
{
    const QMutexLocker locker(&m_lock);
    ++m_reads;
    const auto item = m_items.constFind({service, account});
    if (item == m_items.cend()) {
        return std::nullopt;
    }
    return *item;
}

void MemorySecretStore::write(const QString &service, const QString &account,
                              const QByteArray &data)
{
    const QMutexLocker locker(&m_lock);
    m_items.insert({service, account}, data);
}

void MemorySecretStore::remove(const QString &service, const QString &account)
{
    const QMutexLocker locker(&m_lock);
    m_items.remove({service, account});
}

int MemorySecretStore::readCount() const
{
    const QMutexLocker locker(&m_lock);
    return m_reads;
}

QStringList MemorySecretStore::services(const QString &account) const
{
    const QMutexLocker locker(&m_lock);
    QStringList services;
    for (auto item = m_items.cbegin(); item != m_items.cend(); ++item) {
        if (item.key().second == account) {
            services.append(item.key().first);
        }
    }
    services.sort();
    return services;
}
