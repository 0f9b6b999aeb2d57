#include "core/session/DeliverableLifecycle.h"

#include <utility>

#include <QStringList>

#include <qcoro/qcorofuture.h>

#include "core/git/GitClient.h"
#include "core/git/GitError.h"
#include "core/project/LockFile.h"
#include "core/project/ProjectTree.h"
#include "core/project/ShowYaml.h"
#include "core/service/ShipBody.h"
#include "core/service/SlateboxAPI.h"
#include "core/session/OffThread.h"
#include "core/session/ProjectSession.h"

namespace {

const QString manifestPath = u"slatebox.yaml"_qs;
const QString lockPath = u"slatebox.lock"_qs;

// The release commit and the tag it got.
struct TaggedRelease {
    QString commit;
    QString tag;
};

TaggedRelease tagRelease(const QString &root, const QString &slug)
{
    TaggedRelease release;
    release.commit = GitClient::headCommit(root);
    release.tag = DeliverableLifecycle::nextShipTag(slug, root);
    GitClient::createTag(release.tag, root);
    GitClient::push(u"refs/tags/"_qs + release.tag, root);
    return release;
}

QFuture<OffThread::Outcome<TaggedRelease>> tagReleaseLater(const QString &root, const QString &slug)
{
    return OffThread::start([root, slug]() { return tagRelease(root, slug); });
}

// The current text of a plain file of the session, if it has one.
std::optional<QString> textOf(const ProjectSession &session, const QString &path)
{
    const auto node = session.files().constFind(path);
    if (node == session.files().cend() || node->isGroup())
        return std::nullopt;
    return node->contents;
}

} // namespace

void DeliverableLifecycle::setDeliverableStatus(const QString &slug, const QString &status,
                                                const std::optional<QString> &airDate)
{
    const auto manifest = m_session.files().constFind(manifestPath);
    if (manifest == m_session.files().cend())
        throw GitError(u"slatebox.yaml is missing"_qs);
    const QString text = manifest->contents;
    const QString changed = ShowYaml::settingDeliverableStatus(text, slug, status, airDate);
    if (changed == text)
        throw GitError(u"slatebox.yaml has no deliverable \""_qs + slug + u'"');
    m_session.setFileContents(manifestPath, changed);
    m_session.insertDirtyPath(manifestPath);
}

QString DeliverableLifecycle::slugOf(const QString &deliverable)
{
    const std::optional<QString> slug = ProjectTree::deliverableSlug(deliverable);
    if (!slug)
        throw GitError(deliverable + u" is not a deliverable"_qs);
    return *slug;
}

QCoro::Task<void> DeliverableLifecycle::ship(QString deliverable, std::optional<QDateTime> airDate)
{
    // Everything up to the first suspension runs while the caller's lifecycle exists; after
    // it only the guarded session is used.
    const QString slug = slugOf(deliverable);
    if (!m_session.localURL())
        throw GitError(u"Shipping needs a local clone."_qs);
    std::optional<QString> airDay;
    if (airDate)
        airDay = isoDay(*airDate);
    setDeliverableStatus(slug, u"shipped"_qs, airDay);
    co_await shipping(&m_session, slug, airDay);
}

QCoro::Task<void> DeliverableLifecycle::shipping(QPointer<ProjectSession> session, QString slug,
                                                 std::optional<QString> airDay)
{
    co_await session->saveNow(u"ship: "_qs + slug);
    if (!session)
        co_return;

    QFuture<OffThread::Outcome<TaggedRelease>> tagging =
        tagReleaseLater(*session->localURL(), slug);
    OffThread::Outcome<TaggedRelease> outcome = co_await tagging;
    const TaggedRelease release = OffThread::take(std::move(outcome));
    if (!session)
        co_return;

    ShipBody body;
    body.org = session->org();
    body.slug = session->slug();
    body.deliverable = slug;
    body.commit = release.commit;
    body.tag = release.tag;
    body.airDate = airDay;
    body.shots = textOf(*session, u"deliverables/"_qs + slug + u"/shots.yaml"_qs);
    body.lock = textOf(*session, lockPath);
    const SlateboxAPI api = SlateboxAPI::current();
    co_await api.createShip(body);
}

QCoro::Task<void> DeliverableLifecycle::startRevision(QString deliverable)
{
    const QString slug = slugOf(deliverable);
    setDeliverableStatus(slug, u"wip"_qs, std::nullopt);
    co_await m_session.saveNow(u"revise: "_qs + slug);
}

QString DeliverableLifecycle::nextShipTag(const QString &slug, const QString &root)
{
    const QString base = u"ship/"_qs + slug;
    const QStringList taken = GitClient::tags(base + u'*', root);
    if (!taken.contains(base))
        return base;
    for (qint64 n = 2;; ++n) {
        const QString candidate = base + u'.' + QString::number(n);
        if (!taken.contains(candidate))
            return candidate;
    }
}

QString DeliverableLifecycle::isoDay(const QDateTime &date)
{
    return date.toUTC().toString(u"yyyy-MM-dd"_qs);
}

void DeliverableLifecycle::pin(const QString &inputHash, const QString &cas)
{
    const std::optional<QString> current = textOf(m_session, lockPath);
    const QString text = LockFile::settingPin(current.value_or(EmptyLock), inputHash, cas);
    if (m_session.files().contains(lockPath)) {
        m_session.setFileContents(lockPath, text);
    } else {
        const ProjectFile lock(lockPath, lockPath, text);
        m_session.insertFile(lock);
        m_session.insertIntoSidebar(lock);
    }
    m_session.insertDirtyPath(lockPath);
}

void DeliverableLifecycle::unpin(const QString &inputHash)
{
    const std::optional<QString> current = textOf(m_session, lockPath);
    if (!current)
        return;
    m_session.setFileContents(lockPath, LockFile::removingPin(*current, inputHash));
    m_session.insertDirtyPath(lockPath);
}

std::optional<QString> DeliverableLifecycle::pinnedCas(const ProjectSession &session,
                                                       const QString &inputHash)
{
    const std::optional<QString> current = textOf(session, lockPath);
    if (!current)
        return std::nullopt;
    const LockPins pins = LockFile::pins(*current);
    const auto pin = pins.constFind(inputHash);
    if (pin == pins.cend())
        return std::nullopt;
    return *pin;
}

QHash<QString, QString> DeliverableLifecycle::appearanceByRef(const ProjectSession &session)
{
    return textsByFolder(session, u"characters/"_qs, u"/appearance.yaml"_qs);
}

QHash<QString, QString> DeliverableLifecycle::voiceByRef(const ProjectSession &session)
{
    return textsByFolder(session, u"characters/"_qs, u"/voice.yaml"_qs);
}

QHash<QString, QString> DeliverableLifecycle::locationByRef(const ProjectSession &session)
{
    return textsByFolder(session, u"locations/"_qs, u"/appearance.yaml"_qs);
}

QHash<QString, QString> DeliverableLifecycle::textsByFolder(const ProjectSession &session,
                                                            const QString &prefix,
                                                            const QString &suffix)
{
    QHash<QString, QString> texts;
    const FileIndex &files = session.files();
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString &path = it.key();
        if (it->isBinary || it->isGroup() || !path.startsWith(prefix) || !path.endsWith(suffix))
            continue;
        texts.insert(path.section(u'/', 0, -2), it->contents);
    }
    return texts;
}
