#include "RepositoryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "ChildProcess.h"
#include "RandomToken.h"

RepositoryStore::RepositoryStore(const QString &dataDir)
    : m_dataDir(dataDir)
    , m_root(dataDir + u"/git"_qs)
    , m_tmp(dataDir + u"/tmp"_qs)
    , m_git(QStandardPaths::findExecutable(u"git"_qs))
{
}

QString RepositoryStore::path(const QString &org, const QString &slug) const
{
    return m_root + u'/' + org + u'/' + slug + u".git"_qs;
}

bool RepositoryStore::exists(const QString &org, const QString &slug) const
{
    return QFileInfo(path(org, slug)).isDir();
}

QStringList RepositoryStore::gitEnvironment() const
{
    return {u"PATH="_qs + qEnvironmentVariable("PATH", u"/usr/bin:/bin"_qs),
            u"HOME="_qs + m_tmp,
            u"LANG=C"_qs,
            u"GIT_CONFIG_NOSYSTEM=1"_qs,
            u"GIT_CONFIG_GLOBAL=/dev/null"_qs,
            u"GIT_TERMINAL_PROMPT=0"_qs};
}

namespace {

QString failureText(const QString &step, const ChildProcess::Result &result)
{
    const QString detail = !result.error.isEmpty()
                               ? result.error
                               : QString::fromLocal8Bit(result.err).trimmed().section(u'\n', -1);
    return step + u": "_qs + (detail.isEmpty() ? u"failed"_qs : detail);
}

} // namespace

QString RepositoryStore::create(const QString &org, const QString &slug,
                                const QList<TemplateFile> &files, const QString &message)
{
    if (m_git.isEmpty())
        return u"git is not installed"_qs;
    const QString finalPath = path(org, slug);
    if (QFileInfo::exists(finalPath))
        return u"repository already exists"_qs;

    const QString scratch = m_tmp + u"/new-"_qs + RandomToken::hex(8);
    const QString work = scratch + u"/work"_qs;
    const QString bare = scratch + u"/repo.git"_qs;
    struct Cleanup {
        QString dir;
        ~Cleanup() { QDir(dir).removeRecursively(); }
    } cleanup{scratch};

    for (const TemplateFile &file : files) {
        const QString target = work + u'/' + file.path;
        QDir().mkpath(QFileInfo(target).path());
        QFile out(target);
        if (!out.open(QIODevice::WriteOnly) || out.write(file.contents) != file.contents.size())
            return u"cannot write "_qs + file.path + u": "_qs + out.errorString();
    }

    QStringList env = gitEnvironment();
    env << u"GIT_AUTHOR_NAME=Slatebox"_qs << u"GIT_AUTHOR_EMAIL=projects@slatebox.test"_qs
        << u"GIT_COMMITTER_NAME=Slatebox"_qs << u"GIT_COMMITTER_EMAIL=projects@slatebox.test"_qs;
    const QList<std::pair<QString, QStringList>> steps{
        {work, {u"init"_qs, u"-q"_qs, u"-b"_qs, u"main"_qs}},
        {work, {u"add"_qs, u"-A"_qs}},
        {work, {u"commit"_qs, u"-q"_qs, u"-m"_qs, message}},
        {scratch, {u"clone"_qs, u"-q"_qs, u"--bare"_qs, work, bare}},
        {bare, {u"config"_qs, u"http.receivepack"_qs, u"true"_qs}},
        {bare, {u"config"_qs, u"receive.denyDeletes"_qs, u"false"_qs}},
    };
    QDir().mkpath(work);
    for (const auto &[dir, arguments] : steps) {
        const auto result = ChildProcess::run(m_git, arguments, env, dir);
        if (!result.ok())
            return failureText(u"git "_qs + arguments.first(), result);
    }
    // The bare clone still names the scratch folder as its origin; a hosted repository has none.
    ChildProcess::run(m_git, {u"remote"_qs, u"remove"_qs, u"origin"_qs}, env, bare);

    if (!QDir().mkpath(m_root + u'/' + org))
        return u"cannot make the organisation folder"_qs;
    if (!QDir().rename(bare, finalPath))
        return u"cannot move the repository into place"_qs;
    return {};
}

bool RepositoryStore::remove(const QString &org, const QString &slug)
{
    const QString finalPath = path(org, slug);
    if (!QFileInfo(finalPath).isDir())
        return false;
    const QString doomed = m_tmp + u"/deleted-"_qs + RandomToken::hex(8);
    if (!QDir().rename(finalPath, doomed))
        return false;
    QDir(doomed).removeRecursively();
    return true;
}
