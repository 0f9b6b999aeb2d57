#include <QGuiApplication>
#include <QPalette>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include "core/editor/SyntaxColoring.h"
#include "core/editor/SyntaxHighlighter.h"

namespace {

// The foreground of every character of the document, block by block; a block separator counts
// as one character without a colour.
QList<QColor> coloursOf(const QTextDocument &document)
{
    QList<QColor> colours;
    for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next()) {
        const qsizetype start = colours.size();
        colours.resize(start + block.length());
        for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
            for (int i = range.start; i < range.start + range.length; ++i)
                colours[start + i] = range.format.foreground().color();
        }
    }
    return colours;
}

QList<QColor> freshColours(const QString &text, SyntaxLanguage language)
{
    QTextDocument document;
    document.setPlainText(text);
    new SyntaxHighlighter(&document, language);
    return coloursOf(document);
}

// The colours the line rules give for a whole text, in the highlighter's palette: what the
// document must show, separators without a colour.
QList<QColor> engineColours(const QString &text, SyntaxLanguage language,
                            const SyntaxPalette &palette)
{
    const QList<SyntaxRole> roles =
        SyntaxColoring::roles(text.size(), SyntaxColoring::textSpans(text, language));
    QList<QColor> colours;
    for (qsizetype i = 0; i < text.size(); ++i)
        colours << (text[i] == u'\n' ? QColor() : palette.color(roles[i]));
    colours << QColor();
    return colours;
}

QString visible(QString text)
{
    return text.replace(u'\n', QStringLiteral("⏎\n"));
}

// Where two colourings of the same text differ first, or -1.
qsizetype firstDifference(const QList<QColor> &a, const QList<QColor> &b)
{
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i])
            return i;
    }
    return a.size() == b.size() ? -1 : std::min(a.size(), b.size());
}

QPalette appearance(bool dark)
{
    QPalette palette;
    palette.setColor(QPalette::Window, dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xf5, 0xf5, 0xf5));
    palette.setColor(QPalette::Text, dark ? Qt::white : Qt::black);
    return palette;
}

// Lines the random documents and edits are made of: every rule, delimiters and fences.
const QStringList kMarkdownLines = {
    "# Title",
    "## **Scene** two",
    "####### no",
    "#x",
    "Plain text with `code` and **bold**.",
    "__under__ and *one*",
    "---",
    " --- ",
    "```",
    "```yaml",
    "- item: 3",
    "key: [1, 2.5]",
    "",
    "title: X # note",
    "a:b: c",
    "10:30",
    "**a*b**",
    "****",
    "`a` `b`",
};
const QStringList kYamlLines = {
    "version: 1",
    "pins:",
    "  \"H1\":",
    "    cas: \"C1\"",
    "- name: Ada # lead",
    "size: [1, 2.5, -3]",
    "# comment",
    "",
    "---",
    "a:b: c",
    "n: -4",
    "list: [a, [b]]",
};
const QString kTypedCharacters = QStringLiteral("#*_`-:[], 019.abc\n\n---");

class RandomEditor {
public:
    explicit RandomEditor(quint32 seed)
        : m_random(seed)
    {
    }

    int below(int bound) { return bound <= 0 ? 0 : int(m_random.bounded(bound)); }
    bool chance(int percent) { return below(100) < percent; }

    QString line(SyntaxLanguage language)
    {
        const QStringList &lines =
            language == SyntaxLanguage::Markdown ? kMarkdownLines : kYamlLines;
        return lines[below(int(lines.size()))];
    }

    QString document(SyntaxLanguage language)
    {
        QStringList lines;
        if (language == SyntaxLanguage::Markdown && chance(50)) {
            lines << (chance(80) ? "---" : " ---\t");
            for (int i = below(4); i > 0; --i)
                lines << line(SyntaxLanguage::Yaml);
            if (chance(85))
                lines << "---";
        }
        for (int i = 1 + below(14); i > 0; --i)
            lines << line(language);
        return lines.join(u'\n');
    }

    QString typed()
    {
        QString text;
        for (int i = 1 + below(4); i > 0; --i)
            text += kTypedCharacters[below(int(kTypedCharacters.size()))];
        return text;
    }

