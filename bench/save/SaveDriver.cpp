// The save benchmark's "ours": what saving does with a clone, in one process.
//   slatebox-bench-save clone URL FOLDER   clones the project (setup, not timed)
//   slatebox-bench-save save FOLDER        addAll, statusPaths, commit, push HEAD to main
// The device token comes from SLATEBOX_BENCH_TOKEN through an in-memory keychain; with
// SLATEBOX_BENCH_STEPS set, the time of each step goes to standard error.

#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include "core/git/GitClient.h"
#include "core/git/GitError.h"
#include "core/platform/KeychainStore.h"
#include "core/platform/MemorySecretStore.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    KeychainStore::setSecretStore(std::make_shared<MemorySecretStore>());
    KeychainStore::saveDeviceToken(qEnvironmentVariable("SLATEBOX_BENCH_TOKEN"));
    try {
        if (args.size() == 3 && args[0] == u"clone") {
            GitClient::clone(args[1], args[2]);
        } else if (args.size() == 2 && args[0] == u"save") {
            const bool steps = qEnvironmentVariableIsSet("SLATEBOX_BENCH_STEPS");
            QElapsedTimer timer;
            timer.start();
            const auto step = [&](const char *name) {
                if (steps) {
                    std::fprintf(stderr, "%s %.1f ms\n", name, double(timer.nsecsElapsed()) / 1e6);
                }
                timer.restart();
            };
            GitClient::addAll(args[1]);
            step("addAll");
            const QSet<QString> changed = GitClient::statusPaths(args[1]);
            step("statusPaths");
            GitClient::commit(QStringLiteral("x"), args[1]);
            step("commit");
            GitClient::push(QStringLiteral("HEAD:refs/heads/main"), args[1]);
            step("push");
            std::printf("%lld changed\n", static_cast<long long>(changed.size()));
        } else {
            std::fprintf(stderr, "usage: slatebox-bench-save clone URL FOLDER | save FOLDER\n");
            return 2;
        }
    } catch (const GitError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
