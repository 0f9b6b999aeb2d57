// The log-numstat benchmark's "ours":
//   slatebox-bench-log-numstat REPOSITORY LIMIT          prints GitClient::logNumstat(LIMIT)
//   slatebox-bench-log-numstat --time RUNS REPOSITORY LIMIT
//       prints the best wall time of RUNS calls, in seconds, measured inside this process: the
//       app calls logNumstat in its own running process, so its start-up is not part of the
//       work (each call still opens the repository and walks from scratch).
#include <chrono>
#include <cstdio>

#include <QCoreApplication>

#include "core/git/GitClient.h"
#include "core/git/GitError.h"

namespace {

double bestSeconds(int runs, const QString &repository, int limit)
{
    double best = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const QString text = GitClient::logNumstat(limit, repository);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (text.isEmpty()) {
            throw GitError(QStringLiteral("empty history"));
        }
        if (run == 0 || elapsed.count() < best) {
            best = elapsed.count();
        }
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.size() == 4 && args[0] == u"--time") {
            std::printf("%.4f\n", bestSeconds(args[1].toInt(), args[2], args[3].toInt()));
        } else if (args.size() == 2) {
            const QByteArray text = GitClient::logNumstat(args[1].toInt(), args[0]).toUtf8();
            std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
            std::fputc('\n', stdout);
        } else {
            std::fprintf(stderr, "usage: slatebox-bench-log-numstat [--time RUNS] REPOSITORY "
                                 "LIMIT\n");
            return 2;
        }
    } catch (const GitError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
