// Git hosting over smart HTTP: clone, fetch and push of branches and tags with the `git` command
// and with libgit2, and the refusals of bad credentials.
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <git2.h>

#include "TestGit.h"
#include "TestHttp.h"
#include "support/ServerProcess.h"

namespace {

const QString demoToken = u"demo-token-1"_qs;
const QString otherToken = u"other-token-1"_qs;

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QString lastGitError()
{
    const git_error *error = git_error_last();
    return error ? QString::fromUtf8(error->message) : QString();
}

// libgit2 credentials as the client offers them: user "token" and the device token, once.
struct Credentials {
    QByteArray token;
    int attempts = 0;
};

int offerToken(git_credential **out, const char *, const char *, unsigned int, void *payload)
{
    auto *credentials = static_cast<Credentials *>(payload);
    if (++credentials->attempts > 1) {
        git_error_set_str(GIT_ERROR_NET, "credentials refused");
        return GIT_EAUTH;
    }
    return git_credential_userpass_plaintext_new(out, "token", credentials->token.constData());
}

} // namespace

class tst_ServerGit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void gitCommandClonesPushesAndFetches();
    void gitCommandRefusesBadCredentials_data();
    void gitCommandRefusesBadCredentials();
    void answersChallengeAndJsonErrors();
    void refusesPathsOutsideTheProtocol_data();
    void refusesPathsOutsideTheProtocol();
    void libgit2ClonesAndPushesBranchAndTag();
    void libgit2RefusedTokenFailsAfterOneAttempt();

private:
    QString authed(const QString &token = demoToken) const
    {
        return TestGit::withCredentials(m_cloneUrl, u"token"_qs, token);
    }

    ServerProcess m_server;
    QString m_cloneUrl;
};

void tst_ServerGit::initTestCase()
{
    git_libgit2_init();
    QVERIFY2(m_server.start(
                 {u"--user"_qs, u"demo="_qs + demoToken, u"--user"_qs, u"other="_qs + otherToken}),
             qPrintable(m_server.errorString()));
    TestHttp http(m_server.baseUrl());
    http.setToken(demoToken);
    const auto created = http.postJson(u"v1/projects"_qs, {{u"org"_qs, u"harbour-pictures"_qs},
                                                           {u"slug"_qs, u"tides"_qs},
                                                           {u"title"_qs, u"Tides"_qs},
                                                           {u"type"_qs, u"series"_qs}});
    QCOMPARE(created.status, 201);
    m_cloneUrl = created.json().value(u"cloneUrl"_qs).toString();
}

void tst_ServerGit::cleanupTestCase()
{
    git_libgit2_shutdown();
}

