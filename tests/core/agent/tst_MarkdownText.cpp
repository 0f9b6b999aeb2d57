#include <QRandomGenerator>
#include <QTest>

#include "core/agent/MarkdownText.h"

using namespace Qt::StringLiterals;
using MarkdownText::Block;
using MarkdownText::ListItem;
using Blocks = QList<Block>;

namespace MarkdownText {

// Lets QCOMPARE name the first differing block.
char *toString(const Block &block)
{
    QString payload;
    switch (block.kind) {
    case Block::Kind::Paragraph:
        payload = u"paragraph "_s + block.text;
        break;
    case Block::Kind::Heading:
        payload = u"heading %1 "_s.arg(block.level) + block.body;
        break;
    case Block::Kind::List:
        payload = u"list"_s;
        for (const ListItem &item : block.items)
            payload += u" ["_s + item.marker + u'|' + item.body + u']';
        break;
    case Block::Kind::Code:
        payload = u"code "_s + block.text;
        break;
    case Block::Kind::Note:
        payload = u"note "_s + block.text;
        break;
    case Block::Kind::Table:
        payload = u"table"_s;
        for (const QStringList &row : block.rows)
            payload += u" ["_s + row.join(u'|') + u']';
        break;
    }
    return QTest::toString(payload);
}

} // namespace MarkdownText

namespace {

ListItem bullet(const QString &body)
{
    return {u"•"_s, body};
}

ListItem ordered(const QString &marker, const QString &body)
{
    return {marker, body};
}

} // namespace

class tst_MarkdownText : public QObject {
    Q_OBJECT

private slots:
    void paragraphs_data();
    void paragraphs() { check(); }
    void headings_data();
    void headings() { check(); }
    void lists_data();
    void lists() { check(); }
    void fences_data();
    void fences() { check(); }
    void notes_data();
    void notes() { check(); }
    void tables_data();
    void tables() { check(); }
    void wholeReply();
    void arbitraryTextKeepsInvariants();

private:
    static void columns();
    static void check();
};

void tst_MarkdownText::columns()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Blocks>("expected");
}

void tst_MarkdownText::check()
{
    QFETCH(QString, text);
    QFETCH(Blocks, expected);
    QCOMPARE(MarkdownText::blocks(text), expected);
}

void tst_MarkdownText::paragraphs_data()
{
    columns();
    QTest::newRow("empty text") << QString() << Blocks{};
    QTest::newRow("blank lines only") << u"\n  \n\t\n"_s << Blocks{};
    QTest::newRow("two lines join") << u"one\ntwo"_s << Blocks{Block::paragraph(u"one\ntwo"_s)};
    QTest::newRow("blank line splits")
        << u"one\n\ntwo"_s << Blocks{Block::paragraph(u"one"_s), Block::paragraph(u"two"_s)};
    QTest::newRow("whitespace-only line splits")
        << u"one\n \t \ntwo\n"_s << Blocks{Block::paragraph(u"one"_s), Block::paragraph(u"two"_s)};
    QTest::newRow("indentation kept")
        << u"  one  \n\ttwo"_s << Blocks{Block::paragraph(u"  one  \n\ttwo"_s)};
    QTest::newRow("inline markup left alone")
        << u"**bold** `code` [link](https://x.test)"_s
        << Blocks{Block::paragraph(u"**bold** `code` [link](https://x.test)"_s)};
    QTest::newRow("block quote is plain text")
        << u"> quoted\n> more"_s << Blocks{Block::paragraph(u"> quoted\n> more"_s)};
    QTest::newRow("setext underline is plain text")
        << u"Title\n====="_s << Blocks{Block::paragraph(u"Title\n====="_s)};
    // Lines are cut at "\n" only and trimmed of spaces and tabs only: "\r" is text.
    QTest::newRow("CR LF keeps CR in lines")
        << u"one\r\ntwo\r\n\r\n# H\r\n"_s
        << Blocks{Block::paragraph(u"one\r\ntwo\r\n\r"_s), Block::heading(1, u"H\r"_s)};
    QTest::newRow("non-breaking space is not trimmed")
        << u"\u00A0\nx"_s << Blocks{Block::paragraph(u"\u00A0\nx"_s)};
}

