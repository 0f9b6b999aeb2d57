#include "core/git/GitClient.h"

#include <optional>

#include <QMutex>
#include <QMutexLocker>

#include <git2.h>

#include "core/git/GitError.h"
#include "core/git/GitHandle.h"
#include "core/git/GitLibrary.h"
#include "core/git/GitRepository.h"

using GitLibrary::check;

namespace {

struct FallbackIdentityState {
    QMutex lock;
    std::optional<GitIdentity> identity;
};

FallbackIdentityState &fallbackState()
{
    static FallbackIdentityState state;
    return state;
}

using Index = GitHandle<git_index, git_index_free>;
using Object = GitHandle<git_object, git_object_free>;
using Signature = GitHandle<git_signature, git_signature_free>;
using StatusList = GitHandle<git_status_list, git_status_list_free>;
using Tree = GitHandle<git_tree, git_tree_free>;
using Commit = GitHandle<git_commit, git_commit_free>;

struct StrArray {
    git_strarray value{};
    ~StrArray() { git_strarray_dispose(&value); }
};

Index openIndex(git_repository *repository)
{
    git_index *raw = nullptr;
    check(git_repository_index(&raw, repository), QStringLiteral("index"));
    return Index(raw);
}

// The repository's configured identity, else the process-wide fallback, signed now.
Signature commitSignature(git_repository *repository)
{
    git_signature *raw = nullptr;
    if (git_signature_default(&raw, repository) == 0) {
        return Signature(raw);
    }
    GitLibrary::clearError();
    const GitIdentity identity = GitClient::fallbackIdentity();
    check(git_signature_now(&raw, identity.name.toUtf8().constData(),
                            identity.email.toUtf8().constData()),
          QStringLiteral("commit (signature)"));
    return Signature(raw);
}

// HEAD's commit, or none in a repository without commits.
Commit headParent(git_repository *repository)
{
    git_oid id;
    if (git_reference_name_to_id(&id, repository, "HEAD") < 0) {
        GitLibrary::clearError();
        return nullptr;
    }
    git_commit *raw = nullptr;
    check(git_commit_lookup(&raw, repository, &id), QStringLiteral("commit (parent)"));
    return Commit(raw);
}

} // namespace

