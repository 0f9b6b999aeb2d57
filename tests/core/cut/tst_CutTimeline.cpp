#include <limits>

#include <QTest>

#include "core/cut/CutTimeline.h"
#include "core/cut/SceneGroup.h"
#include "core/cut/ShotsOutline.h"

namespace {

CutShot shot(const QString &id, qint64 duration)
{
    CutShot result;
    result.id = id;
    result.duration = duration;
    return result;
}

CutScene scene(const QString &id, QList<CutShot> shots,
               std::optional<QString> slugline = std::nullopt)
{
    return CutScene{id, std::move(slugline), std::move(shots), std::nullopt};
}

CutScene insertScene(const QString &id, const QString &ref)
{
    return CutScene{id, std::nullopt, {}, ref};
}

// Shots of 4, 0 and 3 seconds.
const CutTimeline fourZeroThree({scene("s1", {shot("a", 4), shot("b", 0)}),
                                 scene("s2", {shot("c", 3)})});

} // namespace

class TestCutTimeline : public QObject {
    Q_OBJECT

private slots:
    void entriesAndTotal();
    void emptyOutlines_data();
    void emptyOutlines();
    void entryAt_data();
    void entryAt();
    void zeroLengthFirstShot();
    void hugeDurationsStayFinite();
    void groupedByScene();
    void groupedFromOutlineText();
};

void TestCutTimeline::entriesAndTotal()
{
    const QList<CutTimeline::Entry> entries = fourZeroThree.entries();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries.at(0), (CutTimeline::Entry{"s1", std::nullopt, shot("a", 4), 0}));
    QCOMPARE(entries.at(1).start, 4.0);
    QCOMPARE(entries.at(2).start, 4.0);
    QCOMPARE(entries.at(2).sceneId, QStringLiteral("s2"));
    QCOMPARE(entries.at(2).id(), QStringLiteral("c"));
    QCOMPARE(fourZeroThree.total(), 7.0);

    const CutTimeline withSlugline({scene("s1", {shot("a", 2)}, "INT. HALL")});
    QCOMPARE(withSlugline.entries().at(0).slugline, QStringLiteral("INT. HALL"));
}

void TestCutTimeline::emptyOutlines_data()
{
    QTest::addColumn<QList<CutScene>>("scenes");
    QTest::addColumn<QStringList>("groups");

    QTest::newRow("no scenes") << QList<CutScene>{} << QStringList{};
    QTest::newRow("scenes without shots")
        << QList<CutScene>{scene("s1", {}), insertScene("insert-1-x", "x"), scene("s2", {})}
        << QStringList{"insert-1-x"};
}

void TestCutTimeline::emptyOutlines()
{
    QFETCH(QList<CutScene>, scenes);
    QFETCH(QStringList, groups);
    const CutTimeline timeline(scenes);
    QVERIFY(timeline.entries().isEmpty());
    QCOMPARE(timeline.total(), 0.0);
    QCOMPARE(timeline.entryAt(0), std::nullopt);
    QStringList groupIds;
    for (const SceneGroup &group : timeline.groupedByScene(scenes))
        groupIds << group.sceneId;
    QCOMPARE(groupIds, groups);
    QCOMPARE(CutTimeline(), timeline);
}

void TestCutTimeline::entryAt_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("expected");

    QTest::newRow("before the start") << -1.0 << "a";
    QTest::newRow("start") << 0.0 << "a";
    QTest::newRow("just before the boundary") << 3.99 << "a";
    QTest::newRow("boundary skips the zero-length shot") << 4.0 << "c";
    QTest::newRow("inside the last") << 5.5 << "c";
    QTest::newRow("end") << 7.0 << "c";
    QTest::newRow("past the end") << 100.0 << "c";
}

void TestCutTimeline::entryAt()
{
    QFETCH(double, seconds);
    QFETCH(QString, expected);
    const std::optional<CutTimeline::Entry> entry = fourZeroThree.entryAt(seconds);
    QVERIFY(entry);
    QCOMPARE(entry->shot.id, expected);
}

void TestCutTimeline::zeroLengthFirstShot()
{
    const CutTimeline timeline({scene("s1", {shot("a", 0), shot("b", 2)})});
    QCOMPARE(timeline.entryAt(0)->id(), QStringLiteral("b"));
    QCOMPARE(timeline.entryAt(-0.5)->id(), QStringLiteral("a"));
}

void TestCutTimeline::hugeDurationsStayFinite()
{
    const qint64 most = std::numeric_limits<qint64>::max();
    const CutTimeline timeline({scene("s1", {shot("a", most), shot("b", most), shot("c", -5)})});
    QCOMPARE(timeline.entries().at(1).start, double(most));
    QCOMPARE(timeline.total(), 2 * double(most) - 5);
}

void TestCutTimeline::groupedByScene()
{
    const QList<CutScene> scenes = {
        scene("s1", {shot("a", 4), shot("b", 0)}, "INT. KITCHEN"),
        scene("empty", {}, "EXT. NOWHERE"),
        insertScene("insert-2-deliverables/ep2", "deliverables/ep2"),
        scene("s2", {shot("c", 3)}),
    };
    const CutTimeline timeline(scenes);
    const QList<SceneGroup> groups = timeline.groupedByScene(scenes);

    QCOMPARE(groups.size(), 3);
    QCOMPARE(groups.at(0), (SceneGroup{"s1", "INT. KITCHEN", timeline.entries().mid(0, 2), {}}));
    QCOMPARE(groups.at(1), (SceneGroup{"insert-2-deliverables/ep2", {}, {}, "deliverables/ep2"}));
    QCOMPARE(groups.at(2), (SceneGroup{"s2", {}, timeline.entries().mid(2), {}}));
    QCOMPARE(groups.at(2).id(), QStringLiteral("s2"));
}

void TestCutTimeline::groupedFromOutlineText()
{
    const QString text = QStringLiteral(R"(scenes:
  - id: s1
    slugline: INT. KITCHEN - NIGHT
    shots:
      - id: s1-01
        duration: 4
      - id: s1-02
  - id: s2
    slugline: EXT. YARD
  - insert: deliverables/ep2
  - id: s3
    shots:
      - id: s3-01
        duration: 3
)");
    const QList<CutScene> scenes = ShotsOutline::parse(text);
    const CutTimeline timeline(scenes);
    QCOMPARE(timeline.total(), 7.0);
    QCOMPARE(timeline.entryAt(4)->id(), QStringLiteral("s3-01"));

    const QList<SceneGroup> groups = timeline.groupedByScene(scenes);
    QStringList ids;
    for (const SceneGroup &group : groups)
        ids << group.sceneId;
    QCOMPARE(ids, (QStringList{"s1", "insert-2-deliverables/ep2", "s3"}));
    QCOMPARE(groups.at(0).entries.size(), 2);
    QCOMPARE(groups.at(0).slugline, QStringLiteral("INT. KITCHEN - NIGHT"));
    QCOMPARE(groups.at(1).insert, QStringLiteral("deliverables/ep2"));
}

QTEST_GUILESS_MAIN(TestCutTimeline)
#include "tst_CutTimeline.moc"