void tst_MarkdownText::headings_data()
{
    columns();
    QTest::newRow("level 1 then paragraph")
        << u"# Title\nplain"_s
        << Blocks{Block::heading(1, u"Title"_s), Block::paragraph(u"plain"_s)};
    QTest::newRow("level 6") << u"###### six"_s << Blocks{Block::heading(6, u"six"_s)};
    QTest::newRow("seven marks") << u"####### seven"_s
                                 << Blocks{Block::paragraph(u"####### seven"_s)};
    QTest::newRow("marks glued to word") << u"#word"_s << Blocks{Block::paragraph(u"#word"_s)};
    QTest::newRow("marks only") << u"###"_s << Blocks{Block::paragraph(u"###"_s)};
    QTest::newRow("marks and trailing space") << u"## "_s << Blocks{Block::paragraph(u"## "_s)};
    QTest::newRow("tab after marks") << u"#\tTab"_s << Blocks{Block::paragraph(u"#\tTab"_s)};
    QTest::newRow("body trimmed") << u"  ##   spaced  body \t"_s
                                  << Blocks{Block::heading(2, u"spaced  body"_s)};
    QTest::newRow("closing marks kept")
        << u"### Three ###"_s << Blocks{Block::heading(3, u"Three ###"_s)};
    QTest::newRow("ends paragraph and list")
        << u"text\n# A\n- x\n## B"_s
        << Blocks{Block::paragraph(u"text"_s), Block::heading(1, u"A"_s),
                  Block::list({bullet(u"x"_s)}), Block::heading(2, u"B"_s)};
}

