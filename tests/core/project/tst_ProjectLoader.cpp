#include <QStringList>
#include <QTest>

#include "core/git/GitError.h"
#include "core/project/ProjectLoader.h"
#include "support/SampleProject.h"
#include "support/TempTree.h"

namespace {

QStringList paths(const QList<ProjectFile> &items)
{
    QStringList result;
    for (const ProjectFile &item : items)
        result.append(item.path);
    return result;
}

const SidebarSection &section(const LoadedProject &project, const QString &id)
{
    for (const SidebarSection &s : project.sections) {
        if (s.id == id)
            return s;
    }
    qFatal("no section %s", qPrintable(id));
}

const QByteArray manifest = SampleProject::harbourManifest({}, {},
                                                           "  - slug: s1e03\n"
                                                           "    kind: episode\n"
                                                           "    season: 1\n"
                                                           "    number: 3\n");

// A clone with one of each thing the loader must read, skip or order.
void writeFixture(const TempTree &tree)
{
    const QList<std::pair<QString, QByteArray>> files{
        {"slatebox.yaml", manifest},
        {"slatebox.lock", "pins: {}\n"},
        {"alpha.md", "lower"},
        {"Alpha.md", "upper"},
        {"Zeta.md", "zeta"},
        {"poster.png", "\x89PNG"},
        {".env", "hidden"},
        {".git/config", "[core]"},
        {"props/list.md", "not read: no section covers props/"},
        {"bible/world.md", "The harbour \xE2\x80\x94 at night."},
        {"bible/places/pier.md", "pier"},
        {"bible/poster.png", "\x89PNG"},
        {"bible/STILL.JPG", "\xFF\xD8"},
        {"bible/.draft.md", "hidden"},
        {"bible/broken.md", "bad \xC3\x28 bytes"},
        {"bible/truncated.md", "cut \xE2\x80"},
        {"bible/with-bom.md", "\xEF\xBB\xBFkept"},
        {"characters/mara-quinn/bio.md", "Mara"},
        {"characters/mara-quinn/looks.md", "looks file"},
        {"characters/mara-quinn/looks-notes.md", "notes"},
        {"characters/mara-quinn/looks/old-photos/photo.jpeg", "\xFF\xD8"},
        {"characters/jo/bio.md", "Jo"},
        {"characters/index.md", "loose"},
        {"locations/pier/notes.md", "salt"},
        {"deliverables/s1e01/notes.md", "pilot notes"},
        {"deliverables/s1e01/a/script.fountain.bak", "not the script"},
        {"deliverables/s1e02/script.fountain", "INT. FERRY - NIGHT"},
        {"deliverables/s1e02/boards/b1.md", "board"},
        {"deliverables/unlisted/script.fountain", "never shown"},
        {".slatebox/rules/tone.md", "Keep it quiet."},
        {".slatebox/skills/logline.md", "---\ndescription: Logline\n---\n"},
        {".slatebox/skills/.secret.md", "hidden"},
        {".slatebox/scorecard.yaml", "score: 3\n"},
    };
    for (const auto &[path, bytes] : files)
        QVERIFY2(tree.write(path, bytes), qPrintable(path));
    QVERIFY(tree.makeDir("characters/empty-folder"));
}

} // namespace

