#include <QStringList>
#include <QTest>

#include "core/project/CodePointOrder.h"
#include "core/project/ProjectTree.h"

namespace {

ProjectFile file(const QString &path, const QString &contents = QString())
{
    return ProjectFile(path, std::nullopt, contents);
}

ProjectFile group(const QString &path, const QString &name, QList<ProjectFile> children)
{
    return ProjectFile(path, name, QString(), std::move(children));
}

QStringList paths(const QList<ProjectFile> &items)
{
    QStringList result;
    for (const ProjectFile &item : items)
        result.append(item.path);
    return result;
}

const SidebarSection *section(const QList<SidebarSection> &sections, const QString &id)
{
    for (const SidebarSection &s : sections) {
        if (s.id == id)
            return &s;
    }
    return nullptr;
}

const QString manifestText = QStringLiteral("type: series\n"
                                            "title: Harbour Lights\n"
                                            "deliverables:\n"
                                            "  - slug: s1e02\n"
                                            "    kind: episode\n"
                                            "    season: 1\n"
                                            "    number: 2\n");

// The tree the loader would make for a small series.
QList<SidebarSection> sampleSections()
{
    return {
        {"sources", "Project", {file("slatebox.yaml", manifestText), file("slatebox.lock")}},
        {"bible", "Bible", {file("bible/world.md")}},
        {"characters",
         "Characters",
         {group("characters/mara-quinn", "Mara Quinn", {file("characters/mara-quinn/bio.md")}),
          file("characters/index.md")}},
        {"locations",
         "Locations",
         {group("locations/pier", "Pier", {file("locations/pier/notes.md")})}},
        {"deliverables",
         "Deliverables",
         {ProjectFile("deliverables/s1e02", "S1E02", QString(),
                      {file("deliverables/s1e02/script.fountain")}, QStringLiteral("S1E2:"))}},
        {"rules", "Rules", {}},
        {"skills", "Skills", {}},
    };
}

} // namespace

class TestProjectTree : public QObject {
    Q_OBJECT

private slots:
    void indexHoldsEveryNode()
    {
        const QList<SidebarSection> sections = sampleSections();
        const FileIndex index = ProjectTree::index(sections);
        QCOMPARE(index.size(), 10);
        QVERIFY(index.value("characters/mara-quinn").isGroup());
        QCOMPARE(index.value("characters/mara-quinn/bio.md").name, QStringLiteral("bio.md"));
        QVERIFY(index.contains("deliverables/s1e02/script.fountain"));
    }

    void indexLaterNodeWins()
    {
        const QList<SidebarSection> sections{
            {"a", "A", {file("same.md", "first"), file("same.md", "second")}},
            {"b", "B", {group("g", "G", {file("same.md", "third")})}},
        };
        QCOMPARE(ProjectTree::index(sections).value("same.md").contents, QStringLiteral("third"));
    }