void tst_ServerGit::gitCommandClonesPushesAndFetches()
{
    QTemporaryDir scratch;
    const QString a = scratch.filePath(u"a"_qs);
    const QString b = scratch.filePath(u"b"_qs);
    QVERIFY(TestGit::run({u"clone"_qs, authed(), a}).ok());
    QVERIFY(TestGit::run({u"clone"_qs, authed(), b}).ok());

    QVERIFY(writeFile(a + u"/bible/notes.md"_qs, "# Notes\n"));
    // Larger than git's post buffer and incompressible: the push goes up chunked, and the
    // backend must take more than a pipe holds while it is already answering.
    QByteArray noise(3 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    QVERIFY(writeFile(a + u"/bible/reference.bin"_qs, noise));
    QVERIFY(TestGit::run({u"add"_qs, u"-A"_qs}, a).ok());
    QVERIFY(TestGit::run({u"commit"_qs, u"-q"_qs, u"-m"_qs, u"notes"_qs}, a).ok());
    const auto pushed = TestGit::run({u"push"_qs, u"origin"_qs, u"HEAD:refs/heads/main"_qs}, a);
    QVERIFY2(pushed.ok(), pushed.err.constData());
    QVERIFY(TestGit::run({u"tag"_qs, u"ship/s1e01"_qs}, a).ok());
    const auto tagged = TestGit::run({u"push"_qs, u"origin"_qs, u"ship/s1e01"_qs}, a);
    QVERIFY2(tagged.ok(), tagged.err.constData());
    // A second branch goes up and can be deleted again.
    QVERIFY(TestGit::run({u"push"_qs, u"origin"_qs, u"HEAD:refs/heads/draft"_qs}, a).ok());
    QVERIFY(TestGit::run({u"push"_qs, u"origin"_qs, u":refs/heads/draft"_qs}, a).ok());

    const auto fetched = TestGit::run({u"pull"_qs, u"-q"_qs, u"--ff-only"_qs, u"--tags"_qs}, b);
    QVERIFY2(fetched.ok(), fetched.err.constData());
    QVERIFY(QFile::exists(b + u"/bible/notes.md"_qs));
    QFile reference(b + u"/bible/reference.bin"_qs);
    QVERIFY(reference.open(QIODevice::ReadOnly));
    QCOMPARE(reference.readAll(), noise);
    QCOMPARE(TestGit::run({u"tag"_qs, u"--list"_qs, u"ship/*"_qs}, b).out.trimmed(),
             QByteArray("ship/s1e01"));
    const auto heads = TestGit::run({u"ls-remote"_qs, u"--heads"_qs, authed()}).out;
    QVERIFY(heads.contains("refs/heads/main"));
    QVERIFY(!heads.contains("refs/heads/draft"));
}

void tst_ServerGit::gitCommandRefusesBadCredentials_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("no credentials") << QString() << QString();
    QTest::newRow("unknown token") << u"token"_qs << u"not-a-token"_qs;
    QTest::newRow("wrong user name") << u"demo"_qs << demoToken;
    QTest::newRow("not a member") << u"token"_qs << otherToken;
}

void tst_ServerGit::gitCommandRefusesBadCredentials()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QTemporaryDir scratch;
    const QString url =
        user.isEmpty() ? m_cloneUrl : TestGit::withCredentials(m_cloneUrl, user, password);
    QVERIFY(!TestGit::run({u"clone"_qs, url, scratch.filePath(u"c"_qs)}).ok());

    // Nor can anyone push without a good token.
    const QString good = scratch.filePath(u"good"_qs);
    QVERIFY(TestGit::run({u"clone"_qs, authed(), good}).ok());
    QVERIFY(
        TestGit::run({u"commit"_qs, u"-q"_qs, u"--allow-empty"_qs, u"-m"_qs, u"x"_qs}, good).ok());
    QVERIFY(!TestGit::run({u"push"_qs, url, u"HEAD:refs/heads/main"_qs}, good).ok());
}

void tst_ServerGit::answersChallengeAndJsonErrors()
{
    const QString refs = m_cloneUrl.mid(m_server.baseUrl().toString().size() + 1) +
                         u"/info/refs?service=git-upload-pack"_qs;
    const auto anonymous = TestHttp(m_server.baseUrl()).get(refs);
    QCOMPARE(anonymous.status, 401);
    QVERIFY(anonymous.header("WWW-Authenticate").startsWith("Basic"));
    QVERIFY(!anonymous.error().isEmpty());

    // A bearer token is no basic credential.
    TestHttp bearer(m_server.baseUrl());
    bearer.setToken(demoToken);
    QCOMPARE(bearer.get(refs).status, 401);

    const auto missing = TestGit::run(
        {u"ls-remote"_qs, TestGit::withCredentials(m_server.baseUrl().toString() +
                                                       u"/git/harbour-pictures/nothing.git"_qs,
                                                   u"token"_qs, demoToken)});
    QVERIFY(!missing.ok());
}

void tst_ServerGit::refusesPathsOutsideTheProtocol_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("repository config") << u"git/harbour-pictures/tides.git/config"_qs;
    QTest::newRow("objects folder") << u"git/harbour-pictures/tides.git/objects/info/packs"_qs;
    QTest::newRow("dot-dot org") << u"git/%2E%2E/tides.git/info/refs"_qs;
    QTest::newRow("upper-case org") << u"git/Harbour/tides.git/info/refs"_qs;
}

void tst_ServerGit::refusesPathsOutsideTheProtocol()
{
    QFETCH(QString, path);
    const auto reply = TestHttp(m_server.baseUrl()).get(path);
    QCOMPARE(reply.status, 404);
    QVERIFY(!reply.error().isEmpty());
}