class TestProjectLoader : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_tree.isValid());
        writeFixture(m_tree);
        m_project = ProjectLoader::read(m_tree.root(), "kestrel", "harbour");
    }

    void manifestFields()
    {
        QCOMPARE(m_project.title, QStringLiteral("Harbour Lights"));
        QCOMPARE(m_project.type, ProjectType::Series);
        QCOMPARE(m_project.org, QStringLiteral("kestrel"));
        QCOMPARE(m_project.slug, QStringLiteral("harbour"));
        QCOMPARE(m_project.localURL, m_tree.root());
        QCOMPARE(m_project.sections.size(), 7);
    }

    void rootFilesInCodePointOrderTextOnly()
    {
        // Binary and hidden root files, folders and unknown folders' files are left out.
        QCOMPARE(paths(section(m_project, "sources").items),
                 QStringList({"slatebox.yaml", "slatebox.lock", "Alpha.md", "Zeta.md", "alpha.md",
                              ".slatebox/scorecard.yaml"}));
        QCOMPARE(section(m_project, "sources").items.at(2).contents, QStringLiteral("upper"));
        QVERIFY(!m_project.files.contains("props/list.md"));
        QVERIFY(!m_project.files.contains(".git/config"));
    }

    void bibleIsFlatWithBinariesAndWithoutBadText()
    {
        const QList<ProjectFile> &items = section(m_project, "bible").items;
        QCOMPARE(paths(items),
                 QStringList({"bible/STILL.JPG", "bible/places/pier.md", "bible/poster.png",
                              "bible/with-bom.md", "bible/world.md"}));
        QCOMPARE(items.at(1).name, QStringLiteral("pier.md"));
        QVERIFY(items.at(0).isBinary);
        QVERIFY(items.at(2).isBinary);
        QVERIFY(items.at(2).contents.isEmpty());
        QVERIFY(!items.at(4).isBinary);
        QCOMPARE(items.at(4).contents, QStringLiteral(u"The harbour \u2014 at night."));
        // The byte order mark survives, so saving writes the file back as it was.
        QCOMPARE(items.at(3).contents, QStringLiteral(u"\uFEFFkept"));
    }

    void characterGroups()
    {
        const QList<ProjectFile> &items = section(m_project, "characters").items;
        QCOMPARE(paths(items), QStringList({"characters/empty-folder", "characters/jo",
                                            "characters/mara-quinn", "characters/index.md"}));
        QCOMPARE(items.at(0).name, QStringLiteral("Empty Folder"));
        QVERIFY(!items.at(0).isGroup());
        const ProjectFile &mara = items.at(2);
        QCOMPARE(mara.name, QStringLiteral("Mara Quinn"));
        // A subfolder sorts before files named after it followed by "-" or ".".
        QCOMPARE(paths(mara.children),
                 QStringList({"characters/mara-quinn/bio.md", "characters/mara-quinn/looks",
                              "characters/mara-quinn/looks-notes.md",
                              "characters/mara-quinn/looks.md"}));
        const ProjectFile &photos = mara.children.at(1).children.first();
        QCOMPARE(photos.name, QStringLiteral("Old Photos"));
        QCOMPARE(photos.children.first().path,
                 QStringLiteral("characters/mara-quinn/looks/old-photos/photo.jpeg"));
        QVERIFY(photos.children.first().isBinary);
    }

    void deliverablesFromTheManifest()
    {
        const QList<ProjectFile> &items = section(m_project, "deliverables").items;
        QCOMPARE(paths(items),
                 QStringList({"deliverables/s1e01", "deliverables/s1e02", "deliverables/s1e03"}));
        QCOMPARE(items.at(1).name, QStringLiteral("The Ferry"));
        QCOMPARE(items.at(1).labelPrefix, QStringLiteral("S1E2:"));
        QCOMPARE(paths(items.at(1).children), QStringList({"deliverables/s1e02/boards/b1.md",
                                                           "deliverables/s1e02/script.fountain"}));
        // Listed but missing on disk: still shown, without files.
        QCOMPARE(items.at(2).name, QStringLiteral("s1e03"));
        QVERIFY(items.at(2).children.isEmpty());
        QVERIFY(!m_project.files.contains("deliverables/unlisted/script.fountain"));
    }

    void rulesSkillsAndHiddenFiles()
    {
        QCOMPARE(paths(section(m_project, "rules").items),
                 QStringList({".slatebox/rules/tone.md"}));
        QCOMPARE(paths(section(m_project, "skills").items),
                 QStringList({".slatebox/skills/logline.md"}));
        QCOMPARE(paths(section(m_project, "locations").items), QStringList({"locations/pier"}));
    }

    void openingTabIsTheFirstScriptInManifestOrder()
    {
        // Only the second deliverable has a script; s1e01's near miss is "script.fountain.bak".
        QCOMPARE(m_project.openingTab, QStringLiteral("deliverables/s1e02/script.fountain"));
    }

    void openingTabFollowsTheManifestNotTheSidebar()
    {
        TempTree tree;
        QVERIFY(tree.write("slatebox.yaml", "type: series\ndeliverables:\n"
                                            "  - slug: late\n    season: 2\n"
                                            "  - slug: early\n    season: 1\n"));
        QVERIFY(tree.write("deliverables/early/script.fountain", "early"));
        QVERIFY(tree.write("deliverables/late/x/script.fountain", "late"));
        QVERIFY(tree.write("deliverables/late/a-script.fountain", "late, first by path"));
        const LoadedProject project = ProjectLoader::read(tree.root(), "o", "s");
        QCOMPARE(paths(section(project, "deliverables").items),
                 QStringList({"deliverables/early", "deliverables/late"}));
        QCOMPARE(project.openingTab, QStringLiteral("deliverables/late/a-script.fountain"));
    }

    void indexAndLoadedContents()
    {
        QVERIFY(m_project.files.value("characters/mara-quinn").isGroup());
        QVERIFY(!m_project.loadedContents.contains("characters/mara-quinn"));
        QCOMPARE(m_project.loadedContents.value("bible/poster.png"), QString(""));
        QVERIFY(m_project.loadedContents.contains("characters/empty-folder"));
        QVERIFY(m_project.loadedContents.contains("deliverables/s1e03"));
        qsizetype nonGroups = 0;
        for (const ProjectFile &node : m_project.files)
            nonGroups += node.isGroup() ? 0 : 1;
        QCOMPARE(m_project.loadedContents.size(), nonGroups);
    }

    void textIsSharedNotCopied()
    {
        const QString path = QStringLiteral("deliverables/s1e02/script.fountain");
        const ProjectFile &inSection =
            section(m_project, "deliverables").items.at(1).children.at(1);
        QCOMPARE(inSection.path, path);
        QCOMPARE(m_project.files.value(path).contents.constData(), inSection.contents.constData());
        QCOMPARE(m_project.loadedContents.value(path).constData(), inSection.contents.constData());
    }

    void onlyManifest()
    {
        TempTree tree;
        QVERIFY(tree.write("slatebox.yaml", manifest));
        const LoadedProject project = ProjectLoader::read(tree.root(), "o", "s");
        QCOMPARE(paths(section(project, "sources").items), QStringList({"slatebox.yaml"}));
        for (const QString id : {"bible", "characters", "locations", "rules", "skills"})
            QVERIFY2(section(project, id).items.isEmpty(), qPrintable(id));
        const QList<ProjectFile> &deliverables = section(project, "deliverables").items;
        QCOMPARE(deliverables.size(), 3);
        for (const ProjectFile &deliverable : deliverables)
            QVERIFY(deliverable.children.isEmpty());
        QCOMPARE(project.openingTab, std::nullopt);
    }

    void manifestErrors_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null: no manifest at all
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QByteArray()
                                 << "slatebox.yaml could not be read: No such file or directory";
        QTest::newRow("no type") << QByteArray("title: x\n") << "slatebox.yaml has no valid type";
        QTest::newRow("not UTF-8") << QByteArray("type: series\ntitle: \xFF\n")
                                   << "slatebox.yaml could not be read: it is not UTF-8 text";
    }

    void manifestErrors()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        TempTree tree;
        if (!bytes.isNull())
            QVERIFY(tree.write("slatebox.yaml", bytes));
        try {
            ProjectLoader::read(tree.root(), "o", "s");
            QFAIL("load did not throw");
        } catch (const GitError &error) {
            QCOMPARE(error.message(), message);
        }
    }

    void linksLeadingOutsideAreNotRead()
    {
        TempTree outside;
        QVERIFY(outside.write("secret.md", "private"));
        QVERIFY(outside.write("folder/inner.md", "private"));
        TempTree tree;
        QVERIFY(tree.write("slatebox.yaml", "type: film\ndeliverables:\n  - slug: f\n"));
        QVERIFY(tree.write("README.md", "inside"));
        QVERIFY(tree.write("bible/real.md", "real"));
        QVERIFY(tree.symlink(outside.absolute("secret.md"), "bible/notes.md"));
        QVERIFY(tree.symlink(outside.absolute("secret.md"), "leak.md"));
        QVERIFY(tree.symlink(outside.absolute("secret.md"), "characters/leak.md"));
        QVERIFY(tree.symlink(outside.absolute("folder"), "bible/linked"));
        QVERIFY(tree.symlink(outside.absolute("folder"), "characters/linked"));
        QVERIFY(tree.symlink(outside.absolute("folder"), "deliverables/f"));
        QVERIFY(tree.symlink(outside.absolute("folder"), "locations"));
        QVERIFY(tree.symlink(outside.absolute("folder"), ".slatebox/rules"));
        QVERIFY(tree.symlink(outside.absolute("secret.md"), ".slatebox/scorecard.yaml"));
        // Links that stay inside: a file is read at the link's place; a folder loop is not
        // followed.
        QVERIFY(tree.symlink("../README.md", "bible/inside.md"));
        QVERIFY(tree.symlink("..", "bible/loop"));
        QVERIFY(tree.symlink(tree.absolute("bible"), ".slatebox/skills"));

        const LoadedProject project = ProjectLoader::read(tree.root(), "o", "s");
        for (const ProjectFile &node : project.files)
            QVERIFY2(!node.contents.contains("private"), qPrintable(node.path));
        QCOMPARE(paths(section(project, "sources").items),
                 QStringList({"slatebox.yaml", "README.md"}));
        QCOMPARE(paths(section(project, "bible").items),
                 QStringList({"bible/inside.md", "bible/real.md"}));
        QCOMPARE(project.files.value("bible/inside.md").contents, QStringLiteral("inside"));
        QVERIFY(section(project, "characters").items.isEmpty());
        QVERIFY(section(project, "locations").items.isEmpty());
        QVERIFY(section(project, "rules").items.isEmpty());
        QVERIFY(section(project, "deliverables").items.first().children.isEmpty());
        QCOMPARE(paths(section(project, "skills").items),
                 QStringList({".slatebox/skills/inside.md", ".slatebox/skills/real.md"}));
        QCOMPARE(ProjectLoader::file("bible/notes.md", tree.root()), std::nullopt);
    }

    void manifestThatIsAFolderIsAnError()
    {
        TempTree tree;
        QVERIFY(tree.makeDir("slatebox.yaml"));
        QVERIFY_THROWS_EXCEPTION(GitError, ProjectLoader::read(tree.root(), "o", "s"));
    }

    void manifestLinkedOutsideIsAnError()
    {
        TempTree outside;
        QVERIFY(outside.write("slatebox.yaml", "type: film\n"));
        TempTree tree;
        QVERIFY(tree.symlink(outside.absolute("slatebox.yaml"), "slatebox.yaml"));
        QVERIFY_THROWS_EXCEPTION(GitError, ProjectLoader::read(tree.root(), "o", "s"));
    }

    void slugsCannotLeaveTheDeliverablesFolder()
    {
        TempTree tree;
        QVERIFY(tree.write("slatebox.yaml", "type: film\ndeliverables:\n  - slug: ../bible\n"
                                            "  - slug: ..\n"));
        QVERIFY(tree.write("bible/world.md", "world"));
        QVERIFY(tree.write("deliverables/x.md", "loose"));
        const LoadedProject project = ProjectLoader::read(tree.root(), "o", "s");
        for (const ProjectFile &deliverable : section(project, "deliverables").items)
            QVERIFY2(deliverable.children.isEmpty(), qPrintable(deliverable.path));
    }

    void fileAt_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("found");
        QTest::newRow("text") << "bible/world.md" << true;
        QTest::newRow("binary extension still read as text") << "poster.png" << false;
        QTest::newRow("missing") << "nothing.md" << false;
        QTest::newRow("folder") << "bible" << false;
        QTest::newRow("invalid UTF-8") << "bible/broken.md" << false;
    }

    void fileAt()
    {
        QFETCH(QString, path);
        QFETCH(bool, found);
        const std::optional<ProjectFile> file = ProjectLoader::file(path, m_tree.root());
        QCOMPARE(file.has_value(), found);
        if (found) {
            QCOMPARE(file->path, path);
            QCOMPARE(file->name, path.section(u'/', -1));
        }
    }

    void missingFoldersAreEmpty()
    {
        QVERIFY(ProjectLoader::filesInDirectory("nothing", m_tree.root()).isEmpty());
        QVERIFY(ProjectLoader::folderGroups("nothing", m_tree.root()).isEmpty());
        QVERIFY(ProjectLoader::nestedFiles("nothing", m_tree.root()).isEmpty());
        QVERIFY(ProjectLoader::rootFiles(m_tree.root() + "/nothing").isEmpty());
    }

    void displayName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two words") << "mara-quinn"
                                   << "Mara Quinn";
        QTest::newRow("upper case word") << "OLD-pier"
                                         << "Old Pier";
        QTest::newRow("stray hyphens") << "-a--b-"
                                       << "A B";
        QTest::newRow("underscore is no separator") << "old_pier"
                                                    << "Old_pier";
        QTest::newRow("only hyphens") << "--"
                                      << "";
        QTest::newRow("non-ASCII") << "élise-ÅS"
                                   << "Élise Ås";
        QTest::newRow("digits") << "s1e02"
                                << "S1e02";
    }

    void displayName()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(ProjectLoader::displayName(name), expected);
    }

    void isBinaryFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("binary");
        for (const QString &extension : ProjectLoader::binaryExtensions())
            QTest::addRow("%s", qPrintable(extension)) << "a/b." + extension << true;
        QTest::newRow("capitals") << "a/B.PNG" << true;
        QTest::newRow("mixed case") << "shot.JpEg" << true;
        QTest::newRow("last extension counts") << "a.png.md" << false;
        QTest::newRow("no extension") << "png" << false;
        QTest::newRow("dot in folder only") << "a.png/readme" << false;
        QTest::newRow("video is text") << "clip.mp4" << false;
        QTest::newRow("svg is text") << "logo.svg" << false;
    }

    void isBinaryFile()
    {
        QFETCH(QString, path);
        QFETCH(bool, binary);
        QCOMPARE(ProjectLoader::binaryExtensions().size(), 13);
        QCOMPARE(ProjectLoader::isBinaryFile(path), binary);
    }

private:
    TempTree m_tree;
    LoadedProject m_project;
};

QTEST_GUILESS_MAIN(TestProjectLoader)
#include "tst_ProjectLoader.moc"
