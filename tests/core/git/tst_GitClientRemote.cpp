// clone, fetch with fast-forward and push against a bare repository on the local file system
// (no credentials involved; the HTTP side is in tst_GitClientIntegration).
#include <QTemporaryDir>
#include <QtTest>

#include "GitFixture.h"
#include "core/git/GitClient.h"
#include "core/git/GitError.h"

namespace {

using GitFixture::failureOf;
using GitFixture::mainRefspec;

} // namespace

class tst_GitClientRemote : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void cloneChecksOutTheDefaultBranch();
    void cloneOfAMissingRemoteFails();
    void fastForwardWhenBehind();
    void fastForwardKeepsLocalEditsOfTheSameFiles();
    void fastForwardRefusesDivergedHistory();
    void fastForwardWithoutUpstreamOrBranch();
    void pushBranchAndTag();
    void pushAndFetchNeedOrigin();

private:
    QString path(const QString &name) const { return m_dir->path() + u'/' + name; }
    // Commits every change of `clone` and pushes it to main.
    void commitAndPush(const QString &clone, const QString &message);

    QTemporaryDir m_emptyConfig;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_remote;
    QString m_a;
    QString m_b;
};

void tst_GitClientRemote::initTestCase()
{
    QVERIFY(m_emptyConfig.isValid());
    GitFixture::isolateConfiguration(m_emptyConfig.path());
    GitClient::setFallbackIdentity(u"Tester"_qs, u"tester@x.test"_qs);
}

// A bare remote with one commit on main and two clones of it, a and b.
void tst_GitClientRemote::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_remote = path(u"remote.git"_qs);
    QVERIFY(GitFixture::init(m_remote, true));
    const QString seed = path(u"seed"_qs);
    QVERIFY(GitFixture::init(seed));
    QVERIFY(GitFixture::writeFile(seed, u"script.md"_qs, "INT. DOCK\nMara waits.\n"));
    QVERIFY(GitFixture::writeFile(seed, u"notes/a.md"_qs, "note\n"));
    QVERIFY(!GitFixture::commitAll(seed, u"Template"_qs, 1772353800, 0).isEmpty());
    QVERIFY(GitFixture::addOrigin(seed, m_remote));
    GitClient::push(mainRefspec, seed);

    m_a = path(u"a"_qs);
    m_b = path(u"b"_qs);
    GitClient::clone(m_remote, m_a);
    GitClient::clone(m_remote, m_b);
}

void tst_GitClientRemote::commitAndPush(const QString &clone, const QString &message)
{
    GitClient::addAll(clone);
    GitClient::commit(message, clone);
    GitClient::push(mainRefspec, clone);
}

void tst_GitClientRemote::cloneChecksOutTheDefaultBranch()
{
    QCOMPARE(GitFixture::headName(m_a), u"refs/heads/main"_qs);
    QCOMPARE(GitClient::headCommit(m_a), GitClient::headCommit(path(u"seed"_qs)));
    QCOMPARE(GitFixture::readFile(m_a + u"/notes/a.md"_qs), QByteArray("note\n"));
    QCOMPARE(GitClient::statusPaths(m_a), QSet<QString>());
    QCOMPARE(GitClient::fastForwardFromOrigin(m_a), false); // up to date
}

void tst_GitClientRemote::cloneOfAMissingRemoteFails()
{
    const QString url = path(u"nowhere.git"_qs);
    const QString message = failureOf([&] { GitClient::clone(url, path(u"c"_qs)); });
    QVERIFY2(message.startsWith(u"git clone "_qs + url + u": "_qs), qPrintable(message));
}

// Behind origin: the branch, index and files move; a local edit of a file the update does not
// touch stays.
void tst_GitClientRemote::fastForwardWhenBehind()
{
    QVERIFY(GitFixture::writeFile(m_b, u"script.md"_qs, "INT. DOCK\nMara runs.\n"));
    QVERIFY(GitFixture::writeFile(m_b, u"new/shot.yaml"_qs, "id: s1\n"));
    commitAndPush(m_b, u"Update"_qs);
    QVERIFY(GitFixture::writeFile(m_a, u"notes/a.md"_qs, "local edit\n"));

    QCOMPARE(GitClient::fastForwardFromOrigin(m_a), true);
    QCOMPARE(GitClient::headCommit(m_a), GitClient::headCommit(m_b));
    QCOMPARE(GitFixture::readFile(m_a + u"/script.md"_qs), QByteArray("INT. DOCK\nMara runs.\n"));
    QCOMPARE(GitFixture::readFile(m_a + u"/new/shot.yaml"_qs), QByteArray("id: s1\n"));
    QCOMPARE(GitFixture::readFile(m_a + u"/notes/a.md"_qs), QByteArray("local edit\n"));
    QCOMPARE(GitClient::statusPaths(m_a), QSet<QString>{u"notes/a.md"_qs});
    QCOMPARE(GitClient::fastForwardFromOrigin(m_a), false);
}

