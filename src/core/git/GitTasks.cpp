#include "core/git/GitTasks.h"

#include <exception>
#include <optional>

#include <QtConcurrent>

#include <QCoro/QCoroFuture>

#include "core/git/GitClient.h"

namespace {

// QtConcurrent keeps only QException subclasses as they are, so the worker hands the
// exception back as a value and the awaiting side rethrows it.
template<typename T>
struct Outcome {
    std::optional<T> value;
    std::exception_ptr error;
};

// The future is a named local: GCC 12 mishandles temporaries that live across a co_await.
template<typename F>
QCoro::Task<void> runVoid(F operation)
{
    auto job = [operation = std::move(operation)]() -> std::exception_ptr {
        try {
            operation();
            return nullptr;
        } catch (...) {
            return std::current_exception();
        }
    };
    QFuture<std::exception_ptr> future = QtConcurrent::run(std::move(job));
    const std::exception_ptr error = co_await future;
    if (error) {
        std::rethrow_exception(error);
    }
}

template<typename T, typename F>
QCoro::Task<T> runValue(F operation)
{
    auto job = [operation = std::move(operation)]() -> Outcome<T> {
        Outcome<T> result;
        try {
            result.value = operation();
        } catch (...) {
            result.error = std::current_exception();
        }
        return result;
    };
    QFuture<Outcome<T>> future = QtConcurrent::run(std::move(job));
    Outcome<T> outcome = co_await future;
    if (outcome.error) {
        std::rethrow_exception(outcome.error);
    }
    co_return std::move(*outcome.value);
}

} // namespace

namespace GitTasks {

QCoro::Task<void> clone(QString url, QString path)
{
    return runVoid([url, path] { GitClient::clone(url, path); });
}

QCoro::Task<bool> fastForwardFromOrigin(QString clonePath)
{
    return runValue<bool>([clonePath] { return GitClient::fastForwardFromOrigin(clonePath); });
}

QCoro::Task<void> addAll(QString clonePath)
{
    return runVoid([clonePath] { GitClient::addAll(clonePath); });
}

QCoro::Task<QSet<QString>> statusPaths(QString clonePath)
{
    return runValue<QSet<QString>>([clonePath] { return GitClient::statusPaths(clonePath); });
}

QCoro::Task<void> commit(QString message, QString clonePath)
{
    return runVoid([message, clonePath] { GitClient::commit(message, clonePath); });
}

QCoro::Task<void> push(QString refspec, QString clonePath)
{
    return runVoid([refspec, clonePath] { GitClient::push(refspec, clonePath); });
}

QCoro::Task<void> createTag(QString name, QString clonePath)
{
    return runVoid([name, clonePath] { GitClient::createTag(name, clonePath); });
}

QCoro::Task<QStringList> tags(QString pattern, QString clonePath)
{
    return runValue<QStringList>(
        [pattern, clonePath] { return GitClient::tags(pattern, clonePath); });
}

QCoro::Task<QString> headCommit(QString clonePath)
{
    return runValue<QString>([clonePath] { return GitClient::headCommit(clonePath); });
}

QCoro::Task<QString> logNumstat(int limit, QString clonePath)
{
    return runValue<QString>(
        [limit, clonePath] { return GitClient::logNumstat(limit, clonePath); });
}

} // namespace GitTasks
