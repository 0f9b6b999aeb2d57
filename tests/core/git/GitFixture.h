#pragma once

#include <functional>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <git2.h>

#include "core/git/GitError.h"

// Scratch repositories for the git tests, made with libgit2 directly so that a fixture never
// depends on the code under test (apart from where a test says so).
namespace GitFixture {

// Points every configuration level of libgit2 at `emptyFolder`, so the machine's and the
// user's git configuration (and their identity) cannot leak into a test.
inline void isolateConfiguration(const QString &emptyFolder)
{
    git_libgit2_init();
    const QByteArray path = emptyFolder.toUtf8();
    for (const int level : {GIT_CONFIG_LEVEL_SYSTEM, GIT_CONFIG_LEVEL_XDG, GIT_CONFIG_LEVEL_GLOBAL,
                            GIT_CONFIG_LEVEL_PROGRAMDATA}) {
        git_libgit2_opts(GIT_OPT_SET_SEARCH_PATH, level, path.constData());
    }
}

inline bool writeFile(const QString &root, const QString &relativePath, const QByteArray &bytes)
{
    const QString path = root + u'/' + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A new repository whose HEAD names refs/heads/main; false on failure.
inline bool init(const QString &path, bool bare = false)
{
    git_repository_init_options options;
    git_repository_init_options_init(&options, GIT_REPOSITORY_INIT_OPTIONS_VERSION);
    options.flags = GIT_REPOSITORY_INIT_MKPATH | (bare ? GIT_REPOSITORY_INIT_BARE : 0);
    options.initial_head = "main";
    git_repository *repository = nullptr;
    const int code = git_repository_init_ext(&repository, path.toUtf8().constData(), &options);
    git_repository_free(repository);
    return code == 0;
}

// Runs `use(repository)` on the opened repository; false when it cannot be opened.
template<typename F>
bool withRepository(const QString &path, F use)
{
    git_repository *repository = nullptr;
    if (git_repository_open(&repository, path.toUtf8().constData()) < 0) {
        return false;
    }
    use(repository);
    git_repository_free(repository);
    return true;
}

inline bool setConfig(const QString &path, const char *name, const QString &value)
{
    bool ok = false;
    withRepository(path, [&](git_repository *repository) {
        git_config *config = nullptr;
        if (git_repository_config(&config, repository) == 0) {
            ok = git_config_set_string(config, name, value.toUtf8().constData()) == 0;
        }
        git_config_free(config);
    });
    return ok;
}

inline bool addOrigin(const QString &path, const QString &url)
{
    bool ok = false;
    withRepository(path, [&](git_repository *repository) {
        git_remote *remote = nullptr;
        ok = git_remote_create(&remote, repository, "origin", url.toUtf8().constData()) == 0;
        git_remote_free(remote);
    });
    return ok;
}

// Stages the whole working tree and commits it with a fixed author time on `updateRef`, on top
// of `parents` (ids in hex; HEAD's commit when none are given and HEAD exists). Returns the new
// id in hex, or an empty text on failure.
inline QString commitAll(const QString &path, const QString &message, qint64 time, int offset,
                         QStringList parents = {}, const char *updateRef = "HEAD")
{
    QString result;
    withRepository(path, [&](git_repository *repository) {
        git_index *index = nullptr;
        git_signature *signature = nullptr;
        git_tree *tree = nullptr;
        QList<git_commit *> parentCommits;
        git_oid treeId;
        git_oid commitId;
        git_strarray all{nullptr, 0};
        if (parents.isEmpty()) {
            git_oid head;
            if (git_reference_name_to_id(&head, repository, "HEAD") == 0) {
                char hex[GIT_OID_HEXSZ + 1] = {};
                parents.append(QString::fromLatin1(git_oid_tostr(hex, sizeof hex, &head)));
            }
        }
        bool ok = git_repository_index(&index, repository) == 0 &&
                  git_index_add_all(index, &all, 0, nullptr, nullptr) == 0 &&
                  git_index_update_all(index, &all, nullptr, nullptr) == 0 &&
                  git_index_write(index) == 0 && git_index_write_tree(&treeId, index) == 0 &&
                  git_tree_lookup(&tree, repository, &treeId) == 0 &&
                  git_signature_new(&signature, "Fixture", "fixture@x.test", time, offset) == 0;
        for (const QString &parent : parents) {
            git_oid id;
            git_commit *commit = nullptr;
            ok = ok && git_oid_fromstr(&id, parent.toLatin1().constData()) == 0 &&
                 git_commit_lookup(&commit, repository, &id) == 0;
            parentCommits.append(commit);
        }
        if (ok) {
            QList<const git_commit *> constParents(parentCommits.begin(), parentCommits.end());
            ok = git_commit_create(&commitId, repository, updateRef, signature, signature, nullptr,
                                   message.toUtf8().constData(), tree, size_t(constParents.size()),
                                   constParents.data()) == 0;
        }
        if (ok) {
            char hex[GIT_OID_HEXSZ + 1] = {};
            result = QString::fromLatin1(git_oid_tostr(hex, sizeof hex, &commitId));
        }
        for (git_commit *commit : parentCommits) {
            git_commit_free(commit);
        }
        git_signature_free(signature);
        git_tree_free(tree);
        git_index_free(index);
    });
    return result;
}

struct CommitInfo {
    QString author;
    QString email;
    int parents = -1;
    QString message;
};

inline CommitInfo commitInfo(const QString &path, const QString &revision = QStringLiteral("HEAD"))
{
    CommitInfo info;
    withRepository(path, [&](git_repository *repository) {
        git_object *object = nullptr;
        if (git_revparse_single(&object, repository, revision.toUtf8().constData()) == 0 &&
            git_object_type(object) == GIT_OBJECT_COMMIT) {
            const auto *commit = reinterpret_cast<const git_commit *>(object);
            info.author = QString::fromUtf8(git_commit_author(commit)->name);
            info.email = QString::fromUtf8(git_commit_author(commit)->email);
            info.parents = int(git_commit_parentcount(commit));
            info.message = QString::fromUtf8(git_commit_message(commit));
        }
        git_object_free(object);
    });
    return info;
}

// The commit id a revision ("HEAD", "HEAD~1", "refs/tags/v1") names, in hex, or an empty text.
inline QString revisionId(const QString &path, const QString &revision)
{
    QString result;
    withRepository(path, [&](git_repository *repository) {
        git_object *object = nullptr;
        if (git_revparse_single(&object, repository, revision.toUtf8().constData()) == 0) {
            char hex[GIT_OID_HEXSZ + 1] = {};
            result = QString::fromLatin1(git_oid_tostr(hex, sizeof hex, git_object_id(object)));
        }
        git_object_free(object);
    });
    return result;
}

inline QString headName(const QString &path)
{
    QString result;
    withRepository(path, [&](git_repository *repository) {
        git_reference *head = nullptr;
        if (git_reference_lookup(&head, repository, "HEAD") == 0 &&
            git_reference_type(head) == GIT_REFERENCE_SYMBOLIC) {
            result = QString::fromUtf8(git_reference_symbolic_target(head));
        }
        git_reference_free(head);
    });
    return result;
}

// Pushes the current branch to main on the remote.
inline const QString mainRefspec = QStringLiteral("HEAD:refs/heads/main");

// The message of the GitError `operation` throws, or "no error" (the one place the fixture
// knows a type of the code under test).
inline QString failureOf(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const GitError &error) {
        return error.message();
    }
    return QStringLiteral("no error");
}

} // namespace GitFixture
