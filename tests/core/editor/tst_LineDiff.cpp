#include <algorithm>
#include <optional>
#include <vector>

#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QStringList>
#include <QTest>

#include "core/editor/LineDiff.h"
#include "core/editor/LineDiffScript.h"

using Mark = LineDiff::Mark;
using Marks = QHash<qsizetype, Mark>;
using Deletions = QSet<qsizetype>;

namespace {

// The published algorithm with nothing left out, kept obviously correct: every pass's V is
// copied, lines are compared as strings, and the walk back re-derives each step from the copy.
struct ReferenceScript {
    QSet<int> removed;
    QSet<int> inserted;
};

ReferenceScript referenceScript(const QStringList &base, const QStringList &current)
{
    const int n = int(base.size());
    const int m = int(current.size());
    QList<QHash<int, int>> passes;
    QHash<int, int> v{{1, 0}};
    int last = -1;
    for (int d = 0; last < 0; ++d) {
        for (int k = -d; k <= d; k += 2) {
            const bool down = k == -d || (k != d && v.value(k - 1) < v.value(k + 1));
            int x = down ? v.value(k + 1) : v.value(k - 1) + 1;
            int y = x - k;
            while (x < n && y < m && base[x] == current[y]) {
                ++x;
                ++y;
            }
            v[k] = x;
            if (x >= n && y >= m) {
                last = d;
                break;
            }
        }
        passes.append(v);
    }
    ReferenceScript script;
    int x = n;
    int y = m;
    for (int d = last; d > 0; --d) {
        const QHash<int, int> &previous = passes[d - 1];
        const int k = x - y;
        const bool down = k == -d || (k != d && previous.value(k - 1) < previous.value(k + 1));
        const int previousK = down ? k + 1 : k - 1;
        const int previousX = previous.value(previousK);
        const int previousY = previousX - previousK;
        while (x > previousX && y > previousY) {
            --x;
            --y;
        }
        if (x == previousX)
            script.inserted.insert(previousY);
        else
            script.removed.insert(previousX);
        x = previousX;
        y = previousY;
    }
    return script;
}

LineDiff::Result referenceDiff(const std::optional<QString> &base, const QString &current)
{
    const QStringList currentLines = current.split(u'\n');
    const int m = int(currentLines.size());
    LineDiff::Result result;
    if (!base) {
        for (int line = 1; line <= std::max(1, m); ++line)
            result.marks.insert(line, Mark::Added);
        return result;
    }
    const QStringList baseLines = base->split(u'\n');
    const int n = int(baseLines.size());
    const ReferenceScript script = referenceScript(baseLines, currentLines);
    int i = 0;
    int b = 0;
    int pending = 0;
    for (;;) {
        while (b < n && script.removed.contains(b)) {
            ++pending;
            ++b;
        }
        if (b >= n && i >= m)
            break;
        if (i < m && script.inserted.contains(i)) {
            result.marks.insert(i + 1, pending > 0 ? Mark::Modified : Mark::Added);
            if (pending > 0)
                --pending;
            ++i;
        } else {
            if (pending > 0)
                result.deletions.insert(i);
            pending = 0;
            ++i;
            ++b;
        }
    }
    if (pending > 0)
        result.deletions.insert(m);
    return result;
}

// "2M 3A | 0 4": marks in line order, then deletions in order; readable when a comparison fails.
QString describe(const LineDiff::Result &result)
{
    QList<qsizetype> lines = result.marks.keys();
    std::sort(lines.begin(), lines.end());
    QStringList parts;
    for (const qsizetype line : lines)
        parts << QString::number(line) + (result.marks[line] == Mark::Added ? u'A' : u'M');
    QList<qsizetype> gaps = result.deletions.values();
    std::sort(gaps.begin(), gaps.end());
    QStringList gapParts;
    for (const qsizetype gap : gaps)
        gapParts << QString::number(gap);
    return parts.join(u' ') + u" | " + gapParts.join(u' ');
}

QString text(const QStringList &lines)
{
    return lines.join(u'\n');
}

// Texts made of a few recurring lines (so scripts tie often and snakes are short), lines that
// occur once, blank lines and carriage returns.
QString randomLine(QRandomGenerator &random, int alphabet)
{
    static const QStringList common{u"a"_qs, u"b"_qs, u"c"_qs, QString(), u"\r"_qs, u"a\r"_qs};
    if (random.bounded(5) == 0)
        return u"unique "_qs + QString::number(random.generate());
    return common[random.bounded(std::min(alphabet, int(common.size())))];
}

QStringList randomLines(QRandomGenerator &random, int count, int alphabet)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << randomLine(random, alphabet);
    return lines;
}

