// History for the agent's context: the numstat log and the commit-time format.
#include "core/git/GitClient.h"

#include <QDateTime>
#include <QLocale>
#include <QtNumeric>

#include <git2.h>

#include "core/git/GitHandle.h"
#include "core/git/GitLibrary.h"
#include "core/git/GitRepository.h"

using GitLibrary::check;

namespace {

using Commit = GitHandle<git_commit, git_commit_free>;
using Diff = GitHandle<git_diff, git_diff_free>;
using Patch = GitHandle<git_patch, git_patch_free>;
using RevWalk = GitHandle<git_revwalk, git_revwalk_free>;
using Tree = GitHandle<git_tree, git_tree_free>;

const QString logContext = QStringLiteral("log");

Tree treeOf(const git_commit *commit)
{
    git_tree *raw = nullptr;
    check(git_commit_tree(&raw, commit), logContext);
    return Tree(raw);
}

QString headerLine(const git_commit *commit)
{
    const git_time_t seconds = git_commit_time(commit);
    const int offset = git_commit_time_offset(commit);
    // git_commit_summary wants a mutable commit only to cache the summary it computes.
    const char *summary = git_commit_summary(const_cast<git_commit *>(commit));
    return GitClient::isoDate(seconds, offset) + u'\t' + QString::fromUtf8(summary ? summary : "");
}

QString numstatLine(const git_diff *diff, size_t index)
{
    git_patch *raw = nullptr;
    if (git_patch_from_diff(&raw, const_cast<git_diff *>(diff), index) < 0) {
        GitLibrary::clearError();
        return {};
    }
    const Patch patch(raw);
    // Binary detection happens while the patch is made, so the flag is read from its delta.
    const git_diff_delta *delta =
        patch ? git_patch_get_delta(patch.get()) : git_diff_get_delta(diff, index);
    if (!delta) {
        return {};
    }
    const QString path = QString::fromUtf8(delta->new_file.path ? delta->new_file.path : "");
    if (delta->flags & GIT_DIFF_FLAG_BINARY) {
        return QStringLiteral("-\t-\t") + path;
    }
    size_t added = 0;
    size_t deleted = 0;
    if (patch && git_patch_line_stats(nullptr, &added, &deleted, patch.get()) < 0) {
        GitLibrary::clearError();
        return {};
    }
    return QString::number(added) + u'\t' + QString::number(deleted) + u'\t' + path;
}

void appendNumstat(QStringList &lines, git_repository *repository, const git_commit *commit)
{
    Tree parentTree;
    if (git_commit_parentcount(commit) == 1) {
        git_commit *rawParent = nullptr;
        check(git_commit_parent(&rawParent, commit, 0), logContext);
        const Commit parent(rawParent);
        parentTree = treeOf(parent.get());
    }
    const Tree tree = treeOf(commit);
    git_diff *rawDiff = nullptr;
    check(git_diff_tree_to_tree(&rawDiff, repository, parentTree.get(), tree.get(), nullptr),
          logContext);
    const Diff diff(rawDiff);
    const size_t count = git_diff_num_deltas(diff.get());
    for (size_t i = 0; i < count; ++i) {
        const QString line = numstatLine(diff.get(), i);
        if (!line.isEmpty()) {
            lines.append(line);
        }
    }
}

QString offsetText(int offsetMinutes)
{
    if (offsetMinutes == 0) {
        return QStringLiteral("Z");
    }
    const qint64 magnitude = qAbs(qint64(offsetMinutes));
    return QLatin1Char(offsetMinutes < 0 ? '-' : '+') +
           QStringLiteral("%1:%2")
               .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
               .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

namespace GitClient {

QString logNumstat(int limit, const QString &clonePath)
{
    GitLibrary::startOperation();
    const GitRepository repository(clonePath);
    if (limit < 1) {
        return {};
    }
    git_revwalk *rawWalk = nullptr;
    check(git_revwalk_new(&rawWalk, repository.get()), logContext);
    const RevWalk walk(rawWalk);
    check(git_revwalk_push_head(walk.get()), logContext);

    QStringList lines;
    git_oid id;
    for (int visited = 0; visited < limit; ++visited) {
        const int next = git_revwalk_next(&id, walk.get());
        if (next == GIT_ITEROVER) {
            break;
        }
        check(next, logContext);
        git_commit *rawCommit = nullptr;
        check(git_commit_lookup(&rawCommit, repository.get(), &id), logContext);
        const Commit commit(rawCommit);
        lines.append(headerLine(commit.get()));
        if (git_commit_parentcount(commit.get()) <= 1) {
            appendNumstat(lines, repository.get(), commit.get());
        }
    }
    return lines.join(u'\n');
}

QString isoDate(qint64 secondsSinceEpoch, int offsetMinutes)
{
    // The wall-clock time in the commit's zone is UTC shifted by the offset; formatting it as
    // UTC avoids Qt's limits on offsets and any lookup of the machine's zone.
    qint64 local = 0;
    if (qAddOverflow(secondsSinceEpoch, qint64(offsetMinutes) * 60, &local)) {
        return {};
    }
    const QDateTime time = QDateTime::fromSecsSinceEpoch(local, Qt::UTC);
    if (!time.isValid()) {
        return {};
    }
    return QLocale::c().toString(time, QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")) +
           offsetText(offsetMinutes);
}

} // namespace GitClient
