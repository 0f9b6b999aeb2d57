#include "core/git/GitLibrary.h"

#include <mutex>

#include <git2.h>

#include "core/git/GitError.h"
#include "core/git/GitSocketStream.h"

namespace GitLibrary {

void startOperation()
{
    static std::once_flag started;
    std::call_once(started, [] {
        git_libgit2_init();
        GitSocketStream::install();
    });
    git_error_clear();
}

void clearError()
{
    git_error_clear();
}

QString lastErrorDetail(int code)
{
    // The error is thread-local and overwritten by the next failing call, so it is read here,
    // right after the failure.
    const git_error *error = git_error_last();
    if (error && error->message && *error->message) {
        return QString::fromUtf8(error->message).trimmed();
    }
    return QStringLiteral("error ") + QString::number(code);
}

int check(int code, const QString &context)
{
    if (code < 0) {
        fail(code, context);
    }
    return code;
}

void fail(int code, const QString &context)
{
    throw GitError(QStringLiteral("git ") + context + QStringLiteral(": ") + lastErrorDetail(code));
}

} // namespace GitLibrary
