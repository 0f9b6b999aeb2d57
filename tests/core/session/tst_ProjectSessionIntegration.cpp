#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "SessionSections.h"
#include "core/git/GitError.h"
#include "core/session/ProjectLoader.h"
#include "core/session/ProjectSession.h"
#include "support/SampleProject.h"
#include "support/TempTree.h"

namespace {

const QByteArray manifest = SampleProject::harbourManifest("    status: shipped\n");

bool git(const QStringList &arguments, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start("git", QStringList{"-c", "user.name=Test", "-c", "user.email=test@example.com",
                                     "-c", "init.defaultBranch=main"} +
                             arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

// Sessions over real clones: a bare remote, a clone of it with one pushed commit, and the
// user's Trash in the test's own XDG data folder. The clone lives below HOME so that the Trash
// used is the home one.
class TestProjectSessionIntegration : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(QDir().mkpath(QDir::homePath())); }

    void init()
    {
        QSettings().clear();
        // Without the data folder Qt's Trash lands in the working directory: every test
        // starts without it, so the session has to make it.
        QVERIFY(QDir(dataHome()).removeRecursively());
        m_dir = std::make_unique<QTemporaryDir>(QDir::homePath() + "/clones-XXXXXX");
        QVERIFY(m_dir->isValid());
        const QString remote = m_dir->filePath("remote.git");
        QVERIFY(git({"init", "--bare", remote}, m_dir->path()));
        QVERIFY(git({"clone", remote, "clone"}, m_dir->path()));
        m_root = m_dir->filePath("clone");
        const QList<std::pair<QString, QByteArray>> files{
            {"slatebox.yaml", manifest},
            {"bible/world.md", "The harbour.\n"},
            {"characters/mara-quinn/bio.md", "Mara.\n"},
            {"characters/mara-quinn/photos/portrait.png", "\x89PNG"},
            {"deliverables/s1e01/script.fountain", "INT. PIER\n"},
            {"deliverables/s1e02/script.fountain", "EXT. FERRY\n"},
        };
        for (const auto &[path, bytes] : files)
            QVERIFY(write(path, bytes));
        QVERIFY(git({"add", "-A"}, m_root));
        QVERIFY(git({"commit", "-m", "start"}, m_root));
        QVERIFY(git({"push", "origin", "HEAD:refs/heads/main"}, m_root));
    }

    void cleanup()
    {
        m_dir.reset();
        QDir(trashFolder()).removeRecursively();
    }

    void loadingGivesASessionOfTheClone()
    {
        const auto session = load();
        QCOMPARE(session->localURL(), std::optional<QString>(m_root));
        QCOMPARE(session->title(), QStringLiteral("Harbour Lights"));
        QCOMPARE(session->windowSubtitle(), QStringLiteral("kestrel/harbour"));
        QCOMPARE(session->type(), ProjectType::Series);
        QCOMPARE(session->openTabs(), QStringList{"deliverables/s1e01/script.fountain"});
        QCOMPARE(session->activeTab(),
                 std::optional<QString>("deliverables/s1e01/script.fountain"));
        QCOMPARE(session->files().value("bible/world.md").contents,
                 QStringLiteral("The harbour.\n"));
        QCOMPARE(session->loadedContents().value("bible/world.md"),
                 QStringLiteral("The harbour.\n"));
        QCOMPARE(SessionSections::paths(*session, "deliverables"),
                 (QStringList{"deliverables/s1e01", "deliverables/s1e02"}));
        QCOMPARE(session->conversations().size(), 1);

        QFile::remove(m_root + "/slatebox.yaml");
        QVERIFY_THROWS_EXCEPTION(GitError, ProjectLoader::load(m_root, "kestrel", "harbour"));
    }

    void baselinesComeFromHead()
    {
        const auto session = load();
        session->updateContents("bible/world.md", "The harbour at night.\n");
        QCOMPARE(session->baseline("bible/world.md"), std::optional<QString>("The harbour.\n"));

        // A file the session made but never saved has no baseline.
        session->insertFile(ProjectFile("bible/new.md", std::nullopt, "new"));
        session->updateContents("bible/new.md", "new text");
        QCOMPARE(session->baseline("bible/new.md"), std::nullopt);

        // Baselines are cached until they are reset: a commit made meanwhile shows only then.
        QVERIFY(write("bible/world.md", "The harbour at dawn.\n"));
        QVERIFY(write("bible/new.md", "new text"));
        QVERIFY(git({"add", "-A"}, m_root));
        QVERIFY(git({"commit", "-m", "more"}, m_root));
        QCOMPARE(session->baseline("bible/world.md"), std::optional<QString>("The harbour.\n"));
        QSignalSpy epoch(session.get(), &ProjectSession::baselineEpochChanged);
        session->resetBaselines();
        QCOMPARE(epoch.count(), 1);
        QCOMPARE(session->baselineEpoch(), 1);
        QCOMPARE(session->baseline("bible/world.md"),
                 std::optional<QString>("The harbour at dawn.\n"));
        QCOMPARE(session->baseline("bible/new.md"), std::optional<QString>("new text"));
    }

    void deletingAFolderMovesItToTheTrash()
    {
        const auto session = load();
        session->openItem("characters/mara-quinn");
        session->updateContents("characters/mara-quinn/bio.md", "Mara, edited.");
        QVERIFY(session->openTabs().contains("characters/mara-quinn/bio.md"));

        session->deleteItem("characters/mara-quinn");
        QVERIFY(!QFileInfo::exists(m_root + "/characters/mara-quinn"));
        QCOMPARE(readText(trashFolder() + "/files/mara-quinn/bio.md"), QStringLiteral("Mara.\n"));
        QVERIFY(QFileInfo::exists(trashFolder() + "/files/mara-quinn/photos/portrait.png"));
        QVERIFY(QFileInfo::exists(trashFolder() + "/info/mara-quinn.trashinfo"));

        for (const QString &path : session->files().keys())
            QVERIFY2(!path.startsWith("characters/mara-quinn"), qPrintable(path));
        QCOMPARE(session->openTabs(), QStringList{"deliverables/s1e01/script.fountain"});
        QVERIFY(session->dirtyPaths().isEmpty());
        QVERIFY(SessionSections::paths(*session, "characters").isEmpty());
        // The clone's other files are untouched.
        QVERIFY(QFileInfo::exists(m_root + "/bible/world.md"));
    }

    void deletingAFileThatOnlyExistsInMemory()
    {
        const auto session = load();
        session->insertFile(ProjectFile("bible/draft.md", std::nullopt, "draft"));
        session->insertIntoSidebar(ProjectFile("bible/draft.md", std::nullopt, "draft"));
        session->deleteItem("bible/draft.md");
        QVERIFY(!session->files().contains("bible/draft.md"));
        QCOMPARE(SessionSections::paths(*session, "bible"), QStringList{"bible/world.md"});
        QVERIFY(!QFileInfo::exists(trashFolder() + "/files/draft.md"));
    }

    void deletingAfterTheCloneWentAway()
    {
        const auto session = load();
        QVERIFY(QDir(m_root).removeRecursively());
        session->deleteItem("bible/world.md");
        QVERIFY(!session->files().contains("bible/world.md"));
        QVERIFY(!QFileInfo::exists(trashFolder()));
    }

    void deletingInsideAShippedDeliverableLeavesTheDisk()
    {
        const auto session = load();
        session->deleteItem("deliverables/s1e01");
        QVERIFY(QFileInfo::exists(m_root + "/deliverables/s1e01/script.fountain"));
        QVERIFY(session->files().contains("deliverables/s1e01/script.fountain"));
    }

    void aTrashThatCannotBeMadeKeepsTheItem()
    {
        const auto session = load();
        // The data folder would have to be made below a regular file: that cannot be.
        QVERIFY(write("../blocker", "file"));
        const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir->filePath("blocker/share")));
        const auto restore = qScopeGuard([&dataHome] { qputenv("XDG_DATA_HOME", dataHome); });

