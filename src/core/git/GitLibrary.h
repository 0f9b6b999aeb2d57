#pragma once

#include <QString>

// The library's one-time start-up and the conversion of its result codes into GitError.
namespace GitLibrary {

// Initialises libgit2 once per process, on whichever thread asks first (it is never shut
// down), and forgets this thread's last library error so that a failure without a message of
// its own is not reported with a stale one. Every operation calls it first.
void startOperation();
// Forgets this thread's last library error, after a failure the operation handles itself.
void clearError();

// The text of the library's last error on this thread, or "error <code>" when it has none.
QString lastErrorDetail(int code);

// Throws GitError "git <context>: <detail>" when `code` is negative; returns it otherwise.
int check(int code, const QString &context);
[[noreturn]] void fail(int code, const QString &context);

} // namespace GitLibrary