namespace GitClient {

void addAll(const QString &clonePath)
{
    GitLibrary::startOperation();
    const GitRepository repository(clonePath);
    const Index index = openIndex(repository.get());
    const QString context = QStringLiteral("add");
    const git_strarray everything{nullptr, 0};
    // One pass over the working tree stages new, changed and deleted files alike: add_all
    // removes the entries whose file is gone, so a following update_all (a second pass of
    // ~10,000 stat calls on a large project) would find nothing left to stage.
    check(git_index_add_all(index.get(), &everything, GIT_INDEX_ADD_DEFAULT, nullptr, nullptr),
          context);
    check(git_index_write(index.get()), context);
}

QSet<QString> statusPaths(const QString &clonePath)
{
    QSet<QString> paths;
    try {
        GitLibrary::startOperation();
        const GitRepository repository(clonePath);
        git_status_options options;
        git_status_options_init(&options, GIT_STATUS_OPTIONS_VERSION);
        options.show = GIT_STATUS_SHOW_INDEX_AND_WORKDIR;
        options.flags = GIT_STATUS_OPT_INCLUDE_UNTRACKED | GIT_STATUS_OPT_RECURSE_UNTRACKED_DIRS;
        git_status_list *raw = nullptr;
        check(git_status_list_new(&raw, repository.get(), &options), QStringLiteral("status"));
        const StatusList list(raw);
        const size_t count = git_status_list_entrycount(list.get());
        for (size_t i = 0; i < count; ++i) {
            const git_status_entry *entry = git_status_byindex(list.get(), i);
            const git_diff_delta *delta =
                entry->head_to_index ? entry->head_to_index : entry->index_to_workdir;
            if (delta && delta->new_file.path) {
                paths.insert(QString::fromUtf8(delta->new_file.path));
            }
        }
    } catch (const GitError &) {
        return {};
    }
    return paths;
}

void commit(const QString &message, const QString &clonePath)
{
    GitLibrary::startOperation();
    const GitRepository repository(clonePath);
    const Index index = openIndex(repository.get());
    git_oid treeId;
    check(git_index_write_tree(&treeId, index.get()), QStringLiteral("commit (write tree)"));
    // Writing the tree fills the index's tree cache; keeping it on disk lets the next commit
    // rebuild only the folders that changed instead of every tree of the project (and check
    // every blob those trees name).
    check(git_index_write(index.get()), QStringLiteral("commit (write tree)"));
    git_tree *rawTree = nullptr;
    check(git_tree_lookup(&rawTree, repository.get(), &treeId),
          QStringLiteral("commit (tree lookup)"));
    const Tree tree(rawTree);
    const Signature signature = commitSignature(repository.get());
    const Commit parent = headParent(repository.get());
    const git_commit *parents[] = {parent.get()};
    git_oid commitId;
    check(git_commit_create(&commitId, repository.get(), "HEAD", signature.get(), signature.get(),
                            nullptr, message.toUtf8().constData(), tree.get(), parent ? 1 : 0,
                            parents),
          QStringLiteral("commit"));
}

void createTag(const QString &name, const QString &clonePath)
{
    GitLibrary::startOperation();
    const GitRepository repository(clonePath);
    const QString context = QStringLiteral("tag ") + name;
    git_object *raw = nullptr;
    check(git_revparse_single(&raw, repository.get(), "HEAD"), context);
    const Object head(raw);
    git_oid tagId;
    check(git_tag_create_lightweight(&tagId, repository.get(), name.toUtf8().constData(),
                                     head.get(), 0),
          context);
}

QStringList tags(const QString &pattern, const QString &clonePath)
{
    GitLibrary::startOperation();
    const GitRepository repository(clonePath);
    StrArray names;
    check(git_tag_list_match(&names.value, pattern.toUtf8().constData(), repository.get()),
          QStringLiteral("tag --list"));
    QStringList result;
    result.reserve(qsizetype(names.value.count));
    for (size_t i = 0; i < names.value.count; ++i) {
        result.append(QString::fromUtf8(names.value.strings[i]));
    }
    return result;
}

QString headCommit(const QString &clonePath)
{
    GitLibrary::startOperation();
    const GitRepository repository(clonePath);
    git_oid id;
    check(git_reference_name_to_id(&id, repository.get(), "HEAD"),
          QStringLiteral("rev-parse HEAD"));
    char hex[GIT_OID_HEXSZ + 1] = {};
    git_oid_tostr(hex, sizeof hex, &id);
    return QString::fromLatin1(hex);
}

QString show(const QString &revision, const QString &clonePath)
{
    GitLibrary::startOperation();
    const GitRepository repository(clonePath);
    const QString context = QStringLiteral("show ") + revision;
    git_object *raw = nullptr;
    check(git_revparse_single(&raw, repository.get(), revision.toUtf8().constData()), context);
    const Object object(raw);
    if (git_object_type(object.get()) != GIT_OBJECT_BLOB) {
        throw GitError(QStringLiteral("git ") + context + QStringLiteral(": not a file"));
    }
    const auto *blob = reinterpret_cast<const git_blob *>(object.get());
    // fromUtf8 replaces every invalid sequence with U+FFFD and keeps NUL bytes.
    return QString::fromUtf8(static_cast<const char *>(git_blob_rawcontent(blob)),
                             qsizetype(git_blob_rawsize(blob)));
}

void setFallbackIdentity(const QString &name, const QString &email)
{
    FallbackIdentityState &state = fallbackState();
    const QMutexLocker locker(&state.lock);
    state.identity = GitIdentity{name, email};
}

GitIdentity fallbackIdentity()
{
    FallbackIdentityState &state = fallbackState();
    const QMutexLocker locker(&state.lock);
    if (state.identity) {
        return *state.identity;
    }
    return GitIdentity{QStringLiteral("Slatebox"), QStringLiteral("no-reply@slatebox.app")};
}

} // namespace GitClient
