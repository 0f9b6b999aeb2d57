#include "TestGit.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QUrl>

TestGit::Result TestGit::run(const QStringList &arguments, const QString &workingDir)
{
    QProcess git;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"GIT_TERMINAL_PROMPT"_qs, u"0"_qs);
    env.insert(u"GIT_CONFIG_NOSYSTEM"_qs, u"1"_qs);
    env.insert(u"GIT_CONFIG_GLOBAL"_qs, u"/dev/null"_qs);
    env.insert(u"GIT_ASKPASS"_qs, u"/bin/false"_qs);
    env.insert(u"NO_PROXY"_qs, u"127.0.0.1"_qs);
    env.insert(u"no_proxy"_qs, u"127.0.0.1"_qs);
    git.setProcessEnvironment(env);
    if (!workingDir.isEmpty())
        git.setWorkingDirectory(workingDir);
    const QStringList fixed{
        u"-c"_qs, u"user.name=Test"_qs,     u"-c"_qs, u"user.email=test@example.org"_qs,
        u"-c"_qs, u"credential.helper="_qs, u"-c"_qs, u"init.defaultBranch=main"_qs};
    git.start(u"git"_qs, fixed + arguments);
    Result result;
    if (!git.waitForFinished(60000)) {
        git.kill();
        git.waitForFinished();
        result.err = "git did not finish";
        return result;
    }
    result.exitCode = git.exitStatus() == QProcess::NormalExit ? git.exitCode() : -1;
    result.out = git.readAllStandardOutput();
    result.err = git.readAllStandardError();
    return result;
}

QString TestGit::withCredentials(const QString &cloneUrl, const QString &user,
                                 const QString &password)
{
    QUrl url(cloneUrl);
    url.setUserName(user);
    url.setPassword(password);
    return url.toString();
}
