#include <QStringList>
#include <QTest>

#include "core/project/SidebarBuilder.h"

namespace {

DeliverableRef deliverable(const QString &slug, const QString &kind,
                           std::optional<qint64> season = std::nullopt,
                           std::optional<qint64> number = std::nullopt)
{
    return DeliverableRef{slug, kind, slug.toUpper(), season, number, {}};
}

QStringList sortedSlugs(const QList<DeliverableRef> &deliverables)
{
    const SidebarSection section =
        SidebarBuilder::groupDeliverables(ProjectType::Series, deliverables).first();
    QStringList slugs;
    for (const ProjectFile &item : section.items)
        slugs.append(item.path.section(u'/', 1));
    return slugs;
}

} // namespace

class TestSidebarBuilder : public QObject {
    Q_OBJECT

private slots:
    void sectionsAreTheSevenInOrder()
    {
        const ProjectFile manifest(QStringLiteral("slatebox.yaml"));
        const ProjectFile scorecard(QStringLiteral(".slatebox/scorecard.yaml"));
        const ProjectFile bibleFile(QStringLiteral("bible/world.md"));
        const QList<SidebarSection> sections =
            SidebarBuilder::sections(ProjectType::Film, {manifest}, {bibleFile}, {}, {},
                                     {deliverable("feature", "film")}, {}, {}, scorecard);

        QStringList ids, titles;
        for (const SidebarSection &section : sections) {
            ids.append(section.id);
            titles.append(section.title);
        }
        QCOMPARE(ids, QStringList({"sources", "bible", "characters", "locations", "deliverables",
                                   "rules", "skills"}));
        QCOMPARE(titles, QStringList({"Project", "Bible", "Characters", "Locations", "Deliverables",
                                      "Rules", "Skills"}));
        QCOMPARE(sections.at(0).items, QList<ProjectFile>({manifest, scorecard}));
        QCOMPARE(sections.at(1).items, QList<ProjectFile>({bibleFile}));
        QVERIFY(sections.at(2).items.isEmpty());
        QCOMPARE(sections.at(4).items.size(), 1);
    }

    void sectionsWithoutScorecard()
    {
        const ProjectFile manifest(QStringLiteral("slatebox.yaml"));
        const QList<SidebarSection> sections = SidebarBuilder::sections(
            ProjectType::Series, {manifest}, {}, {}, {}, {}, {}, {}, std::nullopt);
        QCOMPARE(sections.size(), 7);
        QCOMPARE(sections.at(0).items, QList<ProjectFile>({manifest}));
        QVERIFY(sections.at(4).items.isEmpty());
    }

    void groupNodeCarriesTheDeliverable()
    {
        const ProjectFile script(QStringLiteral("deliverables/s1e02/script.fountain"));
        DeliverableRef episode = deliverable("s1e02", "episode", 1, 2);
        episode.title = QStringLiteral("The Ferry");
        episode.files = {script};
        const QList<SidebarSection> result =
            SidebarBuilder::groupDeliverables(ProjectType::Campaign, {episode});
        QCOMPARE(result.size(), 1);
        QCOMPARE(result.first().id, QStringLiteral("deliverables"));
        QCOMPARE(result.first().title, QStringLiteral("Deliverables"));
        const ProjectFile expected(QStringLiteral("deliverables/s1e02"),
                                   QStringLiteral("The Ferry"), QString(), {script},
                                   QStringLiteral("S1E2:"), false);
        QCOMPARE(result.first().items, QList<ProjectFile>({expected}));
    }

