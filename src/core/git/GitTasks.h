#pragma once

#include <QCoro/QCoroTask>
#include <QSet>
#include <QString>
#include <QStringList>

// Awaitable forms of the GitClient operations for callers on the UI thread: each runs the
// synchronous operation on the thread pool with plain values and rethrows its GitError on
// resumption.
namespace GitTasks {

QCoro::Task<void> clone(QString url, QString path);
QCoro::Task<bool> fastForwardFromOrigin(QString clonePath);
QCoro::Task<void> addAll(QString clonePath);
QCoro::Task<QSet<QString>> statusPaths(QString clonePath);
QCoro::Task<void> commit(QString message, QString clonePath);
QCoro::Task<void> push(QString refspec, QString clonePath);
QCoro::Task<void> createTag(QString name, QString clonePath);
QCoro::Task<QStringList> tags(QString pattern, QString clonePath);
QCoro::Task<QString> headCommit(QString clonePath);
QCoro::Task<QString> logNumstat(int limit, QString clonePath);

} // namespace GitTasks
