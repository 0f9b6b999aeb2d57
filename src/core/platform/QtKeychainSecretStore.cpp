#include "core/platform/QtKeychainSecretStore.h"

#include <QEventLoop>

#include <qt6keychain/keychain.h>

namespace {

// Starts the job and waits for it; `finished` may come before start() returns.
void runToEnd(QKeychain::Job &job)
{
    job.setAutoDelete(false);
    bool finished = false;
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&finished, &loop] {
        finished = true;
        loop.quit();
    });
    job.start();
    if (!finished) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}

} // namespace

std::optional<QByteArray> QtKeychainSecretStore::read(const QString &service,
                                                      const QString &account)
{
    QKeychain::ReadPasswordJob job(service);
    job.setKey(account);
    runToEnd(job);
    if (job.error() != QKeychain::NoError) {
        return std::nullopt;
    }
    return job.binaryData();
}

void QtKeychainSecretStore::write(const QString &service, const QString &account,
                                  const QByteArray &data)
{
    QKeychain::WritePasswordJob job(service);
    job.setKey(account);
    job.setBinaryData(data);
    runToEnd(job);
}

void QtKeychainSecretStore::remove(const QString &service, const QString &account)
{
    QKeychain::DeletePasswordJob job(service);
    job.setKey(account);
    runToEnd(job);
}
