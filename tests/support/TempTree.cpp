#include "support/TempTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempTree::TempTree() = default;

QString TempTree::absolute(const QString &relativePath) const
{
    return m_dir.filePath(relativePath);
}

bool TempTree::write(const QString &relativePath, const QByteArray &bytes) const
{
    const QString path = absolute(relativePath);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

bool TempTree::makeDir(const QString &relativePath) const
{
    return QDir().mkpath(absolute(relativePath));
}

bool TempTree::symlink(const QString &target, const QString &relativeLinkPath) const
{
    const QString link = absolute(relativeLinkPath);
    QDir().mkpath(QFileInfo(link).absolutePath());
    return QFile::link(target, link);
}