void tst_GitClientRemote::fastForwardKeepsLocalEditsOfTheSameFiles()
{
    QVERIFY(GitFixture::writeFile(m_b, u"script.md"_qs, "INT. DOCK\nMara runs.\n"));
    commitAndPush(m_b, u"Update"_qs);
    const QString before = GitClient::headCommit(m_a);
    QVERIFY(GitFixture::writeFile(m_a, u"script.md"_qs, "my own version\n"));

    QCOMPARE(GitClient::fastForwardFromOrigin(m_a), false);
    QCOMPARE(GitClient::headCommit(m_a), before);
    QCOMPARE(GitFixture::readFile(m_a + u"/script.md"_qs), QByteArray("my own version\n"));
    QCOMPARE(GitClient::statusPaths(m_a), QSet<QString>{u"script.md"_qs});
    // The fetch itself happened: origin's branch is known locally.
    QCOMPARE(GitFixture::revisionId(m_a, u"refs/remotes/origin/main"_qs),
             GitClient::headCommit(m_b));
}

void tst_GitClientRemote::fastForwardRefusesDivergedHistory()
{
    QVERIFY(GitFixture::writeFile(m_b, u"b.md"_qs, "b\n"));
    commitAndPush(m_b, u"From b"_qs);
    QVERIFY(GitFixture::writeFile(m_a, u"a.md"_qs, "a\n"));
    GitClient::addAll(m_a);
    GitClient::commit(u"From a"_qs, m_a);
    const QString before = GitClient::headCommit(m_a);

    QCOMPARE(GitClient::fastForwardFromOrigin(m_a), false);
    QCOMPARE(GitClient::headCommit(m_a), before);
    QVERIFY(!QFile::exists(m_a + u"/b.md"_qs));
    // A push of the diverged branch is refused too, with the refspec in the message.
    const QString message = failureOf([this] { GitClient::push(mainRefspec, m_a); });
    QVERIFY2(message.startsWith(u"git push HEAD:refs/heads/main: "_qs), qPrintable(message));
}

void tst_GitClientRemote::fastForwardWithoutUpstreamOrBranch()
{
    QVERIFY(GitFixture::writeFile(m_b, u"b.md"_qs, "b\n"));
    commitAndPush(m_b, u"From b"_qs);
    const QString before = GitClient::headCommit(m_a);

    // A local branch origin does not have.
    GitFixture::withRepository(m_a, [](git_repository *repository) {
        git_reference *ref = nullptr;
        git_reference_symbolic_create(&ref, repository, "HEAD", "refs/heads/draft", 1, nullptr);
        git_reference_free(ref);
        git_oid id;
        git_reference_name_to_id(&id, repository, "refs/heads/main");
        git_reference_create(&ref, repository, "refs/heads/draft", &id, 0, nullptr);
        git_reference_free(ref);
    });
    QCOMPARE(GitFixture::headName(m_a), u"refs/heads/draft"_qs);
    QCOMPARE(GitClient::fastForwardFromOrigin(m_a), false);
    QCOMPARE(GitClient::headCommit(m_a), before);

    // Detached HEAD.
    GitFixture::withRepository(m_a, [](git_repository *repository) {
        git_oid id;
        git_reference_name_to_id(&id, repository, "refs/heads/main");
        git_repository_set_head_detached(repository, &id);
    });
    QCOMPARE(GitFixture::headName(m_a), QString());
    QCOMPARE(GitClient::fastForwardFromOrigin(m_a), false);
    QCOMPARE(GitClient::headCommit(m_a), before);
    QVERIFY(!QFile::exists(m_a + u"/b.md"_qs));
}

void tst_GitClientRemote::pushBranchAndTag()
{
    QVERIFY(GitFixture::writeFile(m_a, u"a.md"_qs, "a\n"));
    commitAndPush(m_a, u"From a"_qs);
    QCOMPARE(GitFixture::revisionId(m_remote, u"refs/heads/main"_qs), GitClient::headCommit(m_a));

    GitClient::createTag(u"ship/pilot-1"_qs, m_a);
    GitClient::push(u"refs/tags/ship/pilot-1:refs/tags/ship/pilot-1"_qs, m_a);
    QCOMPARE(GitFixture::revisionId(m_remote, u"refs/tags/ship/pilot-1"_qs),
             GitClient::headCommit(m_a));
}

void tst_GitClientRemote::pushAndFetchNeedOrigin()
{
    const QString lone = path(u"lone"_qs);
    QVERIFY(GitFixture::init(lone));
    QVERIFY(GitFixture::writeFile(lone, u"a.md"_qs, "a\n"));
    QVERIFY(!GitFixture::commitAll(lone, u"x"_qs, 1772353800, 0).isEmpty());
    QVERIFY(failureOf([&] {
                GitClient::push(mainRefspec, lone);
            }).startsWith(u"git push (remote): "_qs));
    QVERIFY(failureOf([&] {
                GitClient::fastForwardFromOrigin(lone);
            }).startsWith(u"git fetch (remote): "_qs));
    // An origin that has gone away fails the fetch step.
    QVERIFY(GitFixture::addOrigin(lone, path(u"gone.git"_qs)));
    QVERIFY(failureOf([&] {
                GitClient::fastForwardFromOrigin(lone);
            }).startsWith(u"git fetch origin: "_qs));
}

QTEST_GUILESS_MAIN(tst_GitClientRemote)
#include "tst_GitClientRemote.moc"
