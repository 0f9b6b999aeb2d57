#include "core/session/SessionSaver.h"

#include <exception>

#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <qcoro/qcorofuture.h>

#include "core/git/GitClient.h"
#include "core/git/GitError.h"
#include "core/git/GitTasks.h"
#include "core/session/CloneWriter.h"
#include "core/session/OffThread.h"
#include "core/session/ProjectLoader.h"
#include "core/session/ProjectSession.h"

namespace {

// The text a save writes for `path`: nothing for a path without a node, a binary file (its
// bytes are written by whoever created it) or a group.
std::optional<QString> writableText(const ProjectSession &session, const QString &path)
{
    const auto node = session.files().constFind(path);
    if (node == session.files().cend() || node->isBinary || node->isGroup())
        return std::nullopt;
    return node->contents;
}

// Without a clone there is nothing to commit: the texts in memory become the baselines.
void saveInMemory(ProjectSession &session)
{
    const QSet<QString> dirty = session.dirtyPaths();
    for (const QString &path : dirty) {
        const auto node = session.files().constFind(path);
        if (node == session.files().cend())
            session.removeBaseline(path);
        else
            session.setBaseline(path, node->contents);
    }
    session.setBaselineEpoch(session.baselineEpoch() + 1);
    session.setDirtyPaths(QSet<QString>());
    session.setIsSaving(false);
}

std::optional<QString> failureText(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const UserFacingError &failure) {
        return failure.message();
    } catch (const std::exception &failure) {
        return QString::fromUtf8(failure.what());
    } catch (...) {
        return u"unknown error"_qs;
    }
}

QFuture<OffThread::Outcome<QSet<QString>>> commitAndPushLater(const QString &root,
                                                              const std::optional<QString> &message)
{
    return OffThread::start(
        [root, message]() { return SessionSaver::commitAndPushAll(root, message); });
}

QCoro::Task<std::optional<QString>> failureOf(QCoro::Task<void> save)
{
    std::exception_ptr error;
    try {
        co_await std::move(save);
    } catch (...) {
        error = std::current_exception();
    }
    if (!error)
        co_return std::nullopt;
    co_return failureText(error);
}

} // namespace

void SessionSaver::save()
{
    if (m_session.isSaving())
        return;
    ProjectSession *session = &m_session;
    QCoro::connect(failureOf(run(session, std::nullopt)), session,
                   [session](const std::optional<QString> &failure) {
                       if (failure)
                           session->appendAssistantMessage(u"Save failed: "_qs + *failure);
                   });
}

QCoro::Task<void> SessionSaver::saveNow(std::optional<QString> message)
{
    return run(&m_session, std::move(message));
}

QCoro::Task<void> SessionSaver::run(QPointer<ProjectSession> session,
                                    std::optional<QString> message)
{
    if (session->isSaving())
        throw GitError(u"A save is already in progress."_qs);
    session->setIsSaving(true);
    if (!session->localURL()) {
        saveInMemory(*session);
        co_return;
    }

    // The snapshot: each dirty path with the text this save puts on disk (nothing for a path
    // it has no text for). A path the clone refuses is left out and so stays dirty.
    const QString root = *session->localURL();
    QHash<QString, std::optional<QString>> snapshot;
    const QSet<QString> dirty = session->dirtyPaths();
    for (const QString &path : dirty) {
        const std::optional<QString> text = writableText(*session, path);
        if (text) {
            try {
                if (CloneWriter::write(root, path, *text) == CloneWriter::Outcome::Refused)
                    continue;
            } catch (...) {
                session->setIsSaving(false);
                throw;
            }
        }
        snapshot.insert(path, text);
    }

    QSet<QString> committed;
    try {
        QFuture<OffThread::Outcome<QSet<QString>>> pushing = commitAndPushLater(root, message);
        OffThread::Outcome<QSet<QString>> outcome = co_await pushing;
        committed = OffThread::take(std::move(outcome));
    } catch (...) {
        if (session)
            session->setIsSaving(false);
        throw;
    }
    if (!session)
        co_return;

    if (!committed.isEmpty())
        session->resetBaselines();
    // A path edited while git worked holds a text this save did not write: it stays dirty.
    QSet<QString> saved;
    for (auto it = snapshot.cbegin(); it != snapshot.cend(); ++it) {
        if (writableText(*session, it.key()) == it.value())
            saved.insert(it.key());
    }
    session->removeDirtyPaths(saved);
    session->setIsSaving(false);
}

void SessionSaver::autosaveToDisk()
{
    const std::optional<QString> &root = m_session.localURL();
    if (!root || m_session.dirtyPaths().isEmpty() || !QFileInfo(*root).isDir())
        return;
    for (const QString &path : m_session.dirtyPaths()) {
        const std::optional<QString> text = writableText(m_session, path);
        if (!text)
            continue;
        try {
            CloneWriter::write(*root, path, *text);
        } catch (const GitError &) {
            // Autosave never reports: the path stays dirty and the next save tries again.
        }
    }
}

QSet<QString> SessionSaver::commitAndPushAll(const QString &root,
                                             const std::optional<QString> &message)
{
    GitClient::addAll(root);
    const QSet<QString> paths = GitClient::statusPaths(root);
    if (paths.isEmpty()) {
        // Commits that an earlier failed push left behind go out now, or "saved" would be
        // reported while the service still lacks the work.
        if (GitClient::hasUnpushedCommits(u"main"_qs, root))
            GitClient::push(MainRefspec, root);
        return {};
    }
    GitClient::commit(message.value_or(saveMessage(paths)), root);
    GitClient::push(MainRefspec, root);
    return paths;
}

QString SessionSaver::saveMessage(const QSet<QString> &paths)
{
    if (paths.size() == 1) {
        const QString &path = *paths.cbegin();
        return u"save: "_qs + path.section(u'/', -1);
    }
    return u"save: "_qs + QString::number(paths.size()) + u" files"_qs;
}

QCoro::Task<ProjectSession *> SessionSaver::openClone(QString root, QString org, QString slug)
{
    try {
        co_await GitTasks::fastForwardFromOrigin(root);
    } catch (...) {
        // Offline, diverged or blocked by local edits: the clone is read as it is.
    }
    co_return ProjectLoader::load(root, org, slug);
}