    void deliverablePaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("slug"); // null: none
        QTest::addColumn<bool>("isFolder");
        QTest::newRow("folder") << "deliverables/s1e01"
                                << "s1e01" << true;
        QTest::newRow("file") << "deliverables/s1e01/script.fountain"
                              << "s1e01" << false;
        QTest::newRow("deep file") << "deliverables/s1e01/a/b.md"
                                   << "s1e01" << false;
        QTest::newRow("the deliverables folder") << "deliverables" << QString() << false;
        QTest::newRow("empty pieces dropped") << "/deliverables//s1e01/"
                                              << "s1e01" << true;
        QTest::newRow("case-sensitive") << "Deliverables/s1e01" << QString() << false;
        QTest::newRow("elsewhere") << "bible/deliverables/x" << QString() << false;
        QTest::newRow("empty") << "" << QString() << false;
    }

    void deliverablePaths()
    {
        QFETCH(QString, path);
        QFETCH(QString, slug);
        QFETCH(bool, isFolder);
        QCOMPARE(ProjectTree::deliverableSlug(path),
                 slug.isNull() ? std::nullopt : std::optional<QString>(slug));
        QCOMPARE(ProjectTree::isDeliverableFolder(path), isFolder);
    }

    void insertIntoSidebar_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("sectionId"); // null: nothing changes
        QTest::addColumn<QStringList>("items");

        QTest::newRow("root file re-sorts the Project section")
            << "README.md"
            << "sources" << QStringList{"README.md", "slatebox.lock", "slatebox.yaml"};
        QTest::newRow("scorecard")
            << ".slatebox/scorecard.yaml"
            << "sources"
            << QStringList{".slatebox/scorecard.yaml", "slatebox.lock", "slatebox.yaml"};
        QTest::newRow("bible, flat at any depth")
            << "bible/a/b.md"
            << "bible" << QStringList{"bible/a/b.md", "bible/world.md"};
        QTest::newRow("skill") << ".slatebox/skills/x.md"
                               << "skills" << QStringList{".slatebox/skills/x.md"};
        QTest::newRow("rule") << ".slatebox/rules/x.md"
                              << "rules" << QStringList{".slatebox/rules/x.md"};
        QTest::newRow("loose character file")
            << "characters/a.md"
            << "characters"
            << QStringList{"characters/a.md", "characters/index.md", "characters/mara-quinn"};
        QTest::newRow("new character folder takes its place by path")
            << "characters/jo-ash/bio.md"
            << "characters"
            << QStringList{"characters/index.md", "characters/jo-ash", "characters/mara-quinn"};
        QTest::newRow("existing group: section order kept")
            << "characters/mara-quinn/a.md"
            << "characters" << QStringList{"characters/mara-quinn", "characters/index.md"};
        QTest::newRow("uncovered root folder") << "props/x.md" << QString() << QStringList();
        QTest::newRow("other .slatebox file")
            << ".slatebox/other.yaml" << QString() << QStringList();
    }

    void insertIntoSidebar()
    {
        QFETCH(QString, path);
        QFETCH(QString, sectionId);
        QFETCH(QStringList, items);
        QList<SidebarSection> sections = sampleSections();
        ProjectTree::insertIntoSidebar(sections, file(path));
        if (sectionId.isNull()) {
            QCOMPARE(sections, sampleSections());
            return;
        }
        QCOMPARE(paths(section(sections, sectionId)->items), items);
        QVERIFY(ProjectTree::index(sections).contains(path));
    }

    void insertCreatesNamedNestedGroups()
    {
        QList<SidebarSection> sections = sampleSections();
        ProjectTree::insertIntoSidebar(sections, file("characters/mara-quinn/old-looks/photo.png"));
        ProjectTree::insertIntoSidebar(sections, file("characters/mara-quinn/a.md"));
        const ProjectFile mara = section(sections, "characters")->items.first();
        QCOMPARE(paths(mara.children),
                 QStringList({"characters/mara-quinn/a.md", "characters/mara-quinn/bio.md",
                              "characters/mara-quinn/old-looks"}));
        const ProjectFile looks = mara.children.last();
        QCOMPARE(looks.name, QStringLiteral("Old Looks"));
        QCOMPARE(paths(looks.children), QStringList({"characters/mara-quinn/old-looks/photo.png"}));
    }

    void insertIntoMissingSectionAppendsIt()
    {
        QList<SidebarSection> sections;
        ProjectTree::insertIntoSidebar(sections, file("locations/pier/notes.md"));
        ProjectTree::insertIntoSidebar(sections, file("bible/world.md"));
        QCOMPARE(sections.size(), 2);
        QCOMPARE(sections.at(0).id, QStringLiteral("locations"));
        QCOMPARE(sections.at(0).title, QStringLiteral("Locations"));
        QCOMPARE(sections.at(0).items.first().name, QStringLiteral("Pier"));
        QCOMPARE(sections.at(1).title, QStringLiteral("Bible"));
    }

    void insertNewDeliverableFolder()
    {
        QList<SidebarSection> sections = sampleSections();
        ProjectTree::insertIntoSidebar(sections, file("deliverables/a-promo/script.fountain"));
        const QList<ProjectFile> &items = section(sections, "deliverables")->items;
        QCOMPARE(paths(items), QStringList({"deliverables/a-promo", "deliverables/s1e02"}));
        QCOMPARE(items.first().name, QStringLiteral("A Promo"));
        QCOMPARE(items.first().labelPrefix, std::nullopt);
    }

    void removeFromSidebar()
    {
        QList<SidebarSection> sections = sampleSections();
        ProjectTree::removeFromSidebar(sections, "locations/pier/notes.md");
        const ProjectFile pier = section(sections, "locations")->items.first();
        QCOMPARE(pier.path, QStringLiteral("locations/pier"));
        QVERIFY(!pier.isGroup());

        ProjectTree::removeFromSidebar(sections, "characters/mara-quinn");
        QCOMPARE(paths(section(sections, "characters")->items),
                 QStringList({"characters/index.md"}));
        QVERIFY(!ProjectTree::index(sections).contains("characters/mara-quinn/bio.md"));

        ProjectTree::removeFromSidebar(sections, "characters/mara");
        QCOMPARE(section(sections, "characters")->items.size(), 1);
    }

    void removeEveryNodeWithThePath()
    {
        QList<SidebarSection> sections{
            {"a", "A", {file("x"), group("g", "G", {file("x"), file("y")}), file("x")}},
            {"b", "B", {file("x")}},
        };
        ProjectTree::removeFromSidebar(sections, "x");
        QCOMPARE(paths(sections.at(0).items), QStringList({"g"}));
        QCOMPARE(paths(sections.at(0).items.first().children), QStringList({"y"}));
        QVERIFY(sections.at(1).items.isEmpty());
    }

    void rebuildAddsNewEntryAndUnlistedFolders()
    {
        QList<SidebarSection> sections = sampleSections();
        // The manifest gains an opening; an unlisted folder and a nested file were created.
        ProjectTree::removeFromSidebar(sections, "slatebox.yaml");
        ProjectTree::insertIntoSidebar(sections,
                                       file("slatebox.yaml", manifestText + "  - slug: open\n"
                                                                            "    kind: opening\n"
                                                                            "    title: Cold Open\n"
                                                                            "    season: 1\n"));
        ProjectTree::insertIntoSidebar(sections, file("deliverables/open/script.fountain"));
        ProjectTree::insertIntoSidebar(sections, file("deliverables/bonus/cut.md"));
        ProjectTree::insertIntoSidebar(sections, file("deliverables/s1e02/boards/b.md"));

        QVERIFY(ProjectTree::rebuildDeliverablesSection(sections, ProjectTree::index(sections)));
        const SidebarSection &deliverables = *section(sections, "deliverables");
        QCOMPARE(deliverables.title, QStringLiteral("Deliverables"));
        QCOMPARE(paths(deliverables.items),
                 QStringList({"deliverables/open", "deliverables/s1e02", "deliverables/bonus"}));
        QCOMPARE(deliverables.items.at(0).name, QStringLiteral("Cold Open"));
        QCOMPARE(deliverables.items.at(0).labelPrefix, QStringLiteral("S1:"));
        // Nested groups are flattened again, files sorted by path.
        QCOMPARE(
            paths(deliverables.items.at(1).children),
            QStringList({"deliverables/s1e02/boards/b.md", "deliverables/s1e02/script.fountain"}));
        const ProjectFile &bonus = deliverables.items.at(2);
        QCOMPARE(bonus.name, QStringLiteral("bonus"));
        QCOMPARE(bonus.labelPrefix, std::nullopt);
        QCOMPARE(paths(bonus.children), QStringList({"deliverables/bonus/cut.md"}));
    }

    void rebuildKeepsEntryWithoutFiles()
    {
        QList<SidebarSection> sections = sampleSections();
        ProjectTree::removeFromSidebar(sections, "deliverables/s1e02/script.fountain");
        QVERIFY(ProjectTree::rebuildDeliverablesSection(sections, ProjectTree::index(sections)));
        const QList<ProjectFile> &items = section(sections, "deliverables")->items;
        QCOMPARE(paths(items), QStringList({"deliverables/s1e02"}));
        QVERIFY(items.first().children.isEmpty());
    }

    void rebuildRefusesWithoutUsableManifest_data()
    {
        QTest::addColumn<QList<SidebarSection>>("sections");
        // Each with a stray folder that a rebuild would add.
        QList<SidebarSection> broken = sampleSections();
        ProjectTree::insertIntoSidebar(broken, file("deliverables/bonus/cut.md"));
        broken[0].items[0] = file("slatebox.yaml", "title: no type\n");
        QTest::newRow("manifest does not parse") << broken;
        QList<SidebarSection> missing = sampleSections();
        ProjectTree::insertIntoSidebar(missing, file("deliverables/bonus/cut.md"));
        missing[0].items.removeFirst();
        QTest::newRow("no manifest") << missing;
        QList<SidebarSection> noSection = sampleSections();
        noSection.removeAt(4);
        QTest::newRow("no deliverables section") << noSection;
    }

    void rebuildRefusesWithoutUsableManifest()
    {
        QFETCH(QList<SidebarSection>, sections);
        const QList<SidebarSection> before = sections;
        QVERIFY(!ProjectTree::rebuildDeliverablesSection(sections, ProjectTree::index(sections)));
        QCOMPARE(sections, before);
    }

    void codePointOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("upper case first") << "Z"
                                          << "a";
        QTest::newRow("prefix first") << "looks"
                                      << "looks-notes.md";
        QTest::newRow("hyphen before dot") << "looks-notes.md"
                                           << "looks.md";
        QTest::newRow("private use before astral")
            << QString(QChar(0xFFFD)) << QString::fromUcs4(U"\U0001F600");
        QTest::newRow("prefix before astral") << "a" << QString::fromUcs4(U"a\U0001F600");
    }

    void codePointOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QVERIFY(CodePointOrder::less(a, b));
        QVERIFY(!CodePointOrder::less(b, a));
        QVERIFY(!CodePointOrder::less(a, a));
    }
};

QTEST_GUILESS_MAIN(TestProjectTree)
#include "tst_ProjectTree.moc"
