// The operations that talk to "origin": clone, fetch with fast-forward, push.
#include "core/git/GitClient.h"

#include <git2.h>

#include "core/git/GitError.h"
#include "core/git/GitHandle.h"
#include "core/git/GitLibrary.h"
#include "core/git/GitRemoteCallbacks.h"
#include "core/git/GitRepository.h"

using GitLibrary::check;

namespace {

using AnnotatedCommit = GitHandle<git_annotated_commit, git_annotated_commit_free>;
using Object = GitHandle<git_object, git_object_free>;
using Reference = GitHandle<git_reference, git_reference_free>;
using Remote = GitHandle<git_remote, git_remote_free>;
using Repository = GitHandle<git_repository, git_repository_free>;

Remote lookUpOrigin(git_repository *repository, const QString &context)
{
    git_remote *raw = nullptr;
    check(git_remote_lookup(&raw, repository, "origin"), context);
    return Remote(raw);
}

// The remote-tracking reference of the branch HEAD names, or none when HEAD is detached or the
// branch has no counterpart on origin.
Reference upstreamOfHead(git_repository *repository, git_reference *head)
{
    if (!git_reference_is_branch(head)) {
        return nullptr;
    }
    const char *shortName = git_reference_shorthand(head);
    if (!shortName || !*shortName) {
        return nullptr;
    }
    const QByteArray name = QByteArray("refs/remotes/origin/") + shortName;
    git_reference *raw = nullptr;
    if (git_reference_lookup(&raw, repository, name.constData()) < 0) {
        GitLibrary::clearError();
        return nullptr;
    }
    return Reference(raw);
}

void fetchOrigin(git_repository *repository)
{
    const Remote origin = lookUpOrigin(repository, QStringLiteral("fetch (remote)"));
    GitRemoteCallbacks callbacks;
    git_fetch_options options;
    git_fetch_options_init(&options, GIT_FETCH_OPTIONS_VERSION);
    callbacks.install(options.callbacks);
    check(git_remote_fetch(origin.get(), nullptr, &options, nullptr),
          QStringLiteral("fetch origin"));
}

} // namespace

namespace GitClient {

void clone(const QString &url, const QString &path)
{
    GitLibrary::startOperation();
    GitRemoteCallbacks callbacks;
    git_clone_options options;
    git_clone_options_init(&options, GIT_CLONE_OPTIONS_VERSION);
    callbacks.install(options.fetch_opts.callbacks);
    git_repository *raw = nullptr;
    const int code = git_clone(&raw, url.toUtf8().constData(), path.toUtf8().constData(), &options);
    const Repository repository(raw);
    check(code, QStringLiteral("clone ") + url);
}

bool fastForwardFromOrigin(const QString &clonePath)
{
    GitLibrary::startOperation();
    const GitRepository repository(clonePath);
    fetchOrigin(repository.get());

    git_reference *rawHead = nullptr;
    check(git_repository_head(&rawHead, repository.get()), QStringLiteral("fast-forward (HEAD)"));
    const Reference head(rawHead);
    const Reference upstream = upstreamOfHead(repository.get(), head.get());
    if (!upstream) {
        return false;
    }

    git_annotated_commit *rawAnnotated = nullptr;
    check(git_annotated_commit_from_ref(&rawAnnotated, repository.get(), upstream.get()),
          QStringLiteral("fast-forward (annotated)"));
    const AnnotatedCommit annotated(rawAnnotated);
    git_merge_analysis_t analysis = GIT_MERGE_ANALYSIS_NONE;
    git_merge_preference_t preference = GIT_MERGE_PREFERENCE_NONE;
    const git_annotated_commit *heads[] = {annotated.get()};
    check(git_merge_analysis(&analysis, &preference, repository.get(), heads, 1),
          QStringLiteral("fast-forward (analysis)"));
    // Up to date and diverged alike lack the fast-forward bit.
    if (!(analysis & GIT_MERGE_ANALYSIS_FASTFORWARD)) {
        return false;
    }

    const git_oid *targetId = git_annotated_commit_id(annotated.get());
    git_object *rawTarget = nullptr;
    check(git_object_lookup(&rawTarget, repository.get(), targetId, GIT_OBJECT_COMMIT),
          QStringLiteral("fast-forward (target)"));
    const Object target(rawTarget);
    git_checkout_options checkout;
    git_checkout_options_init(&checkout, GIT_CHECKOUT_OPTIONS_VERSION);
    checkout.checkout_strategy = GIT_CHECKOUT_SAFE;
    // A safe checkout finds every conflict before it writes anything, so on a conflict the
    // working tree and index are as they were and the branch stays put.
    const int checkedOut = git_checkout_tree(repository.get(), target.get(), &checkout);
    if (checkedOut == GIT_ECONFLICT) {
        GitLibrary::clearError();
        return false;
    }
    check(checkedOut, QStringLiteral("fast-forward (checkout)"));

    git_reference *rawMoved = nullptr;
    check(git_reference_set_target(&rawMoved, head.get(), targetId, "fast-forward"),
          QStringLiteral("fast-forward (ref)"));
    const Reference moved(rawMoved);
    return true;
}

void push(const QString &refspec, const QString &clonePath)
{
    GitLibrary::startOperation();
    const GitRepository repository(clonePath);
    const Remote origin = lookUpOrigin(repository.get(), QStringLiteral("push (remote)"));
    GitRemoteCallbacks callbacks;
    git_push_options options;
    git_push_options_init(&options, GIT_PUSH_OPTIONS_VERSION);
    callbacks.install(options.callbacks);
    QByteArray spec = refspec.toUtf8();
    char *specs[] = {spec.data()};
    const git_strarray refspecs{specs, 1};
    check(git_remote_push(origin.get(), &refspecs, &options), QStringLiteral("push ") + refspec);
}

bool hasUnpushedCommits(const QString &branch, const QString &clonePath)
{
    try {
        GitLibrary::startOperation();
        const GitRepository repository(clonePath);
        git_oid head;
        if (git_reference_name_to_id(&head, repository.get(), "HEAD") < 0) {
            GitLibrary::clearError();
            return false; // no commit yet: nothing to push
        }
        const QByteArray tracking = QByteArray("refs/remotes/origin/") + branch.toUtf8();
        git_oid upstream;
        if (git_reference_name_to_id(&upstream, repository.get(), tracking.constData()) < 0) {
            GitLibrary::clearError();
            return true;
        }
        size_t ahead = 0;
        size_t behind = 0;
        if (git_graph_ahead_behind(&ahead, &behind, repository.get(), &head, &upstream) < 0) {
            GitLibrary::clearError();
            return false;
        }
        return ahead > 0;
    } catch (const GitError &) {
        return false;
    }
}

} // namespace GitClient