    void deliverableOrder_data()
    {
        QTest::addColumn<QList<DeliverableRef>>("input");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("seasons, then kind rank, then episode number")
            << QList<DeliverableRef>{deliverable("credits", "credits", 1),
                                     deliverable("s2e1", "episode", 2, 1),
                                     deliverable("extra", "featurette", 1),
                                     deliverable("s1e2", "episode", 1, 2),
                                     deliverable("s1e10", "episode", 1, 10),
                                     deliverable("recap", "recap", 1),
                                     deliverable("opening", "opening", 1)}
            << QStringList{"opening", "recap", "s1e2", "s1e10", "credits", "extra", "s2e1"};
        QTest::newRow("episodes without numbers sort by slug")
            << QList<DeliverableRef>{deliverable("b", "episode", 1), deliverable("a", "episode", 1)}
            << QStringList{"a", "b"};
        QTest::newRow("number 0 and no number are equal, so by slug")
            << QList<DeliverableRef>{deliverable("zero", "episode", 1, 0),
                                     deliverable("none", "episode", 1)}
            << QStringList{"none", "zero"};
        QTest::newRow("numbers only compare between episodes")
            << QList<DeliverableRef>{deliverable("b", "custom", 1, 1),
                                     deliverable("a", "custom", 1, 9)}
            << QStringList{"a", "b"};
        QTest::newRow("unseasoned after every seasoned one, by kind then slug")
            << QList<DeliverableRef>{deliverable("spot-b", "spot"),
                                     deliverable("feature", "episode", std::nullopt, 1),
                                     deliverable("late", "custom", 9),
                                     deliverable("spot-a", "spot"), deliverable("aaa", "trailer")}
            << QStringList{"late", "feature", "spot-a", "spot-b", "aaa"};
        QTest::newRow("kinds and slugs in code-point order")
            << QList<DeliverableRef>{deliverable("b", "spot"), deliverable("a", "Spot"),
                                     deliverable("Z", "spot")}
            << QStringList{"a", "Z", "b"};
        QTest::newRow("negative season first")
            << QList<DeliverableRef>{deliverable("one", "episode", 1, 1),
                                     deliverable("minus", "episode", -1, 1)}
            << QStringList{"minus", "one"};
    }

    void deliverableOrder()
    {
        QFETCH(QList<DeliverableRef>, input);
        QFETCH(QStringList, expected);
        QCOMPARE(sortedSlugs(input), expected);
        std::reverse(input.begin(), input.end());
        QCOMPARE(sortedSlugs(input), expected);
    }

    void seasonRank_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("rank");
        QTest::newRow("opening") << "opening" << 0;
        QTest::newRow("recap") << "recap" << 1;
        QTest::newRow("episode") << "episode" << 2;
        QTest::newRow("credits") << "credits" << 3;
        QTest::newRow("custom") << "custom" << 4;
        QTest::newRow("case-sensitive") << "Episode" << 4;
        QTest::newRow("empty") << "" << 4;
    }

    void seasonRank()
    {
        QFETCH(QString, kind);
        QFETCH(int, rank);
        QCOMPARE(SidebarBuilder::seasonRank(kind), rank);
    }

    void ordinalPrefix_data()
    {
        QTest::addColumn<DeliverableRef>("deliverable");
        QTest::addColumn<QString>("prefix"); // null: no prefix
        QTest::newRow("episode with season") << deliverable("e", "episode", 1, 3) << "S1E3:";
        QTest::newRow("episode without season")
            << deliverable("e", "episode", std::nullopt, 3) << "E3:";
        QTest::newRow("episode without number") << deliverable("e", "episode", 4) << "S4:";
        QTest::newRow("episode with neither") << deliverable("e", "episode") << QString();
        QTest::newRow("recap") << deliverable("r", "recap", 2) << "S2:";
        QTest::newRow("opening") << deliverable("o", "opening", 1) << "S1:";
        QTest::newRow("credits without season") << deliverable("c", "credits") << QString();
        QTest::newRow("other kind with season") << deliverable("x", "promo", 1, 2) << QString();
        QTest::newRow("negative numbers") << deliverable("e", "episode", -1, -2) << "S-1E-2:";
        QTest::newRow("no leading zeros") << deliverable("e", "episode", 10, 7) << "S10E7:";
    }

    void ordinalPrefix()
    {
        QFETCH(DeliverableRef, deliverable);
        QFETCH(QString, prefix);
        const std::optional<QString> expected =
            prefix.isNull() ? std::nullopt : std::optional<QString>(prefix);
        QCOMPARE(SidebarBuilder::ordinalPrefix(deliverable), expected);
    }
};

QTEST_GUILESS_MAIN(TestSidebarBuilder)
#include "tst_SidebarBuilder.moc"