    // One edit through a cursor, as typing, pasting, deleting and undoing do it; returns what it
    // did, for the failure message.
    QString edit(QTextDocument &document, SyntaxLanguage language)
    {
        QTextCursor cursor(&document);
        const int length = document.characterCount() - 1;
        const int position = below(length + 1);
        const auto lineStart = [&](int blockNumber) {
            return document.findBlockByNumber(blockNumber).position();
        };
        switch (below(10)) {
        case 0: { // type a few characters
            const QString text = typed();
            cursor.setPosition(position);
            cursor.insertText(text);
            return QStringLiteral("insert %1 at %2").arg(visible(text)).arg(position);
        }
        case 1: { // delete a short range
            const int end = std::min(length, position + 1 + below(6));
            cursor.setPosition(position);
            cursor.setPosition(end, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            return QStringLiteral("delete %1..%2").arg(position).arg(end);
        }
        case 2: { // replace a range
            const int end = std::min(length, position + below(8));
            const QString text = typed();
            cursor.setPosition(position);
            cursor.setPosition(end, QTextCursor::KeepAnchor);
            cursor.insertText(text);
            return QStringLiteral("replace %1..%2 by %3").arg(position).arg(end).arg(visible(text));
        }
        case 3: { // insert whole lines
            const int block = below(document.blockCount() + 1);
            QString text = line(language) + u'\n';
            if (chance(30))
                text += line(language) + u'\n';
            if (block == document.blockCount()) {
                cursor.movePosition(QTextCursor::End);
                text = u'\n' + text.chopped(1);
            } else {
                cursor.setPosition(lineStart(block));
            }
            cursor.insertText(text);
            return QStringLiteral("insert lines %1 before line %2").arg(visible(text)).arg(block);
        }
        case 4: { // delete whole lines
            const int block = below(document.blockCount());
            const int count = 1 + below(3);
            cursor.setPosition(lineStart(block));
            cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, count);
            if (cursor.position() == cursor.anchor() || block + count >= document.blockCount())
                cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            return QStringLiteral("delete %1 lines from line %2").arg(count).arg(block);
        }
        case 5: { // type a delimiter line, often at the top or inside the front matter
            const int block = chance(30) ? 0 : below(std::min(document.blockCount(), 6));
            cursor.setPosition(lineStart(block));
            cursor.insertText(chance(50) ? QStringLiteral("---\n") : QStringLiteral("---"));
            return QStringLiteral("type --- at line %1").arg(block);
        }
        case 6: { // replace a line by a delimiter or a fence
            const int block = below(document.blockCount());
            cursor.setPosition(lineStart(block));
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            const QString text = chance(60) ? QStringLiteral("---") : QStringLiteral("```");
            cursor.insertText(text);
            return QStringLiteral("line %1 becomes %2").arg(block).arg(text);
        }
        case 7: { // edit the first line
            cursor.setPosition(below(document.firstBlock().length()));
            if (chance(50))
                cursor.deleteChar();
            else
                cursor.insertText(typed());
            return QStringLiteral("edit line 0 at %1").arg(cursor.position());
        }
        case 8: { // two edits grouped into one undo step
            cursor.beginEditBlock();
            cursor.setPosition(position);
            cursor.insertText(typed());
            cursor.setPosition(below(document.characterCount()));
            cursor.insertText(QStringLiteral("\n---\n"));
            cursor.endEditBlock();
            return QStringLiteral("grouped edit at %1").arg(position);
        }
        default: // undo or redo
            if (chance(70)) {
                document.undo();
                return QStringLiteral("undo");
            }
            document.redo();
            return QStringLiteral("redo");
        }
    }

private:
    QRandomGenerator m_random;
};

} // namespace

class tst_SyntaxHighlighter : public QObject {
    Q_OBJECT

private slots:
    void init() { QGuiApplication::setPalette(appearance(false)); }

    void appliesAppearanceColours_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void appliesAppearanceColours()
    {
        QFETCH(bool, dark);
        QGuiApplication::setPalette(appearance(dark));
        QTextDocument document;
        document.setPlainText(QStringLiteral("---\nn: 2\n---\n# T **b** `c`"));
        new SyntaxHighlighter(&document, SyntaxLanguage::Markdown);

        const QColor label = dark ? QColor(Qt::white) : QColor(Qt::black);
        QColor secondary = label;
        secondary.setAlphaF(0.5f);
        const QColor blue(dark ? "#61AFEF" : "#0550AE");
        const QColor yellow(dark ? "#E5C07B" : "#94660A");
        const QColor pink(dark ? "#E06C75" : "#CF222E");
        const QColor none;
        const QList<QColor> expected = {
            secondary, secondary, secondary, none,                                 // ---
            pink,      label,     pink,      yellow, none,                         // n: 2
            secondary, secondary, secondary, none,                                 // ---
            secondary, blue,      blue,      blue,   blue, blue, blue, blue, blue, // # T **b**
            blue,      blue,      blue,      blue,   none,                         //  `c`
        };
        QCOMPARE(coloursOf(document), expected);
    }

    void followsPaletteChanges()
    {
        QTextDocument document;
        document.setPlainText(QStringLiteral("# T\nkey"));
        new SyntaxHighlighter(&document, SyntaxLanguage::Markdown);
        QCOMPARE(coloursOf(document)[1], QColor("#0550AE"));
        QCOMPARE(coloursOf(document)[4], QColor(Qt::black));

        QGuiApplication::setPalette(appearance(true));
        QCOMPARE(coloursOf(document)[1], QColor("#61AFEF"));
        QCOMPARE(coloursOf(document)[4], QColor(Qt::white));
    }