QStringList edited(QRandomGenerator &random, QStringList lines, int edits, int alphabet)
{
    for (int e = 0; e < edits; ++e) {
        const int at = int(random.bounded(int(lines.size()) + 1));
        switch (random.bounded(4)) {
        case 0:
            lines.insert(at, randomLine(random, alphabet));
            break;
        case 1:
            if (at < lines.size())
                lines.removeAt(at);
            break;
        case 2:
            if (at < lines.size())
                lines[at] = randomLine(random, alphabet);
            break;
        default: { // move a short block
            const int length = int(random.bounded(4)) + 1;
            const QStringList block = lines.mid(at, length);
            lines.remove(at, block.size());
            lines.insert(int(random.bounded(int(lines.size()) + 1)), block.join(u'\n'));
            break;
        }
        }
    }
    return text(lines).split(u'\n');
}

void compareWithReference(const std::optional<QString> &base, const QString &current)
{
    const LineDiff::Result actual = LineDiff::compute(base, current);
    const LineDiff::Result expected = referenceDiff(base, current);
    if (actual == expected)
        return;
    QFAIL(qPrintable(u"base "_qs + (base ? u'"' + *base + u'"' : u"absent"_qs) + u" current \""_qs +
                     current + u"\": "_qs + describe(actual) + u", expected "_qs +
                     describe(expected)));
}

} // namespace

class tst_LineDiff : public QObject {
    Q_OBJECT

private slots:
    void compute_data();
    void compute();
    void matchesReferenceOnRandomTexts_data();
    void matchesReferenceOnRandomTexts();
    void matchesReferenceAcrossLongSnakes();
    void matchesReferenceOnAllShortTexts();
    void matchesReferenceOnSharedTails();
    void matchesReferenceOnLongScripts();
    void wideIndicesGiveTheSameScript();
    void largeReplacedBlockStaysFast();
};

void tst_LineDiff::compute_data()
{
    QTest::addColumn<std::optional<QString>>("base");
    QTest::addColumn<QString>("current");
    QTest::addColumn<Marks>("marks");
    QTest::addColumn<Deletions>("deletions");

    const std::optional<QString> absent;
    auto base = [](const QStringList &lines) { return std::optional<QString>(text(lines)); };

    // No baseline: every line is new, at least one.
    QTest::newRow("absent, empty") << absent << QString() << Marks{{1, Mark::Added}} << Deletions{};
    QTest::newRow("absent, trailing line feed")
        << absent << u"a\nb\n"_qs << Marks{{1, Mark::Added}, {2, Mark::Added}, {3, Mark::Added}}
        << Deletions{};
    QTest::newRow("absent, CR LF")
        << absent << u"a\r\nb"_qs << Marks{{1, Mark::Added}, {2, Mark::Added}} << Deletions{};

    // Unchanged texts.
    QTest::newRow("equal") << base({"a", "b"}) << text({"a", "b"}) << Marks{} << Deletions{};
    QTest::newRow("both empty") << base({""}) << QString() << Marks{} << Deletions{};

    // The worked cases.
    QTest::newRow("one line replaced") << base({"a", "b", "c"}) << text({"a", "B", "c"})
                                       << Marks{{2, Mark::Modified}} << Deletions{};
    QTest::newRow("one line removed")
        << base({"a", "b", "c"}) << text({"a", "c"}) << Marks{} << Deletions{1};
    QTest::newRow("line appended")
        << base({"a"}) << text({"a", "b"}) << Marks{{2, Mark::Added}} << Deletions{};
    QTest::newRow("one replaced by two")
        << base({"a", "r", "c"}) << text({"a", "x", "y", "c"})
        << Marks{{2, Mark::Modified}, {3, Mark::Added}} << Deletions{};
    QTest::newRow("everything removed")
        << base({"a", "b"}) << QString() << Marks{{1, Mark::Modified}} << Deletions{1};
    QTest::newRow("first line removed")
        << base({"x", "a"}) << text({"a"}) << Marks{} << Deletions{0};

    // Empty texts and trailing line feeds: the piece after a final "\n" is a line of its own.
    QTest::newRow("empty base, one line")
        << base({""}) << text({"a"}) << Marks{{1, Mark::Modified}} << Deletions{};
    QTest::newRow("line feed added at the end")
        << base({"a"}) << u"a\n"_qs << Marks{{2, Mark::Added}} << Deletions{};
    QTest::newRow("line feed removed at the end")
        << base({"a", ""}) << u"a"_qs << Marks{} << Deletions{1};
    QTest::newRow("blank line inserted at the top")
        << base({"a", "b"}) << text({"", "a", "b"}) << Marks{{1, Mark::Added}} << Deletions{};
    QTest::newRow("removals below the last line")
        << base({"a", "b", "c"}) << text({"a"}) << Marks{} << Deletions{1};

    // Carriage returns stay part of their line, so CR LF texts diff line by line, and a
    // conversion between line endings changes every line that had one.
    QTest::newRow("CR LF, one line replaced") << base({"a\r", "b\r", "c"}) << u"a\r\nB\r\nc"_qs
                                              << Marks{{2, Mark::Modified}} << Deletions{};
    QTest::newRow("CR LF to LF") << base({"a\r", "b\r", "c"}) << text({"a", "b", "c"})
                                 << Marks{{1, Mark::Modified}, {2, Mark::Modified}} << Deletions{};
    QTest::newRow("lone CR is no line break")
        << base({"a\rb"}) << text({"a", "b"}) << Marks{{1, Mark::Modified}, {2, Mark::Added}}
        << Deletions{};

    // Equally short scripts: the greedy passes decide which lines are marked.
    QTest::newRow("tie: swapped pair keeps the second base line")
        << base({"a", "b"}) << text({"b", "a"}) << Marks{{2, Mark::Added}} << Deletions{0};
    QTest::newRow("tie: repeated line marks the later copy")
        << base({"a"}) << text({"a", "a"}) << Marks{{2, Mark::Added}} << Deletions{};
    QTest::newRow("tie: removed copy leaves the gap below")
        << base({"a", "a"}) << text({"a"}) << Marks{} << Deletions{1};
    QTest::newRow("tie: blank lines around an insertion")
        << base({"", "x", ""}) << text({"", "x", "", "y", ""})
        << Marks{{4, Mark::Added}, {5, Mark::Added}} << Deletions{};

    // Several stretches, and lines that occur on one side only.
    QTest::newRow("two separate stretches")
        << base({"a", "b", "c", "d", "e"}) << text({"a", "B", "c", "e", "f"})
        << Marks{{2, Mark::Modified}, {5, Mark::Added}} << Deletions{3};
    QTest::newRow("replaced block with duplicates")
        << base({"a", "", "b", "", "c"}) << text({"a", "", "x", "", "y", "", "c"})
        << Marks{{3, Mark::Modified}, {5, Mark::Added}, {6, Mark::Added}} << Deletions{};
}

