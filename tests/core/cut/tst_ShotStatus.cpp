#include <QTest>

#include "core/cut/ShotDisplayStatus.h"
#include "core/cut/ShotStatus.h"

using Pins = QMap<QString, QString>;

namespace {

Take take(const QString &id, const QString &status, std::optional<QString> outputCas = {},
          const QString &inputHash = QStringLiteral("h1"))
{
    Take result;
    result.id = id;
    result.shotId = QStringLiteral("s1-01");
    result.inputHash = inputHash;
    result.status = status;
    result.outputCas = std::move(outputCas);
    result.createdAt = QStringLiteral("2026-12-11T12:00:00Z");
    return result;
}

} // namespace

class TestShotStatus : public QObject {
    Q_OBJECT

private slots:
    void displayTake_data();
    void displayTake();
    void isPinnedTake_data();
    void isPinnedTake();
    void labelsAndColours();
};

void TestShotStatus::displayTake_data()
{
    QTest::addColumn<QList<Take>>("takes");
    QTest::addColumn<Pins>("pins");
    QTest::addColumn<QString>("expectedTake"); // empty: none
    QTest::addColumn<ShotDisplayStatus>("expectedStatus");

    const QList<Take> mixed = {take("t1", "rendering"), take("t2", "failed", "c2"),
                               take("t3", "succeeded", "c3")};
    const QList<Take> twoSucceeded = {take("t1", "succeeded", "c1"),
                                      take("t2", "succeeded", "c2", "h2")};

    QTest::newRow("no takes") << QList<Take>{} << Pins{} << "" << ShotDisplayStatus::Unrendered;
    QTest::newRow("nothing succeeded")
        << QList<Take>{take("t1", "rendering"), take("t2", "failed", "c2"), take("t3", "queued")}
        << Pins{{"h1", "c2"}} << "" << ShotDisplayStatus::Unrendered;
    QTest::newRow("status compared exactly")
        << QList<Take>{take("t1", "Succeeded", "c1"), take("t2", "succeeded ", "c2")} << Pins{}
        << "" << ShotDisplayStatus::Unrendered;
    QTest::newRow("rendering, failed, succeeded")
        << mixed << Pins{} << "t3" << ShotDisplayStatus::Proxy;
    QTest::newRow("succeeded take pinned")
        << mixed << Pins{{"h1", "c3"}} << "t3" << ShotDisplayStatus::Pinned;
    QTest::newRow("pin for another output")
        << mixed << Pins{{"h1", "c-other"}} << "t3" << ShotDisplayStatus::Proxy;
    QTest::newRow("pinned failed take is passed over")
        << mixed << Pins{{"h1", "c2"}} << "t3" << ShotDisplayStatus::Proxy;
    QTest::newRow("two succeeded, none pinned")
        << twoSucceeded << Pins{} << "t1" << ShotDisplayStatus::Proxy;
    QTest::newRow("two succeeded, second pinned")
        << twoSucceeded << Pins{{"h2", "c2"}} << "t2" << ShotDisplayStatus::Pinned;
    QTest::newRow("two succeeded, both pinned")
        << twoSucceeded << Pins{{"h1", "c1"}, {"h2", "c2"}} << "t1" << ShotDisplayStatus::Pinned;
    QTest::newRow("succeeded without output, its hash pinned")
        << QList<Take>{take("t1", "succeeded")} << Pins{{"h1", "c1"}} << "t1"
        << ShotDisplayStatus::Proxy;
}

void TestShotStatus::displayTake()
{
    QFETCH(QList<Take>, takes);
    QFETCH(Pins, pins);
    QFETCH(QString, expectedTake);
    QFETCH(ShotDisplayStatus, expectedStatus);

    const std::optional<Take> shown = ShotStatus::displayTake(takes, pins);
    QCOMPARE(shown ? shown->id : QString(), expectedTake);
    if (shown)
        QVERIFY(takes.contains(*shown));
    QCOMPARE(ShotStatus::cardStatus(takes, pins), expectedStatus);
}

void TestShotStatus::isPinnedTake_data()
{
    QTest::addColumn<Take>("take");
    QTest::addColumn<Pins>("pins");
    QTest::addColumn<bool>("expected");

    QTest::newRow("pinned") << take("t", "succeeded", "c1") << Pins{{"h1", "c1"}} << true;
    QTest::newRow("no output") << take("t", "succeeded") << Pins{{"h1", "c1"}} << false;
    QTest::newRow("other output pinned")
        << take("t", "succeeded", "c1") << Pins{{"h1", "c9"}} << false;
    QTest::newRow("output pinned under another hash")
        << take("t", "succeeded", "c1") << Pins{{"h2", "c1"}} << false;
    QTest::newRow("no pins") << take("t", "succeeded", "c1") << Pins{} << false;
    QTest::newRow("compared exactly")
        << take("t", "succeeded", "C1") << Pins{{"h1", "c1"}} << false;
}

void TestShotStatus::isPinnedTake()
{
    QFETCH(Take, take);
    QFETCH(Pins, pins);
    QFETCH(bool, expected);
    QCOMPARE(ShotStatus::isPinnedTake(take, pins), expected);
}

void TestShotStatus::labelsAndColours()
{
    using namespace ShotDisplayStatuses;
    QCOMPARE(label(ShotDisplayStatus::Unrendered), QStringLiteral("Unrendered"));
    QCOMPARE(label(ShotDisplayStatus::Proxy), QStringLiteral("Proxy"));
    QCOMPARE(label(ShotDisplayStatus::Pinned), QStringLiteral("Pinned"));
    QVERIFY(colour(ShotDisplayStatus::Unrendered).hsvSaturation() < 20); // gray
    QCOMPARE(colour(ShotDisplayStatus::Proxy).hsvHue() / 30, 4);         // green
    QCOMPARE(colour(ShotDisplayStatus::Pinned).hsvHue() / 30, 1);        // orange
}

QTEST_GUILESS_MAIN(TestShotStatus)
#include "tst_ShotStatus.moc"