    void languageChangeRecolours()
    {
        QTextDocument document;
        document.setPlainText(QStringLiteral("a: 1\n# b"));
        auto *highlighter = new SyntaxHighlighter(&document, std::nullopt);
        QList<QColor> plain;
        for (const QChar ch : QString(document.toPlainText() + u'\n'))
            plain << (ch == u'\n' ? QColor() : QColor(Qt::black));
        QCOMPARE(coloursOf(document), plain);

        highlighter->setLanguage(SyntaxLanguage::Yaml);
        QCOMPARE(coloursOf(document), freshColours(document.toPlainText(), SyntaxLanguage::Yaml));
        highlighter->setLanguage(SyntaxLanguage::Markdown);
        QCOMPARE(coloursOf(document),
                 freshColours(document.toPlainText(), SyntaxLanguage::Markdown));
        highlighter->setLanguage(std::nullopt);
        QCOMPARE(coloursOf(document), plain);
    }

    // Closing an opened front matter far below recolours every line above the edit, and
    // reopening it recolours them back.
    void closingFrontMatterRecoloursLinesAbove()
    {
        QTextDocument document;
        document.setPlainText(QStringLiteral("---\na: 1\n**b**\nc: 2\nd"));
        new SyntaxHighlighter(&document, SyntaxLanguage::Markdown);
        QTextCursor cursor(document.findBlockByNumber(4));
        cursor.insertText(QStringLiteral("---\n"));
        QCOMPARE(coloursOf(document),
                 freshColours(document.toPlainText(), SyntaxLanguage::Markdown));
        QCOMPARE(coloursOf(document)[4], QColor("#CF222E"));

        document.undo();
        QCOMPARE(coloursOf(document),
                 freshColours(document.toPlainText(), SyntaxLanguage::Markdown));
        QCOMPARE(coloursOf(document)[4], QColor(Qt::black));
    }

    // A body edit away from the first line, the front matter and any delimiter recolours only
    // its own line: a line elsewhere keeps whatever formats it had.
    void bodyEditRecoloursOnlyItsLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("no front matter") << "# a\nb\nc `d`\ne";
        QTest::newRow("after front matter") << "---\nx: 1\n---\nb\nc `d`\ne";
    }
    void bodyEditRecoloursOnlyItsLine()
    {
        QFETCH(QString, text);
        QTextDocument document;
        document.setPlainText(text);
        new SyntaxHighlighter(&document, SyntaxLanguage::Markdown);
        const QTextBlock last = document.lastBlock();
        last.layout()->setFormats({});
        // Clearing the formats notes the block as changed; pass that note to the layout unseen,
        // or the next edit would report a range reaching down to this block.
        QTextCursor cursor(last.previous());
        document.blockSignals(true);
        cursor.beginEditBlock();
        cursor.endEditBlock();
        document.blockSignals(false);
        cursor.setPosition(cursor.position() + 1);
        cursor.insertText(QStringLiteral("**x**"));
        QVERIFY(last.layout()->formats().isEmpty());
        // "c**x** `d`": label, yellow, label, pink.
        QCOMPARE(document.lastBlock().previous().layout()->formats().size(), 4);
    }

    void withoutDocumentDoesNothing()
    {
        SyntaxHighlighter highlighter(nullptr, SyntaxLanguage::Markdown);
        highlighter.setLanguage(SyntaxLanguage::Yaml);
        highlighter.setPalette(SyntaxPalette::fromPalette(appearance(true)));
        highlighter.rehighlight();
        QCOMPARE(highlighter.document(), nullptr);
    }

    void randomEditsMatchFreshPass()
    {
        RandomEditor random(20261211);
        int edits = 0;
        for (int round = 0; round < 40; ++round) {
            const SyntaxLanguage language =
                random.chance(70) ? SyntaxLanguage::Markdown : SyntaxLanguage::Yaml;
            QTextDocument document;
            document.setPlainText(random.document(language));
            const auto *highlighter = new SyntaxHighlighter(&document, language);
            QStringList history;
            for (int step = 0; step < 12; ++step, ++edits) {
                history << random.edit(document, language);
                const QString text = document.toPlainText();
                const QList<QColor> actual = coloursOf(document);
                const QList<QColor> expected = freshColours(text, language);
                QCOMPARE(expected, engineColours(text, language, highlighter->palette()));
                const qsizetype at = firstDifference(actual, expected);
                if (at >= 0) {
                    QFAIL(qPrintable(
                        QStringLiteral("round %1, after %2:\ncolours differ at %3 in\n%4")
                            .arg(round)
                            .arg(history.join(QStringLiteral("; ")))
                            .arg(at)
                            .arg(visible(text))));
                }
            }
        }
        QVERIFY(edits >= 400);
    }
};

QTEST_MAIN(tst_SyntaxHighlighter)
#include "tst_SyntaxHighlighter.moc"
