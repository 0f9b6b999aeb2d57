#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include "core/git/GitIdentity.h"

// The one place that talks to libgit2. Operations are free functions over a clone folder (a
// local path) and plain values; each opens and frees its own handles, so any thread may call
// them. Apart from the library's start-up, the fallback identity below is the only state.
// Every failure throws GitError with a message "git <step>: <library detail>".
namespace GitClient {

// Clones `url` into `path` (whose parent exists), checking out the remote's default branch.
void clone(const QString &url, const QString &path);
// Fetches "origin" and fast-forwards the current branch when that is possible without touching
// local edits; false (and nothing changed) when it is not.
bool fastForwardFromOrigin(const QString &clonePath);
// Stages every new, changed and deleted file of the working tree.
void addAll(const QString &clonePath);
// The paths with changes (staged first, else unstaged); empty on any failure, never throws.
QSet<QString> statusPaths(const QString &clonePath);
// Commits the index on HEAD, as the repository's identity or else the fallback identity.
void commit(const QString &message, const QString &clonePath);
// Pushes one refspec ("HEAD:refs/heads/main") to "origin".
void push(const QString &refspec, const QString &clonePath);
// True when HEAD has commits that origin's `branch` (as last fetched or pushed) lacks, or when
// origin has no such branch yet while HEAD has a commit: work that a failed push left behind.
// False on any failure; never throws.
bool hasUnpushedCommits(const QString &branch, const QString &clonePath);
// A lightweight tag at HEAD; fails when the tag exists.
void createTag(const QString &name, const QString &clonePath);
// Tag names matching a glob ("ship/pilot*"), in the library's order.
QStringList tags(const QString &pattern, const QString &clonePath);
// HEAD's commit id as 40 lower-case hexadecimal digits.
QString headCommit(const QString &clonePath);
// The text of a file at a revision ("HEAD:notes/a.md"); invalid UTF-8 becomes U+FFFD.
QString show(const QString &revision, const QString &clonePath);
// Recent history, newest first: per commit a line "<isoDate>\t<summary>" followed (except for
// merges) by "<added>\t<deleted>\t<path>" lines, "-\t-\t<path>" for binary files.
QString logNumstat(int limit, const QString &clonePath);
// A commit time in its own zone: "2026-03-01T09:30:00+01:00", or "...Z" at offset zero.
QString isoDate(qint64 secondsSinceEpoch, int offsetMinutes);

// Used for commits in a repository that has no committer identity of its own. Safe from any
// thread; a later call replaces an earlier pair. Never throws.
void setFallbackIdentity(const QString &name, const QString &email);

// The pair last set, or "Slatebox" with the service's no-reply address when none was set.
GitIdentity fallbackIdentity();

} // namespace GitClient
