#include <QTest>

#include "AgentTestFiles.h"
#include "core/agent/ContextEstimate.h"

using Slices = QList<ContextSlice>;
using Breakdown = AgentTurnUsage::PromptBreakdown;

namespace {

using AgentTestFiles::file;
using AgentTestFiles::index;

AgentTurnUsage usage(qint64 input, std::optional<Breakdown> breakdown = std::nullopt,
                     std::optional<qint64> window = std::nullopt)
{
    return AgentTurnUsage{input, 10, u"grok-4.6"_qs, window, breakdown};
}

QList<qint64> tokens(const Slices &slices)
{
    QList<qint64> result;
    for (const ContextSlice &slice : slices)
        result.append(slice.tokens);
    return result;
}

QStringList labels(const Slices &slices)
{
    QStringList result;
    for (const ContextSlice &slice : slices)
        result.append(slice.label);
    return result;
}

const Slices estimate{{u"Project context"_qs, 1}, {u"Rules"_qs, 1}, {u"Conversation"_qs, 1}};

} // namespace

class tst_ContextEstimate : public QObject {
    Q_OBJECT

private slots:
    void estimatedBreakdown();
    void breakdown_data();
    void breakdown();
    void estimateOnlyWhenNeeded();
    void tokensUsed();
    void windowTokens();
    void fraction_data();
    void fraction();
};

void tst_ContextEstimate::estimatedBreakdown()
{
    const ProjectFile group(u"bible"_qs, std::nullopt, u"ignored"_qs,
                            {file(u"bible/world.md"_qs, u"x"_qs)});
    const FileIndex files = index({
        file(u"slatebox.yaml"_qs, QString(40, u'm')),              // 13 + 4, core 40
        file(u"bible/world.md"_qs, QString(20, u'w')),             // 14 + 4, core 20
        group,                                                     // not counted
        file(u"script.fountain"_qs, QString(100, u's')),           // 15 + 4, core when active
        file(u"shots.yaml"_qs, QString(1000, u'z')),               // 10 + 4
        file(u".slatebox/rules/tone.md"_qs, u"é🎬"_qs.repeated(6)), // 23 + 4, rules 12
        file(u"big.txt"_qs, QString(1000000, u'b')),               // left out
    });
    const QList<AgentMessage> messages{AgentMessage::user(u"abcdefgh"_qs),
                                       AgentMessage::assistant(u"ijk"_qs)};

    const Slices withTab =
        ContextEstimate::estimatedBreakdown(files, u"script.fountain"_qs, messages);
    QCOMPARE(labels(withTab),
             (QStringList{u"Project context"_qs, u"Rules"_qs, u"Conversation"_qs}));
    // Paths: 17 + 18 + 19 + 14 + 27 = 95; core: 40 + 20 + 100 = 160; 255 / 4 = 63.
    QCOMPARE(tokens(withTab), (QList<qint64>{63, 3, 2}));
    const Slices noTab = ContextEstimate::estimatedBreakdown(files, std::nullopt, messages);
    QCOMPARE(tokens(noTab), (QList<qint64>{38, 3, 2}));
}

void tst_ContextEstimate::breakdown_data()
{
    QTest::addColumn<std::optional<AgentTurnUsage>>("lastUsage");
    QTest::addColumn<QList<qint64>>("expected");
    using Usage = std::optional<AgentTurnUsage>;
    QTest::newRow("no usage: the estimate") << Usage() << QList<qint64>{1, 1, 1};
    QTest::newRow("usage without breakdown scales the estimate")
        << Usage(usage(10)) << QList<qint64>{4, 3, 3};
    QTest::newRow("zero input tokens leaves the breakdown as reported")
        << Usage(usage(0, Breakdown{3, 2, 0, 1, 2})) << QList<qint64>{3, 2, 0, 1, 2};
    QTest::newRow("exact scaling") << Usage(usage(10000, Breakdown{3000, 2000, 0, 1000, 2000}))
                                   << QList<qint64>{3750, 2500, 0, 1250, 2500};
    QTest::newRow("rounding error to the largest")
        << Usage(usage(10000, Breakdown{3000, 2000, 0, 1000, 1000}))
        << QList<qint64>{4285, 2857, 0, 1429, 1429};
    QTest::newRow("all zeros") << Usage(usage(10000, Breakdown{})) << QList<qint64>{10000};
}

void tst_ContextEstimate::breakdown()
{
    QFETCH(std::optional<AgentTurnUsage>, lastUsage);
    QFETCH(QList<qint64>, expected);
    const Slices slices = ContextEstimate::contextBreakdown(lastUsage, [] { return estimate; });
    QCOMPARE(tokens(slices), expected);
    if (expected.size() == 5) {
        QCOMPARE(labels(slices),
                 (QStringList{u"System prompt"_qs, u"Tool definitions"_qs, u"Rules"_qs,
                              u"Project layout"_qs, u"Conversation"_qs}));
    } else if (expected.size() == 1) {
        QCOMPARE(labels(slices), QStringList{u"Conversation"_qs});
    }
}

void tst_ContextEstimate::estimateOnlyWhenNeeded()
{
    int calls = 0;
    auto counting = [&calls] {
        ++calls;
        return estimate;
    };
    ContextEstimate::contextBreakdown(usage(5, Breakdown{1, 1, 1, 1, 1}), counting);
    QCOMPARE(ContextEstimate::contextTokensUsed(usage(5), counting), 5);
    QCOMPARE(calls, 0);
    ContextEstimate::contextBreakdown(std::nullopt, counting);
    QCOMPARE(calls, 1);
}

void tst_ContextEstimate::tokensUsed()
{
    QCOMPARE(ContextEstimate::contextTokensUsed(std::nullopt, [] { return estimate; }), 3);
    QCOMPARE(ContextEstimate::contextTokensUsed(usage(0), [] { return estimate; }), 0);
}

void tst_ContextEstimate::windowTokens()
{
    using ContextEstimate::contextWindowTokens;
    QCOMPARE(contextWindowTokens(usage(1, std::nullopt, 128000), true, u"grok-4.6"), 128000);
    QCOMPARE(contextWindowTokens(std::nullopt, true, u"grok-4.6"), std::nullopt);
    QCOMPARE(contextWindowTokens(usage(1), true, u"grok-4.6"), std::nullopt);
    QCOMPARE(contextWindowTokens(std::nullopt, false, u"grok-4.6"), 2000000);
    QCOMPARE(contextWindowTokens(usage(1), false, u"claude-opus-5"), 500000);
    QCOMPARE(contextWindowTokens(std::nullopt, false, u"unknown-model"), std::nullopt);
}

void tst_ContextEstimate::fraction_data()
{
    QTest::addColumn<qint64>("used");
    QTest::addColumn<std::optional<qint64>>("window");
    QTest::addColumn<double>("expected");
    using Window = std::optional<qint64>;
    QTest::newRow("quarter") << qint64(50000) << Window(200000) << 0.25;
    QTest::newRow("capped at one") << qint64(300000) << Window(200000) << 1.0;
    QTest::newRow("no window: 15000") << qint64(3000) << Window() << 0.2;
    QTest::newRow("zero window: 15000") << qint64(3000) << Window(0) << 0.2;
    QTest::newRow("window of one") << qint64(0) << Window(1) << 0.0;
}

void tst_ContextEstimate::fraction()
{
    QFETCH(qint64, used);
    QFETCH(std::optional<qint64>, window);
    QFETCH(double, expected);
    QCOMPARE(ContextEstimate::contextUsage(used, window), expected);
}

QTEST_GUILESS_MAIN(tst_ContextEstimate)
#include "tst_ContextEstimate.moc"
