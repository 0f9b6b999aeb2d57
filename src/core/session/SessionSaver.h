#pragma once

#include <optional>

#include <QPointer>
#include <QSet>
#include <QString>

#include <qcoro/qcorotask.h>

class ProjectSession;

// Moves a session's edits to the repository: writes the dirty files into the clone, commits
// everything and pushes the main branch (saving), or only writes them (autosaving); and opens a
// clone by fast-forwarding it before it is read.
//
// A saver is a cheap handle on its session: the running save holds a guarded pointer to the
// session, never to the saver, so a temporary saver may start a save that outlives it. A save
// whose session goes away while git works ends quietly without touching anything.
class SessionSaver {
public:
    // The refspec every save pushes.
    static inline const QString MainRefspec = QStringLiteral("HEAD:refs/heads/main");

    explicit SessionSaver(ProjectSession &session)
        : m_session(session)
    {
    }

    // Starts a save unless one runs; a failure becomes an assistant message "Save failed: …"
    // in the active conversation, the only place it is shown.
    void save();
    // Throws GitError ("A save is already in progress.", a write failure, git's own errors).
    // Paths edited while the save ran stay dirty, so the next save writes them again.
    QCoro::Task<void> saveNow(std::optional<QString> message = std::nullopt);
    // Writes the dirty text files into the clone and nothing else: no state changes, every
    // failure ignored.
    void autosaveToDisk();

    // Stages everything, commits and pushes; returns the committed paths, empty (and nothing
    // pushed) when git saw no change. Blocks: run it off the UI thread.
    static QSet<QString> commitAndPushAll(const QString &root,
                                          const std::optional<QString> &message);
    // "save: <file name>" for one path, else "save: <count> files".
    static QString saveMessage(const QSet<QString> &paths);

    // What a project window does before it shows a clone: fast-forward it from its remote in
    // the background (any failure ignored: offline, diverged, local changes), then read it into
    // a new session on the calling thread. The caller owns the session. Throws the loader's
    // GitError.
    static QCoro::Task<ProjectSession *> openClone(QString root, QString org, QString slug);

private:
    static QCoro::Task<void> run(QPointer<ProjectSession> session, std::optional<QString> message);
    static QCoro::Task<void> reportFailures(QPointer<ProjectSession> session);

    ProjectSession &m_session;
};