void tst_LineDiff::compute()
{
    QFETCH(std::optional<QString>, base);
    QFETCH(QString, current);
    QFETCH(Marks, marks);
    QFETCH(Deletions, deletions);

    LineDiff::Result expected;
    expected.marks = marks;
    expected.deletions = deletions;
    const LineDiff::Result actual = LineDiff::compute(base, current);
    QCOMPARE(describe(actual), describe(expected));
    QVERIFY(actual == expected);
    // The table's expectations hold for the plain algorithm too.
    QCOMPARE(describe(referenceDiff(base, current)), describe(expected));
}

// The shortcuts (interning, the common prefix, dropping lines without a partner, the compact
// pass history) must pick exactly the script the plain algorithm picks, ties included.
void tst_LineDiff::matchesReferenceOnRandomTexts_data()
{
    QTest::addColumn<int>("alphabet");
    QTest::addColumn<bool>("related");
    QTest::newRow("two recurring lines, unrelated texts") << 2 << false;
    QTest::newRow("six recurring lines, unrelated texts") << 6 << false;
    QTest::newRow("two recurring lines, edited copy") << 2 << true;
    QTest::newRow("six recurring lines, edited copy") << 6 << true;
}

void tst_LineDiff::matchesReferenceOnRandomTexts()
{
    QFETCH(int, alphabet);
    QFETCH(bool, related);
    QRandomGenerator random(quint32(alphabet * 2 + related));
    for (int round = 0; round < 1500; ++round) {
        const QStringList baseLines = randomLines(random, int(random.bounded(30)) + 1, alphabet);
        const QStringList currentLines =
            related ? edited(random, baseLines, int(random.bounded(6)), alphabet)
                    : randomLines(random, int(random.bounded(30)) + 1, alphabet);
        compareWithReference(text(baseLines), text(currentLines));
        if (QTest::currentTestFailed())
            return;
    }
}

// Snakes of 255 lines and more take the history's long-snake path; a long run of rewritten
// lines makes the current text stop following the base line for line while interning.
void tst_LineDiff::matchesReferenceAcrossLongSnakes()
{
    QRandomGenerator random(7);
    for (int round = 0; round < 20; ++round) {
        const QStringList baseLines = randomLines(random, 900, 3);
        QStringList currentLines = edited(random, baseLines, 2 + round % 4, 3);
        if (round % 2 == 1) {
            const int from = int(random.bounded(700));
            for (int i = from; i < from + 100 && i < currentLines.size(); ++i)
                currentLines[i] = u"rewritten "_qs + QString::number(i);
        }
        compareWithReference(text(baseLines), text(currentLines));
        if (QTest::currentTestFailed())
            return;
    }
}

