#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A scratch folder for a test, with helpers to lay out files by relative path.
class TempTree {
public:
    TempTree();

    bool isValid() const { return m_dir.isValid(); }
    QString root() const { return m_dir.path(); }
    QString absolute(const QString &relativePath) const;

    // Creates the parent folders as needed; returns false when the file cannot be written.
    bool write(const QString &relativePath, const QByteArray &bytes) const;
    bool makeDir(const QString &relativePath) const;
    bool symlink(const QString &target, const QString &relativeLinkPath) const;

private:
    QTemporaryDir m_dir;
};