        try {
            session->deleteItem("bible/world.md");
            QFAIL("the delete went through without a Trash");
        } catch (const GitError &error) {
            QCOMPARE(error.message(),
                     QStringLiteral("\"world.md\" could not be moved to the Trash: the Trash "
                                    "folder cannot be created."));
        }
        QCOMPARE(readText(m_root + "/bible/world.md"), QStringLiteral("The harbour.\n"));
        QVERIFY(session->files().contains("bible/world.md"));
        QCOMPARE(SessionSections::paths(*session, "bible"), QStringList{"bible/world.md"});
    }

    void pathsLeavingTheCloneAreRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("parent piece") << "../remote.git/config";
        QTest::newRow("repository") << ".git/config";
        QTest::newRow("absolute") << "/etc/hostname";
        QTest::newRow("through a link") << "bible/escape/keep.md";
        QTest::newRow("the link's own target folder") << "bible/escape";
    }

    void pathsLeavingTheCloneAreRefused()
    {
        QFETCH(QString, path);
        TempTree outside;
        QVERIFY(outside.write("keep.md", "keep"));
        QVERIFY(QFile::link(outside.root(), m_root + "/bible/escape"));
        const auto session = load();
        QString revealed;
        session->setRevealLauncher([&revealed](const QString &shown) { revealed = shown; });

        QVERIFY_THROWS_EXCEPTION(GitError, session->deleteItem(path));
        session->revealInFinder(path);
        QVERIFY(revealed.isEmpty());
        QCOMPARE(readText(outside.absolute("keep.md")), QStringLiteral("keep"));
        QVERIFY(QFileInfo::exists(m_root + "/.git/config"));
        QVERIFY(QFileInfo::exists(m_dir->filePath("remote.git/config")));
        QVERIFY(!QFileInfo::exists(trashFolder() + "/files"));
    }

    void revealShowsTheNearestItemOnDisk_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("shown");
        QTest::newRow("saved file") << "bible/world.md"
                                    << "bible/world.md";
        QTest::newRow("folder") << "characters/mara-quinn"
                                << "characters/mara-quinn";
        QTest::newRow("unsaved file") << "characters/ada-vale/notes/bio.md"
                                      << "characters";
        QTest::newRow("unsaved root file") << "README.md"
                                           << "";
    }

    void revealShowsTheNearestItemOnDisk()
    {
        QFETCH(QString, path);
        QFETCH(QString, shown);
        const auto session = load();
        QStringList revealed;
        session->setRevealLauncher([&revealed](const QString &item) { revealed.append(item); });
        session->revealInFinder(path);
        QCOMPARE(revealed, QStringList{shown.isEmpty() ? m_root : m_root + "/" + shown});
    }

private:
    std::unique_ptr<ProjectSession> load() const
    {
        return std::unique_ptr<ProjectSession>(ProjectLoader::load(m_root, "kestrel", "harbour"));
    }

    bool write(const QString &path, const QByteArray &bytes) const
    {
        const QString absolute = m_root + "/" + path;
        QDir().mkpath(QFileInfo(absolute).absolutePath());
        QFile file(absolute);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               file.write(bytes) == bytes.size();
    }

    static QString dataHome()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    }

    static QString trashFolder() { return dataHome() + "/Trash"; }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

QTEST_GUILESS_MAIN(TestProjectSessionIntegration)
#include "tst_ProjectSessionIntegration.moc"
