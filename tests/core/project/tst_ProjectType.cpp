#include <QTest>

#include "core/project/ProjectType.h"

Q_DECLARE_METATYPE(ProjectType)

class tst_ProjectType : public QObject {
    Q_OBJECT

private slots:
    void casesInOfferedOrder()
    {
        QCOMPARE(ProjectTypes::allCases.size(), 3u);
        QCOMPARE(ProjectTypes::allCases[0], ProjectType::Series);
        QCOMPARE(ProjectTypes::allCases[1], ProjectType::Film);
        QCOMPARE(ProjectTypes::allCases[2], ProjectType::Campaign);
    }

    void texts_data()
    {
        QTest::addColumn<ProjectType>("type");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("description");
        QTest::newRow("series")
            << ProjectType::Series << "series"
            << "Series"
            << QStringLiteral(
                   "Episodic — TV shows and anything with seasons. Starts with a pilot episode.");
        QTest::newRow("film") << ProjectType::Film << "film"
                              << "Film"
                              << "A single feature or short. Starts with one feature deliverable.";
        QTest::newRow("campaign")
            << ProjectType::Campaign << "campaign"
            << "Campaign"
            << QStringLiteral("Commercial work — ad spots and promos for a brand or launch. "
                              "Starts with one spot.");
    }

    void texts()
    {
        QFETCH(ProjectType, type);
        QFETCH(QString, raw);
        QFETCH(QString, label);
        QFETCH(QString, description);
        QCOMPARE(ProjectTypes::rawValue(type), raw);
        QCOMPARE(ProjectTypes::id(type), raw);
        QCOMPARE(ProjectTypes::label(type), label);
        QCOMPARE(ProjectTypes::description(type), description);
        QCOMPARE(ProjectTypes::fromRawValue(raw), std::optional(type));
    }

    void headingsAreSharedByAllTypes()
    {
        for (const ProjectType type : ProjectTypes::allCases) {
            QCOMPARE(ProjectTypes::sourcesHeading(type), "Project");
            QCOMPARE(ProjectTypes::bibleHeading(type), "Bible");
            QCOMPARE(ProjectTypes::charactersHeading(type), "Characters");
            QCOMPARE(ProjectTypes::locationsHeading(type), "Locations");
            QCOMPARE(ProjectTypes::deliverablesHeading(type), "Deliverables");
            QCOMPARE(ProjectTypes::rulesHeading(type), "Rules");
            QCOMPARE(ProjectTypes::skillsHeading(type), "Skills");
        }
    }

    void rawValueIsExact_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::newRow("capitalised") << "Series";
        QTest::newRow("upper case") << "FILM";
        QTest::newRow("leading space") << " series";
        QTest::newRow("trailing space") << "film ";
        QTest::newRow("carriage return") << "campaign\r";
        QTest::newRow("label") << "Campaign";
        QTest::newRow("empty") << "";
        QTest::newRow("prefix") << "seri";
    }

    void rawValueIsExact()
    {
        QFETCH(QString, raw);
        QVERIFY(!ProjectTypes::fromRawValue(raw));
    }
};

QTEST_GUILESS_MAIN(tst_ProjectType)
#include "tst_ProjectType.moc"
