#include <QTest>

#include "core/agent/TokenCount.h"

using Slices = QList<ContextSlice>;
using Tokens = QList<qint64>;

namespace {

Slices named(const Tokens &tokens)
{
    static const QStringList labels{u"System prompt"_qs, u"Tool definitions"_qs, u"Rules"_qs,
                                    u"Project layout"_qs, u"Conversation"_qs};
    Slices slices;
    for (qsizetype i = 0; i < tokens.size(); ++i)
        slices.append(ContextSlice{labels[i % labels.size()], tokens[i]});
    return slices;
}

} // namespace

class tst_TokenCount : public QObject {
    Q_OBJECT

private slots:
    void label_data();
    void label();
    void scaled_data();
    void scaled();
    void scaledWithoutTokensIsOneConversationSlice();
};

void tst_TokenCount::label_data()
{
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << qint64(0) << u"0"_qs;
    QTest::newRow("below a thousand") << qint64(999) << u"999"_qs;
    QTest::newRow("negative") << qint64(-1500) << u"-1500"_qs;
    QTest::newRow("one thousand") << qint64(1000) << u"1K"_qs;
    QTest::newRow("rounded up") << qint64(1260) << u"1.3K"_qs;
    QTest::newRow("rounded down") << qint64(1234) << u"1.2K"_qs;
    QTest::newRow("exact half rounds to even, as printf does") << qint64(1250) << u"1.2K"_qs;
    QTest::newRow("a little above a half") << qint64(1350) << u"1.4K"_qs;
    QTest::newRow("not integral, shown as .0") << qint64(1001) << u"1.0K"_qs;
    QTest::newRow("just below a million") << qint64(999999) << u"1000.0K"_qs;
    QTest::newRow("one million") << qint64(1000000) << u"1M"_qs;
    QTest::newRow("two million") << qint64(2000000) << u"2M"_qs;
    QTest::newRow("millions with a decimal") << qint64(1500000) << u"1.5M"_qs;
    QTest::newRow("billions stay in M") << qint64(3000000000) << u"3000M"_qs;
}

void tst_TokenCount::label()
{
    QFETCH(qint64, count);
    QFETCH(QString, expected);
    QCOMPARE(TokenCount::label(count), expected);
}

void tst_TokenCount::scaled_data()
{
    QTest::addColumn<Tokens>("tokens");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<Tokens>("expected");
    QTest::newRow("exact") << Tokens{3000, 2000, 0, 1000, 2000} << qint64(10000)
                           << Tokens{3750, 2500, 0, 1250, 2500};
    QTest::newRow("one too many goes off the largest")
        << Tokens{3000, 2000, 0, 1000, 1000} << qint64(10000) << Tokens{4285, 2857, 0, 1429, 1429};
    QTest::newRow("first of equal largest takes the remainder")
        << Tokens{1, 1, 1} << qint64(10) << Tokens{4, 3, 3};
    QTest::newRow("halves round away from zero")
        << Tokens{1, 1} << qint64(3) << Tokens{1, 2}; // 1.5 and 1.5 round to 2 and 2; 4 - 1
    QTest::newRow("scaled down") << Tokens{500, 1500} << qint64(100) << Tokens{25, 75};
    QTest::newRow("one slice") << Tokens{7} << qint64(42) << Tokens{42};
}

void tst_TokenCount::scaled()
{
    QFETCH(Tokens, tokens);
    QFETCH(qint64, total);
    QFETCH(Tokens, expected);
    const Slices result = TokenCount::scaled(named(tokens), total);
    Tokens actual;
    for (const ContextSlice &slice : result)
        actual.append(slice.tokens);
    QCOMPARE(actual, expected);
    QCOMPARE(result.size(), tokens.size());
    for (qsizetype i = 0; i < result.size(); ++i)
        QCOMPARE(result[i].label, named(tokens)[i].label);
}

void tst_TokenCount::scaledWithoutTokensIsOneConversationSlice()
{
    const Slices expected{ContextSlice{u"Conversation"_qs, 10000}};
    QCOMPARE(TokenCount::scaled(named({0, 0, 0, 0, 0}), 10000), expected);
    QCOMPARE(TokenCount::scaled({}, 10000), expected);
}

QTEST_GUILESS_MAIN(tst_TokenCount)
#include "tst_TokenCount.moc"
