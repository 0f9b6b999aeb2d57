#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs a program to completion from any thread, feeding it `input` and collecting its output.
// Written on fork/exec and poll() rather than QProcess because request handlers run on plain
// pool threads without an event loop, and a git push can carry more data than a pipe holds in
// both directions at once.
class ChildProcess {
public:
    struct Result {
        bool started = false;
        int exitCode = -1; // -1 when it did not exit normally
        QByteArray out;
        QByteArray err;
        QString error; // why it could not start

        bool ok() const { return started && exitCode == 0; }
    };

    // `environment` holds "NAME=value" entries and replaces the server's environment wholly;
    // `workingDir` may be empty for the server's own.
    static Result run(const QString &program, const QStringList &arguments,
                      const QStringList &environment, const QString &workingDir = {},
                      const QByteArray &input = {});
};