void tst_ServerGit::libgit2ClonesAndPushesBranchAndTag()
{
    QTemporaryDir scratch;
    const QString path = scratch.filePath(u"lg2"_qs);
    Credentials credentials{demoToken.toUtf8()};
    git_clone_options cloneOptions = GIT_CLONE_OPTIONS_INIT;
    cloneOptions.fetch_opts.callbacks.credentials = offerToken;
    cloneOptions.fetch_opts.callbacks.payload = &credentials;
    git_repository *repo = nullptr;
    QVERIFY2(git_clone(&repo, m_cloneUrl.toUtf8().constData(), path.toUtf8().constData(),
                       &cloneOptions) == 0,
             qPrintable(lastGitError()));
    git_repository_free(repo);
    QVERIFY(QFile::exists(path + u"/slatebox.yaml"_qs));
    QCOMPARE(credentials.attempts, 1);

    QVERIFY(writeFile(path + u"/bible/libgit2.md"_qs, "# From libgit2\n"));
    QVERIFY(TestGit::run({u"add"_qs, u"-A"_qs}, path).ok());
    QVERIFY(TestGit::run({u"commit"_qs, u"-q"_qs, u"-m"_qs, u"lg2"_qs}, path).ok());
    QVERIFY(TestGit::run({u"tag"_qs, u"ship/lg2"_qs}, path).ok());

    QVERIFY(git_repository_open(&repo, path.toUtf8().constData()) == 0);
    git_remote *remote = nullptr;
    QVERIFY(git_remote_lookup(&remote, repo, "origin") == 0);
    for (const char *refspec : {"HEAD:refs/heads/main", "refs/tags/ship/lg2:refs/tags/ship/lg2"}) {
        credentials.attempts = 0;
        git_push_options pushOptions = GIT_PUSH_OPTIONS_INIT;
        pushOptions.callbacks.credentials = offerToken;
        pushOptions.callbacks.payload = &credentials;
        char *specs[] = {const_cast<char *>(refspec)};
        const git_strarray refspecs{specs, 1};
        const int rc = git_remote_push(remote, &refspecs, &pushOptions);
        QVERIFY2(rc == 0, qPrintable(QString::fromUtf8(refspec) + u": "_qs + lastGitError()));
    }
    // Fetch through libgit2 as well.
    credentials.attempts = 0;
    git_fetch_options fetchOptions = GIT_FETCH_OPTIONS_INIT;
    fetchOptions.callbacks.credentials = offerToken;
    fetchOptions.callbacks.payload = &credentials;
    QVERIFY2(git_remote_fetch(remote, nullptr, &fetchOptions, nullptr) == 0,
             qPrintable(lastGitError()));
    git_remote_free(remote);
    git_repository_free(repo);

    const QByteArray head = TestGit::run({u"rev-parse"_qs, u"HEAD"_qs}, path).out.trimmed();
    const QByteArray remoteRefs = TestGit::run({u"ls-remote"_qs, authed()}).out;
    QVERIFY(remoteRefs.contains(QByteArray(head + "\trefs/heads/main")));
    QVERIFY(remoteRefs.contains(QByteArray(head + "\trefs/tags/ship/lg2")));
}

void tst_ServerGit::libgit2RefusedTokenFailsAfterOneAttempt()
{
    QTemporaryDir scratch;
    Credentials credentials{"not-a-token"};
    git_clone_options cloneOptions = GIT_CLONE_OPTIONS_INIT;
    cloneOptions.fetch_opts.callbacks.credentials = offerToken;
    cloneOptions.fetch_opts.callbacks.payload = &credentials;
    git_repository *repo = nullptr;
    const int rc = git_clone(&repo, m_cloneUrl.toUtf8().constData(),
                             scratch.filePath(u"refused"_qs).toUtf8().constData(), &cloneOptions);
    git_repository_free(repo);
    QVERIFY(rc < 0);
    QCOMPARE(credentials.attempts, 2);
}

QTEST_GUILESS_MAIN(tst_ServerGit)
#include "tst_ServerGit.moc"
