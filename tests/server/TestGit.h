#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The `git` command for the server tests: never prompts, ignores the user's configuration and
// credential helpers, and commits as a fixed test identity.
namespace TestGit {

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    bool ok() const { return exitCode == 0; }
};

Result run(const QStringList &arguments, const QString &workingDir = {});

// "http://token:<token>@127.0.0.1:<port>/git/…" from a clone URL.
QString withCredentials(const QString &cloneUrl, const QString &user, const QString &password);

} // namespace TestGit