void tst_MarkdownText::lists_data()
{
    columns();
    QTest::newRow("bullets then paragraph")
        << u"- one\n- two\nplain"_s
        << Blocks{Block::list({bullet(u"one"_s), bullet(u"two"_s)}), Block::paragraph(u"plain"_s)};
    QTest::newRow("all bullet marks")
        << u"- a\n* b\n+ c"_s
        << Blocks{Block::list({bullet(u"a"_s), bullet(u"b"_s), bullet(u"c"_s)})};
    QTest::newRow("ordered") << u"1. first\n2. second"_s
                             << Blocks{Block::list(
                                    {ordered(u"1."_s, u"first"_s), ordered(u"2."_s, u"second"_s)})};
    QTest::newRow("three digits") << u"123. ok"_s
                                  << Blocks{Block::list({ordered(u"123."_s, u"ok"_s)})};
    QTest::newRow("four digits") << u"1234. no"_s << Blocks{Block::paragraph(u"1234. no"_s)};
    QTest::newRow("number without space") << u"1.no"_s << Blocks{Block::paragraph(u"1.no"_s)};
    QTest::newRow("number with parenthesis") << u"1) no"_s << Blocks{Block::paragraph(u"1) no"_s)};
    QTest::newRow("number alone") << u"1."_s << Blocks{Block::paragraph(u"1."_s)};
    QTest::newRow("dash alone") << u"-\n- "_s << Blocks{Block::paragraph(u"-\n- "_s)};
    QTest::newRow("dash glued to word") << u"-word"_s << Blocks{Block::paragraph(u"-word"_s)};
    QTest::newRow("body not trimmed further")
        << u"  -   body  "_s << Blocks{Block::list({bullet(u"  body"_s)})};
    QTest::newRow("blank line splits lists")
        << u"- a\n\n- b"_s << Blocks{Block::list({bullet(u"a"_s)}), Block::list({bullet(u"b"_s)})};
    QTest::newRow("plain line ends list")
        << u"- a\nplain\n- b"_s
        << Blocks{Block::list({bullet(u"a"_s)}), Block::paragraph(u"plain"_s),
                  Block::list({bullet(u"b"_s)})};
    QTest::newRow("list line ends paragraph")
        << u"plain\n1. a"_s
        << Blocks{Block::paragraph(u"plain"_s), Block::list({ordered(u"1."_s, u"a"_s)})};
    QTest::newRow("bullets and numbers share a list")
        << u"- a\n2. b"_s << Blocks{Block::list({bullet(u"a"_s), ordered(u"2."_s, u"b"_s)})};
    QTest::newRow("nested items are flattened")
        << u"- a\n  - b\n    1. c"_s
        << Blocks{Block::list({bullet(u"a"_s), bullet(u"b"_s), ordered(u"1."_s, u"c"_s)})};
    QTest::newRow("horizontal rule is text") << u"---"_s << Blocks{Block::paragraph(u"---"_s)};
    QTest::newRow("arabic-indic digit")
        << u"٣. ثلاثة"_s << Blocks{Block::list({ordered(u"٣."_s, u"ثلاثة"_s)})};
    QTest::newRow("devanagari digits")
        << u"१२. x"_s << Blocks{Block::list({ordered(u"१२."_s, u"x"_s)})};
    QTest::newRow("fraction is a number")
        << u"½. half"_s << Blocks{Block::list({ordered(u"½."_s, u"half"_s)})};
    QTest::newRow("roman numeral is a number")
        << u"Ⅻ. twelve"_s << Blocks{Block::list({ordered(u"Ⅻ."_s, u"twelve"_s)})};
    QTest::newRow("CJK numeral ideograph")
        << u"五. 五つ"_s << Blocks{Block::list({ordered(u"五."_s, u"五つ"_s)})};
    QTest::newRow("four CJK numerals")
        << u"一二三四. x"_s << Blocks{Block::paragraph(u"一二三四. x"_s)};
    QTest::newRow("keycap counts once")
        << u"1\uFE0F\u20E3. step"_s
        << Blocks{Block::list({ordered(u"1\uFE0F\u20E3."_s, u"step"_s)})};
    QTest::newRow("four digits with marks")
        << u"1\u03012\u03013\u03014\u0301. x"_s
        << Blocks{Block::paragraph(u"1\u03012\u03013\u03014\u0301. x"_s)};
    QTest::newRow("three digits with marks")
        << u"1\u03012\u03013\u0301. x"_s
        << Blocks{Block::list({ordered(u"1\u03012\u03013\u0301."_s, u"x"_s)})};
    QTest::newRow("mark alone is not a number")
        << u"\u20E3. x"_s << Blocks{Block::paragraph(u"\u20E3. x"_s)};
    QTest::newRow("letters are not numbers") << u"a. no"_s << Blocks{Block::paragraph(u"a. no"_s)};
    // Outside the BMP each digit takes two UTF-16 units but counts once.
    QTest::newRow("three astral digits")
        << u"𝟙𝟚𝟛. x"_s << Blocks{Block::list({ordered(u"𝟙𝟚𝟛."_s, u"x"_s)})};
    QTest::newRow("four astral digits") << u"𝟙𝟚𝟛𝟜. x"_s << Blocks{Block::paragraph(u"𝟙𝟚𝟛𝟜. x"_s)};
    QTest::newRow("lone surrogate") << u"\xD835. x"_s << Blocks{Block::paragraph(u"\xD835. x"_s)};
}

void tst_MarkdownText::fences_data()
{
    columns();
    QTest::newRow("language dropped")
        << u"```swift\nlet x = 1\n```"_s << Blocks{Block::code(u"let x = 1"_s)};
    QTest::newRow("empty fence") << u"```\n```"_s << Blocks{Block::code(QString())};
    QTest::newRow("one blank line") << u"```\n\n```"_s << Blocks{Block::code(QString())};
    QTest::newRow("unclosed takes the rest")
        << u"```\na\n\n# b\n"_s << Blocks{Block::code(u"a\n\n# b\n"_s)};
    QTest::newRow("fence on last line")
        << u"text\n```"_s << Blocks{Block::paragraph(u"text"_s), Block::code(QString())};
    QTest::newRow("fence on last line with newline")
        << u"```\n"_s << Blocks{Block::code(QString())};
    QTest::newRow("contents are not classified")
        << u"```\n  # h\n| a |\n|---|\n- x\n· n\n```"_s
        << Blocks{Block::code(u"  # h\n| a |\n|---|\n- x\n· n"_s)};
    QTest::newRow("indented fences")
        << u"   ```py\n  code \n\t```  "_s << Blocks{Block::code(u"  code "_s)};
    QTest::newRow("any fence line closes")
        << u"```\na\n```more\nafter"_s << Blocks{Block::code(u"a"_s), Block::paragraph(u"after"_s)};
    QTest::newRow("four backticks") << u"````\na\n````"_s << Blocks{Block::code(u"a"_s)};
    QTest::newRow("two backticks are text") << u"``x``"_s << Blocks{Block::paragraph(u"``x``"_s)};
    QTest::newRow("ends paragraph and list")
        << u"para\n```\nc\n```\n- x\n```\n```"_s
        << Blocks{Block::paragraph(u"para"_s), Block::code(u"c"_s), Block::list({bullet(u"x"_s)}),
                  Block::code(QString())};
    QTest::newRow("CR LF fence keeps CR")
        << u"```\r\nx\r\n```\r\n"_s << Blocks{Block::code(u"x\r"_s)};
}

