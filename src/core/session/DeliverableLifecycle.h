#pragma once

#include <optional>

#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QString>

#include <qcoro/qcorotask.h>

class ProjectSession;

// A deliverable's way from editable to shipped and back to a revision, and the pins of the lock
// file. The only state is the manifest's and the lock file's text in the session's file index:
// a deliverable is read-only exactly while its manifest entry (in memory) says "shipped".
//
// Like SessionSaver, a cheap handle: the asynchronous operations hold a guarded pointer to the
// session, so a temporary lifecycle may start them. Failures are GitError with the texts below,
// or the service's APIError for the ship record; nothing is undone after a failure.
class DeliverableLifecycle {
public:
    // The lock text of a project without pins.
    static inline const QString EmptyLock = QStringLiteral("version: 1\npins: {}\n");

    explicit DeliverableLifecycle(ProjectSession &session)
        : m_session(session)
    {
    }

    // Sets the entry's status (and air day when given) in the manifest held in memory and
    // marks it dirty. Throws "slatebox.yaml is missing", or "slatebox.yaml has no deliverable
    // \"<slug>\"" when the entry is missing or already has exactly that status and air day.
    void setDeliverableStatus(const QString &slug, const QString &status,
                              const std::optional<QString> &airDate);

    // `deliverable` is the deliverable's folder or any path inside it. Marks it shipped, saves
    // with "ship: <slug>", tags the release commit with the next free ship tag, pushes the tag
    // and records the release with the service.
    QCoro::Task<void> ship(QString deliverable, std::optional<QDateTime> airDate = std::nullopt);
    // Marks the deliverable "wip" and saves with "revise: <slug>".
    QCoro::Task<void> startRevision(QString deliverable);

    // "ship/<slug>", or the first free "ship/<slug>.<n>" for n = 2, 3, …. Throws the tag
    // listing's GitError. Blocks on the repository.
    static QString nextShipTag(const QString &slug, const QString &root);
    // The calendar day of `date` in UTC, "yyyy-MM-dd".
    static QString isoDay(const QDateTime &date);

    // Creates slatebox.lock (in the Project section) on the first pin; both mark it dirty.
    void pin(const QString &inputHash, const QString &cas);
    // Does nothing without a lock file; otherwise rewrites it canonically, pinned or not.
    void unpin(const QString &inputHash);
    static std::optional<QString> pinnedCas(const ProjectSession &session,
                                            const QString &inputHash);

    // Folder of each character's appearance.yaml, voice.yaml, and each location's
    // appearance.yaml → the file's current text; sent with render requests. When two files
    // map to one folder the one met last in the index wins.
    static QHash<QString, QString> appearanceByRef(const ProjectSession &session);
    static QHash<QString, QString> voiceByRef(const ProjectSession &session);
    static QHash<QString, QString> locationByRef(const ProjectSession &session);

private:
    // The deliverable's slug, or GitError "<path> is not a deliverable".
    static QString slugOf(const QString &deliverable);
    static QCoro::Task<void> shipping(QPointer<ProjectSession> session, QString slug,
                                      std::optional<QString> airDay);
    static QHash<QString, QString> textsByFolder(const ProjectSession &session,
                                                 const QString &prefix, const QString &suffix);

    ProjectSession &m_session;
};
