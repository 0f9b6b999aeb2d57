#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QStringList>

// The command line of `slatebox-server`. Parsing never exits the process: it returns the options
// or leaves a one-line error for main() to print.
struct ServerOptions {
    // An extra account made at start-up for tests and demos: its handle, and a device token that
    // is valid from the start so a client can skip the browser sign-in.
    struct UserSeed {
        QString slug;
        QString token;

        bool operator==(const UserSeed &) const = default;
    };

    QString dataDir;
    int port = 8787;
    QList<UserSeed> users;
    int codeTtlSeconds = 600;     // lifetime of a sign-in code
    bool testHooks = false;       // enables the test-only endpoints
    QString latestVersion;        // what the update feed offers; empty: the server's own version
    double renderSeconds = 4;     // how long a render stays "rendering"
    double renderFailureRate = 0; // share of renders that end "failed", 0 to 1
    bool help = false;

    // Nothing, with a one-line `error`, when the command line is not usable.
    static std::optional<ServerOptions> parse(const QStringList &arguments, QString *error);
    static QString usage();
};