void tst_MarkdownText::notes_data()
{
    columns();
    QTest::newRow("between paragraphs")
        << u"Before\n· Thought for 3s\nAfter"_s
        << Blocks{Block::paragraph(u"Before"_s), Block::note(u"· Thought for 3s"_s),
                  Block::paragraph(u"After"_s)};
    QTest::newRow("trimmed") << u"   · Stopped  \t"_s << Blocks{Block::note(u"· Stopped"_s)};
    QTest::newRow("dot glued to word") << u"·word"_s << Blocks{Block::paragraph(u"·word"_s)};
    QTest::newRow("ends list") << u"- a\n· n\n- b"_s
                               << Blocks{Block::list({bullet(u"a"_s)}), Block::note(u"· n"_s),
                                         Block::list({bullet(u"b"_s)})};
}

void tst_MarkdownText::tables_data()
{
    columns();
    QTest::newRow("header, separator, row")
        << u"| a | b |\n|---|---|\n| 1 | 2 |"_s
        << Blocks{Block::table({{u"a"_s, u"b"_s}, {u"1"_s, u"2"_s}})};
    QTest::newRow("no separator is a trimmed paragraph")
        << u"  | a | b |\n\t| 1 | 2 |  "_s << Blocks{Block::paragraph(u"| a | b |\n| 1 | 2 |"_s)};
    QTest::newRow("single line") << u"| a |"_s << Blocks{Block::paragraph(u"| a |"_s)};
    QTest::newRow("short rows padded")
        << u"| a | b | c |\n|---|---|---|\n| 1 | 2 |\n| x | y | z |"_s
        << Blocks{Block::table(
               {{u"a"_s, u"b"_s, u"c"_s}, {u"1"_s, u"2"_s, QString()}, {u"x"_s, u"y"_s, u"z"_s}})};
    QTest::newRow("header padded to a wider row")
        << u"| a |\n|---|\n| 1 | 2 |"_s
        << Blocks{Block::table({{u"a"_s, QString()}, {u"1"_s, u"2"_s}})};
    QTest::newRow("alignment and spaces in separator")
        << u"| a | b |\n| :-- | --: |\n|c|d|"_s
        << Blocks{Block::table({{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}})};
    QTest::newRow("later separators skipped")
        << u"|a|\n|-|\n|b|\n|---|\n|c|"_s << Blocks{Block::table({{u"a"_s}, {u"b"_s}, {u"c"_s}})};
    QTest::newRow("separator with other characters")
        << u"|a|\n|-x-|"_s << Blocks{Block::paragraph(u"|a|\n|-x-|"_s)};
    QTest::newRow("separator without dash")
        << u"|a|\n|:|:|"_s << Blocks{Block::paragraph(u"|a|\n|:|:|"_s)};
    QTest::newRow("tab in separator")
        << u"|a|\n|-\t-|"_s << Blocks{Block::paragraph(u"|a|\n|-\t-|"_s)};
    QTest::newRow("empty cells kept")
        << u"|| |\n|-|-|\n|x||"_s
        << Blocks{Block::table({{QString(), QString()}, {u"x"_s, QString()}})};
    QTest::newRow("one bar") << u"|\n|-|"_s << Blocks{Block::table({{QString()}})};
    QTest::newRow("no trailing bar")
        << u"| a | b\n|---|---\n| 1"_s
        << Blocks{Block::table({{u"a"_s, u"b"_s}, {u"1"_s, QString()}})};
    QTest::newRow("inline markup in cells kept")
        << u"| **a** | `b` |\n|--|--|"_s << Blocks{Block::table({{u"**a**"_s, u"`b`"_s}})};
    QTest::newRow("between paragraph and list")
        << u"text\n| a |\n|---|\n- x\nafter"_s
        << Blocks{Block::paragraph(u"text"_s), Block::table({{u"a"_s}}),
                  Block::list({bullet(u"x"_s)}), Block::paragraph(u"after"_s)};
    QTest::newRow("after a list item")
        << u"- x\n| a |\n|-|"_s << Blocks{Block::list({bullet(u"x"_s)}), Block::table({{u"a"_s}})};
    QTest::newRow("blank line splits the lines")
        << u"| a |\n\n|---|"_s
        << Blocks{Block::paragraph(u"| a |"_s), Block::paragraph(u"|---|"_s)};
    QTest::newRow("failed table then plain line")
        << u"| a |\nplain"_s << Blocks{Block::paragraph(u"| a |"_s), Block::paragraph(u"plain"_s)};
    QTest::newRow("before a fence")
        << u"| a |\n|-|\n```\n| b |"_s << Blocks{Block::table({{u"a"_s}}), Block::code(u"| b |"_s)};
}

