#include "MediaStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QSaveFile>

namespace {

QByteArray loadOrCreateSecret(const QString &path)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly)) {
        const QByteArray secret = existing.readAll();
        if (secret.size() >= 32)
            return secret;
    }
    QByteArray secret(32, '\0');
    QRandomGenerator::system()->generate(reinterpret_cast<quint32 *>(secret.data()),
                                         reinterpret_cast<quint32 *>(secret.data() + 32));
    secret = secret.toHex();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(secret);
        file.commit();
    }
    return secret;
}

} // namespace

MediaStore::MediaStore(const QString &folder)
    : m_folder(folder)
{
    QDir().mkpath(m_folder);
    m_secret = loadOrCreateSecret(m_folder + QStringLiteral("/.link-secret"));
}

bool MediaStore::isAddress(const QString &address)
{
    static const QLatin1StringView prefix("sha256:");
    if (address.size() != prefix.size() + 64 || !address.startsWith(prefix))
        return false;
    for (qsizetype i = prefix.size(); i < address.size(); ++i) {
        const QChar c = address.at(i);
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

std::optional<QString> MediaStore::put(const QByteArray &bytes)
{
    const QString address =
        QStringLiteral("sha256:") +
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    const std::lock_guard guard(m_writeLock);
    if (QFileInfo::exists(pathOf(address)))
        return address;
    QSaveFile file(pathOf(address));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return std::nullopt;
    return address;
}

std::optional<QString> MediaStore::filePath(const QString &address) const
{
    if (!isAddress(address) || !QFileInfo::exists(pathOf(address)))
        return std::nullopt;
    return pathOf(address);
}

QString MediaStore::signature(const QString &address) const
{
    return QString::fromLatin1(
        QMessageAuthenticationCode::hash(address.toUtf8(), m_secret, QCryptographicHash::Sha256)
            .toHex());
}

bool MediaStore::verify(const QString &address, const QString &signature) const
{
    return isAddress(address) && signature == this->signature(address);
}

QString MediaStore::pathOf(const QString &address) const
{
    return m_folder + u'/' + address.mid(7) + QStringLiteral(".mp4");
}
