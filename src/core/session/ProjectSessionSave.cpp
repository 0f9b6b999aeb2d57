#include "core/session/ProjectSession.h"
#include "core/session/SessionSaver.h"

void ProjectSession::save()
{
    SessionSaver(*this).save();
}

QCoro::Task<void> ProjectSession::saveNow(std::optional<QString> message)
{
    return SessionSaver(*this).saveNow(std::move(message));
}

QSet<QString> ProjectSession::commitAndPushAll(const QString &root,
                                               const std::optional<QString> &message)
{
    return SessionSaver::commitAndPushAll(root, message);
}

QString ProjectSession::saveMessage(const QSet<QString> &paths)
{
    return SessionSaver::saveMessage(paths);
}

void ProjectSession::autosaveToDisk()
{
    SessionSaver(*this).autosaveToDisk();
}