void tst_MarkdownText::wholeReply()
{
    const QString reply = u"## Plan\n"
                          u"I'll update the **bible** and\n"
                          u"  the `shots.yaml`.\n"
                          u"· Thought for 3s\n"
                          u"1. Rename the lead\n"
                          u"2. Re-cut scene 4\n"
                          u"\n"
                          u"| Shot | Model |\n"
                          u"|:-----|------:|\n"
                          u"| 1A | veo |\n"
                          u"| 1B |\n"
                          u"```yaml\n"
                          u"shots:\n"
                          u"  - id: 1A\n"
                          u"```\n"
                          u"Done."_s;
    const Blocks expected{
        Block::heading(2, u"Plan"_s),
        Block::paragraph(u"I'll update the **bible** and\n  the `shots.yaml`."_s),
        Block::note(u"· Thought for 3s"_s),
        Block::list(
            {ordered(u"1."_s, u"Rename the lead"_s), ordered(u"2."_s, u"Re-cut scene 4"_s)}),
        Block::table({{u"Shot"_s, u"Model"_s}, {u"1A"_s, u"veo"_s}, {u"1B"_s, QString()}}),
        Block::code(u"shots:\n  - id: 1A"_s),
        Block::paragraph(u"Done."_s),
    };
    QCOMPARE(MarkdownText::blocks(reply), expected);
}

// Random texts over the characters the parser reacts to: nothing may crash or read out of
// bounds (run under the sanitizer build), and every block must keep its promises.
void tst_MarkdownText::arbitraryTextKeepsInvariants()
{
    const QString alphabet = u"#-*+1٣. |`·\n\r\t a:\xD835\xDFD9\xD835"_s;
    QRandomGenerator random(20261211);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = random.bounded(60);
        for (int i = 0; i < length; ++i)
            text += alphabet.at(random.bounded(int(alphabet.size())));
        for (const Block &block : MarkdownText::blocks(text)) {
            switch (block.kind) {
            case Block::Kind::Heading:
                QVERIFY2(block.level >= 1 && block.level <= 6, qPrintable(text));
                break;
            case Block::Kind::List:
                QVERIFY2(!block.items.isEmpty(), qPrintable(text));
                break;
            case Block::Kind::Table:
                QVERIFY2(!block.rows.isEmpty(), qPrintable(text));
                for (const QStringList &row : block.rows)
                    QVERIFY2(row.size() == block.rows.front().size(), qPrintable(text));
                break;
            case Block::Kind::Paragraph:
                QVERIFY2(!block.text.isEmpty(), qPrintable(text));
                break;
            case Block::Kind::Code:
            case Block::Kind::Note:
                break;
            }
        }
    }
}

QTEST_GUILESS_MAIN(tst_MarkdownText)
#include "tst_MarkdownText.moc"
