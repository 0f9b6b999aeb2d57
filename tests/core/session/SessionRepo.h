#pragma once

#include <memory>
#include <utility>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include "core/UserFacingError.h"
#include "core/git/GitClient.h"
#include "core/session/ProjectLoader.h"
#include "core/session/ProjectSession.h"
#include "support/SampleProject.h"
#include "support/TempTree.h"

// A project "acme/harbour" on a bare repository of the test's own (the "origin", reached over
// the local file transport) with one commit on main, a clone of it made by GitClient, and the
// `git` command to look at both. Everything lives in one scratch folder.
class SessionRepo {
public:
    static QMap<QString, QByteArray> defaultProject()
    {
        return {
            {u"slatebox.yaml"_qs, SampleProject::harbourManifest({}, "    air_date: 2025-11-02\n")},
            {u"bible/world.md"_qs, "# World\n\nA harbour town.\n"},
            {u"bible/tone.md"_qs, "# Tone\n"},
            {u"characters/mara-quinn/profile.md"_qs, "# Mara Quinn\n"},
            {u"deliverables/s1e01/script.fountain"_qs, "INT. HARBOUR OFFICE - NIGHT\n"},
            {u"deliverables/s1e01/shots.yaml"_qs, "scenes: []\n"},
            {u"deliverables/s1e02/script.fountain"_qs, "EXT. FERRY - DAY\n"},
        };
    }

    explicit SessionRepo(const QMap<QString, QByteArray> &files = defaultProject())
    {
        const QString seed = m_tree.absolute(u"seed"_qs);
        m_ok = git({u"init"_qs, u"--bare"_qs, u"-b"_qs, u"main"_qs, remote()}).first;
        m_ok = m_ok && git({u"init"_qs, u"-b"_qs, u"main"_qs, seed}).first;
        for (auto it = files.cbegin(); it != files.cend() && m_ok; ++it)
            m_ok = m_tree.write(u"seed/"_qs + it.key(), it.value());
        m_ok = m_ok && git({u"add"_qs, u"-A"_qs}, seed).first &&
               git({u"commit"_qs, u"-q"_qs, u"-m"_qs, u"seed"_qs}, seed).first &&
               git({u"push"_qs, u"-q"_qs, remote(), u"main"_qs}, seed).first;
        try {
            if (m_ok)
                GitClient::clone(remote(), clone());
        } catch (const UserFacingError &) {
            m_ok = false;
        }
    }

    bool isValid() const { return m_ok; }
    QString remote() const { return m_tree.absolute(u"remote.git"_qs); }
    QString clone() const { return m_tree.absolute(u"clone"_qs); }
    QString scratch(const QString &relative) const { return m_tree.absolute(relative); }
    const TempTree &tree() const { return m_tree; }

    // The loaded session of the clone; the caller owns it.
    std::unique_ptr<ProjectSession> open() const
    {
        return std::unique_ptr<ProjectSession>(
            ProjectLoader::load(clone(), u"acme"_qs, u"harbour"_qs));
    }

    // Runs `git` with a fixed identity and no user or system configuration: (succeeded, output).
    static std::pair<bool, QString> git(const QStringList &arguments, const QString &dir = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"GIT_CONFIG_NOSYSTEM"_qs, u"1"_qs);
        environment.insert(u"GIT_TERMINAL_PROMPT"_qs, u"0"_qs);
        environment.insert(u"GIT_AUTHOR_NAME"_qs, u"Seed"_qs);
        environment.insert(u"GIT_AUTHOR_EMAIL"_qs, u"seed@example.test"_qs);
        environment.insert(u"GIT_COMMITTER_NAME"_qs, u"Seed"_qs);
        environment.insert(u"GIT_COMMITTER_EMAIL"_qs, u"seed@example.test"_qs);
        process.setProcessEnvironment(environment);
        if (!dir.isEmpty())
            process.setWorkingDirectory(dir);
        process.start(u"git"_qs, arguments);
        if (!process.waitForFinished(30000))
            return {false, QString()};
        const bool ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        return {ok, QString::fromUtf8(process.readAllStandardOutput()).trimmed()};
    }

    // Subjects of a repository's main branch, newest first.
    static QStringList log(const QString &gitDir, const QString &rev = u"main"_qs)
    {
        return git({u"--git-dir"_qs, gitDir, u"log"_qs, u"--format=%s"_qs, rev})
            .second.split(u'\n', Qt::SkipEmptyParts);
    }
    static QStringList tags(const QString &gitDir)
    {
        return git({u"--git-dir"_qs, gitDir, u"tag"_qs, u"--list"_qs})
            .second.split(u'\n', Qt::SkipEmptyParts);
    }
    static QString commitOf(const QString &gitDir, const QString &rev)
    {
        return git({u"--git-dir"_qs, gitDir, u"rev-parse"_qs, rev + u"^{commit}"_qs}).second;
    }
    // A file's text at a revision, or a null string when it is not there.
    static QString show(const QString &gitDir, const QString &revisionAndPath)
    {
        const auto [ok, text] = git({u"--git-dir"_qs, gitDir, u"show"_qs, revisionAndPath});
        return ok ? text : QString();
    }

    QStringList remoteLog() const { return log(remote()); }
    QStringList localLog() const { return log(clone() + u"/.git"_qs, u"HEAD"_qs); }
    QString remoteText(const QString &path) const { return show(remote(), u"main:"_qs + path); }
    QByteArray cloneBytes(const QString &path) const
    {
        QFile file(clone() + u'/' + path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The remote goes away (a lost network, as far as a push can tell) and comes back.
    bool takeRemoteAway() const { return QDir().rename(remote(), remote() + u".away"_qs); }
    bool bringRemoteBack() const { return QDir().rename(remote() + u".away"_qs, remote()); }

private:
    TempTree m_tree;
    bool m_ok = false;
};

// QCoro::waitFor never returns when a task throws, so tests await through this: "ok" or the
// failure's message.
namespace SessionOutcome {

inline QCoro::Task<QString> outcome(QCoro::Task<void> task)
{
    QString result = u"ok"_qs;
    try {
        co_await std::move(task);
    } catch (const UserFacingError &error) {
        result = error.message();
    } catch (const std::exception &error) {
        result = u"exception: "_qs + QString::fromUtf8(error.what());
    }
    co_return result;
}

inline QString wait(QCoro::Task<void> task)
{
    return QCoro::waitFor(outcome(std::move(task)));
}

} // namespace SessionOutcome
