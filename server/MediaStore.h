#pragma once

#include <mutex>
#include <optional>

#include <QByteArray>
#include <QString>

// Content-addressed store of rendered media under one folder of the data directory. An address
// is "sha256:" followed by 64 lower-case hex digits and names the file "<hex>.mp4"; anything
// else is not an address, so no request text ever becomes a path outside the folder.
class MediaStore {
public:
    // Creates the folder and the secret that signs download links when they are missing.
    explicit MediaStore(const QString &folder);

    static bool isAddress(const QString &address);

    // Stores the bytes (once per content) and returns their address; none when writing failed.
    std::optional<QString> put(const QByteArray &bytes);
    // The file of a stored address; none for a non-address or missing content.
    std::optional<QString> filePath(const QString &address) const;

    // Download links carry this signature in place of a bearer token; it stays valid across
    // restarts because the secret is kept in the folder.
    QString signature(const QString &address) const;
    bool verify(const QString &address, const QString &signature) const;

private:
    QString pathOf(const QString &address) const;

    QString m_folder;
    QByteArray m_secret;
    std::mutex m_writeLock;
};
