#pragma once

#include <QList>
#include <QString>

#include "TemplateFile.h"

// The bare repositories under <data>/git/<org>/<slug>.git. A repository appears at its final
// path only once it is complete (built in <data>/tmp and renamed into place), and disappears from
// it in one rename before its files are removed.
class RepositoryStore {
public:
    explicit RepositoryStore(const QString &dataDir);

    QString root() const { return m_root; }
    QString path(const QString &org, const QString &slug) const;
    bool exists(const QString &org, const QString &slug) const;
    QString gitProgram() const { return m_git; }

    // Makes the repository with one commit on "main" holding `files`; returns an error text, or
    // an empty string on success. Fails when the repository exists.
    QString create(const QString &org, const QString &slug, const QList<TemplateFile> &files,
                   const QString &message);
    // Returns false when there was nothing to remove or it could not be removed.
    bool remove(const QString &org, const QString &slug);

    // The environment for running git over the data folder: no user or system configuration.
    QStringList gitEnvironment() const;

private:
    QString m_dataDir;
    QString m_root;
    QString m_tmp;
    QString m_git;
};