// Every pair of short texts, from up to four characters of "a", "b" and a line feed and from up
// to six of "a" and a line feed: where the common prefix and suffix of characters end relative
// to line feeds, at either end of either text.
void tst_LineDiff::matchesReferenceOnAllShortTexts()
{
    const std::pair<QString, int> alphabets[] = {{u"ab\n"_qs, 4}, {u"a\n"_qs, 6}};
    for (const auto &[alphabet, longest] : alphabets) {
        QStringList texts{QString()};
        for (qsizetype from = 0; from < texts.size() && texts[from].size() < longest; ++from) {
            for (const QChar c : alphabet)
                texts.append(texts[from] + c);
        }
        for (const QString &base : texts) {
            for (const QString &current : texts) {
                compareWithReference(base, current);
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }
}

// Different middles before a common tail that repeats lines of its own ("p", "q") among lines
// of the middles: the tail's own lines must not shift the script.
void tst_LineDiff::matchesReferenceOnSharedTails()
{
    QRandomGenerator random(17);
    const QStringList middleLines{u"a"_qs, u"b"_qs};
    const QStringList tailLines{u"a"_qs, u"b"_qs, u"p"_qs, u"q"_qs};
    auto draw = [&](const QStringList &from, int count) {
        QStringList lines;
        for (int i = 0; i < count; ++i)
            lines << from[random.bounded(int(from.size()))];
        return lines;
    };
    for (int round = 0; round < 3000; ++round) {
        const QStringList tail = draw(tailLines, int(random.bounded(12)) + 1);
        const QStringList base = draw(middleLines, int(random.bounded(8))) + tail;
        const QStringList current = draw(middleLines, int(random.bounded(8))) + tail;
        compareWithReference(text(base), text(current));
        if (QTest::currentTestFailed())
            return;
    }
}

// More than a thousand passes: the diagonals outgrow the first V and the history spans many
// words per pass.
void tst_LineDiff::matchesReferenceOnLongScripts()
{
    QRandomGenerator random(13);
    QStringList baseLines;
    QStringList currentLines;
    for (int i = 0; i < 3000; ++i) {
        baseLines << (random.bounded(2) ? u"a"_qs : u"b"_qs);
        currentLines << (random.bounded(2) ? u"a"_qs : u"b"_qs);
    }
    compareWithReference(text(baseLines), text(currentLines));
}

// Texts beyond 2^29 lines run the script on 64-bit indices; the choices must not depend on it.
void tst_LineDiff::wideIndicesGiveTheSameScript()
{
    QRandomGenerator random(11);
    for (int round = 0; round < 300; ++round) {
        const int n = int(random.bounded(40));
        const int m = int(random.bounded(40));
        std::vector<qint32> base32(static_cast<std::size_t>(n));
        std::vector<qint32> current32(static_cast<std::size_t>(m));
        for (qint32 &id : base32)
            id = qint32(random.bounded(3));
        for (qint32 &id : current32)
            id = qint32(random.bounded(3));
        const std::vector<qint64> base64(base32.begin(), base32.end());
        const std::vector<qint64> current64(current32.begin(), current32.end());
        std::vector<char> removed32(std::size_t(n), 0), inserted32(std::size_t(m), 0);
        std::vector<char> removed64(std::size_t(n), 0), inserted64(std::size_t(m), 0);
        LineDiffScript::mark(std::span<const qint32>(base32), std::span<const qint32>(current32),
                             removed32, inserted32);
        LineDiffScript::mark(std::span<const qint64>(base64), std::span<const qint64>(current64),
                             removed64, inserted64);
        QVERIFY(removed32 == removed64);
        QVERIFY(inserted32 == inserted64);
    }
}

// A replaced block of lines that occur nowhere else costs no edit-script passes at all.
void tst_LineDiff::largeReplacedBlockStaysFast()
{
    QStringList baseLines;
    QStringList currentLines;
    for (int i = 0; i < 40000; ++i) {
        baseLines << u"line "_qs + QString::number(i);
        currentLines << (i >= 10000 && i < 30000 ? u"changed "_qs : u"line "_qs) +
                            QString::number(i);
    }
    const LineDiff::Result result = LineDiff::compute(text(baseLines), text(currentLines));
    QCOMPARE(result.marks.size(), 20000);
    QCOMPARE(result.marks.value(10001), Mark::Modified);
    QCOMPARE(result.marks.value(30000), Mark::Modified);
    QVERIFY(result.deletions.isEmpty());
}

QTEST_GUILESS_MAIN(tst_LineDiff)
#include "tst_LineDiff.moc"
