#include <QTest>

#include "core/agent/ThoughtFolds.h"

class tst_ThoughtFolds : public QObject {
    Q_OBJECT

private slots:
    void key();
    void toggleThought();
    void toggleLiveThinking();
};

void tst_ThoughtFolds::key()
{
    const QUuid id = QUuid::fromString(u"e621e1f8-c36c-495a-93fc-0c247a3e6e5f"_qs);
    QCOMPARE(ThoughtFolds::thoughtKey(id, 0), u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F#0"_qs);
    QCOMPARE(ThoughtFolds::thoughtKey(id, 12), u"E621E1F8-C36C-495A-93FC-0C247A3E6E5F#12"_qs);
}

void tst_ThoughtFolds::toggleThought()
{
    const QUuid a = QUuid::createUuid();
    const QUuid b = QUuid::createUuid();
    QSet<QString> expanded = ThoughtFolds::toggledThought({}, a, 0);
    QCOMPARE(expanded, QSet<QString>{ThoughtFolds::thoughtKey(a, 0)});
    expanded = ThoughtFolds::toggledThought(expanded, b, 0);
    expanded = ThoughtFolds::toggledThought(expanded, a, 1);
    QCOMPARE(expanded.size(), 3);
    expanded = ThoughtFolds::toggledThought(expanded, a, 0);
    QCOMPARE(expanded,
             (QSet<QString>{ThoughtFolds::thoughtKey(b, 0), ThoughtFolds::thoughtKey(a, 1)}));
}

void tst_ThoughtFolds::toggleLiveThinking()
{
    QVERIFY(ThoughtFolds::toggledLiveThinking(false));
    QVERIFY(!ThoughtFolds::toggledLiveThinking(true));
}

QTEST_GUILESS_MAIN(tst_ThoughtFolds)
#include "tst_ThoughtFolds.moc"
