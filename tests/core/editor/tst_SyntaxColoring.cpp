#include <QTest>

#include "core/editor/SyntaxColoring.h"
#include "core/editor/SyntaxPalette.h"

// Expected colours are written one letter per UTF-16 unit: L label, S secondary label, B blue,
// Y yellow, P pink.
namespace {

const QColor kLabel(0x11, 0x22, 0x33);
const QColor kSecondaryLabel(0x11, 0x22, 0x33, 0x80);

QString codesOf(const QList<SyntaxRole> &roles)
{
    QString codes;
    for (const SyntaxRole role : roles) {
        switch (role) {
        case SyntaxRole::Label:
            codes += u'L';
            break;
        case SyntaxRole::SecondaryLabel:
            codes += u'S';
            break;
        case SyntaxRole::Blue:
            codes += u'B';
            break;
        case SyntaxRole::Yellow:
            codes += u'Y';
            break;
        case SyntaxRole::Pink:
            codes += u'P';
            break;
        }
    }
    return codes;
}

QColor expectedColor(QChar code, bool dark)
{
    switch (code.unicode()) {
    case u'L':
        return kLabel;
    case u'S':
        return kSecondaryLabel;
    case u'B':
        return QColor(dark ? "#61AFEF" : "#0550AE");
    case u'Y':
        return QColor(dark ? "#E5C07B" : "#94660A");
    case u'P':
        return QColor(dark ? "#E06C75" : "#CF222E");
    }
    return {};
}

SyntaxLanguage languageNamed(const QString &name)
{
    return name == u"yaml" ? SyntaxLanguage::Yaml : SyntaxLanguage::Markdown;
}

} // namespace

class tst_SyntaxColoring : public QObject {
    Q_OBJECT

private:
    static void addExamples()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("codes");
        const struct {
            const char *name;
            const char *language;
            const char *text;
            const char *codes;
        } examples[] = {
            // Markdown headings.
            {"heading", "md", "# Title", "SBBBBBB"},
            {"no space after hash", "md", "#Title", "LLLLLL"},
            {"seven hashes", "md", "####### x", "LLLLLLLLL"},
            {"six hashes", "md", "###### x", "SSSSSSBB"},
            {"hashes alone", "md", "##", "SS"},
            {"bold inside heading", "md", "# **a**", "SBBBBBB"},
            {"tab after hash", "md", "#\tx", "SBB"},
            {"no-break space after hash", "md", "#\u00a0x", "SBB"},
            // Markdown bold and code.
            {"bold and code", "md", "**a** and `b`", "YYYYYLLLLLPPP"},
            {"single star inside bold", "md", "**a*b**", "YYYYYYY"},
            {"four stars", "md", "****", "LLLL"},
            {"underscores", "md", "x __y__", "LLYYYYY"},
            {"mixed markers", "md", "**a__", "LLLLL"},
            {"code inside bold", "md", "**`c`**", "YYPPPYY"},
            {"empty code", "md", "``", "LL"},
            {"unclosed code", "md", "`a", "LL"},
            {"yaml rules not in body", "md", "a: 1", "LLLL"},
            {"bold per line", "md", "**a\nb**", "LLLLLLL"},
            // YAML.
            {"list item with comment", "yaml", "- name: Ada # lead", "PPPPPPLPPPPSSSSSSS"},
            {"numbers and brackets", "yaml", "size: [1, 2.5, -3]", "PPPPLPYYPPYYYPPYYY"},
            {"letter and digit", "yaml", "a2", "PP"},
            {"number with unit", "yaml", "1.5s", "PPPP"},
            {"time", "yaml", "10:30", "PPPPP"},
            {"colon without space", "yaml", "a:b: c", "PPPPPP"},
            {"colon at end", "yaml", "shots:", "PPPPPL"},
            {"only the first key colon", "yaml", "a: b: c", "PLPPPPP"},
            {"number value", "yaml", "n: 42", "PLPYY"},
            {"numbers after a minus", "yaml", "-1 x,2 a-3 --4 [5]", "YYPPPYPPPPPPPPPYYY"},
            {"digits inside words", "yaml", "id: shot-12 t10", "PPLPPPPPPPPPPPP"},
            {"other scripts' digits", "yaml", "n: \u0663", "PLPY"},
            {"comment line", "yaml", "# c: 1", "SSSSSS"},
            {"hash inside a word", "yaml", "a#b", "PPP"},
            {"no-break space before a comment", "yaml", "a\u00a0# c", "PSSSS"},
            {"empty line", "yaml", "", ""},
            {"lines", "yaml", "a: 1\n\nb: 2", "PLPYLLPLPY"},
            {"crlf", "yaml", "a: 1\r\nb", "PLPYLLP"},
            // Front matter.
            {"front matter", "md", "---\ntitle: X\n---\n# Body", "SSSLPPPPPLPPLSSSLSBBBBB"},
            {"front matter, spaced delimiters", "md", " --- \nn: 2\n---\n**b**",
             "SSSSSLPLPYLSSSLYYYYY"},
            {"front matter, empty", "md", "---\n---\na: 1", "SSSLSSSLLLLL"},
            {"front matter, heading inside", "md", "---\n# c\n---\n", "SSSLSSSLSSSL"},
            {"unclosed front matter", "md", "---\n# a\nb: 1", "LLLLSBBLLLLL"},
            {"delimiter later in body", "md", "x\n---\ny: 1\n---", "LLLLLLLLLLLLLL"},
            {"third delimiter is body", "md", "---\n---\n---", "SSSLSSSLLLL"},
            {"yaml has no front matter", "yaml", "---\na\n---", "PPPLPLPPP"},
            {"empty markdown", "md", "", ""},
        };
        for (const auto &example : examples) {
            QTest::newRow(example.name)
                << QString(example.language) << QString::fromUtf8(example.text)
                << QString(example.codes);
        }
    }

private slots:
    void roles_data() { addExamples(); }
    void roles()
    {
        QFETCH(QString, language);
        QFETCH(QString, text);
        QFETCH(QString, codes);
        const QList<SyntaxSpan> spans = SyntaxColoring::textSpans(text, languageNamed(language));
        QCOMPARE(codesOf(SyntaxColoring::roles(text.size(), spans)), codes);

        // The runs colour every unit once, the same way, and never split a run of one role.
        const QList<SyntaxSpan> runs = SyntaxColoring::runs(text.size(), spans);
        QCOMPARE(codesOf(SyntaxColoring::roles(text.size(), runs)), codes);
        qsizetype end = 0;
        for (qsizetype i = 0; i < runs.size(); ++i) {
            QCOMPARE(runs[i].start, end);
            QVERIFY(runs[i].length > 0);
            QVERIFY(i == 0 || runs[i - 1].role != runs[i].role);
            end += runs[i].length;
        }
        QCOMPARE(end, text.size());
    }

    void colours_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("codes");
        const struct {
            const char *name;
            const char *language;
            const char *text;
            const char *codes;
        } examples[] = {
            {"heading", "md", "# Title", "SBBBBBB"},
            {"bold and code", "md", "**a** and `b`", "YYYYYLLLLLPPP"},
            {"list item with comment", "yaml", "- name: Ada # lead", "PPPPPPLPPPPSSSSSSS"},
            {"numbers and brackets", "yaml", "size: [1, 2.5, -3]", "PPPPLPYYPPYYYPPYYY"},
            {"front matter", "md", "---\ntitle: X\n---\n# Body", "SSSLPPPPPLPPLSSSLSBBBBB"},
        };
        for (const bool dark : {false, true}) {
            for (const auto &example : examples) {
                QTest::addRow("%s, %s", dark ? "dark" : "light", example.name)
                    << dark << example.language << example.text << example.codes;
            }
        }
    }
    void colours()
    {
        QFETCH(bool, dark);
        QFETCH(QString, language);
        QFETCH(QString, text);
        QFETCH(QString, codes);
        const SyntaxPalette palette(dark, kLabel, kSecondaryLabel);
        const QList<SyntaxRole> roles = SyntaxColoring::roles(
            text.size(), SyntaxColoring::textSpans(text, languageNamed(language)));
        QCOMPARE(roles.size(), codes.size());
        for (qsizetype i = 0; i < roles.size(); ++i) {
            const QColor actual = palette.color(roles[i]);
            const QColor expected = expectedColor(codes[i], dark);
            if (actual != expected) {
                QFAIL(qPrintable(
                    QStringLiteral("character %1: %2, expected %3")
                        .arg(i)
                        .arg(actual.name(QColor::HexArgb), expected.name(QColor::HexArgb))));
            }
        }
    }

    void fixedColoursAreOpaque()
    {
        for (const bool dark : {false, true}) {
            for (const SyntaxRole role : {SyntaxRole::Blue, SyntaxRole::Yellow, SyntaxRole::Pink})
                QCOMPARE(SyntaxPalette::fixedColor(role, dark).alpha(), 255);
        }
    }

    void frontMatterEnd_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("end"); // -1: no front matter
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("opened only") << "---" << -1;
        QTest::newRow("opened, trailing newline") << "---\n" << -1;
        QTest::newRow("closed at the end") << "---\n---" << 7;
        QTest::newRow("terminator included") << "---\na\n---\nb" << 10;
        QTest::newRow("trimmed delimiters") << " --- \n\t---\t\n" << 12;
        QTest::newRow("crlf") << "---\r\n---\r\nx" << 10;
        QTest::newRow("first line is text") << "x\n---\n---" << -1;
        QTest::newRow("four dashes") << "----\n---" << -1;
        QTest::newRow("first closing wins") << "---\na\n---\nb\n---\n" << 10;
    }
    void frontMatterEnd()
    {
        QFETCH(QString, text);
        QFETCH(int, end);
        const std::optional<qsizetype> actual = SyntaxColoring::frontMatterEnd(text);
        QCOMPARE(actual ? int(*actual) : -1, end);
    }

    void spansKeepRuleOrder()
    {
        // The comment is applied after the number and bracket rules, so it wins where they meet.
        const QList<SyntaxSpan> spans = SyntaxColoring::yamlLine(u"a: [1] # 2");
        QCOMPARE(spans.first(), (SyntaxSpan{0, 10, SyntaxRole::Pink}));
        QCOMPARE(spans.last(), (SyntaxSpan{6, 4, SyntaxRole::SecondaryLabel}));
        QCOMPARE(codesOf(SyntaxColoring::roles(10, spans)), u"PLPYYYSSSS");
    }
};

QTEST_GUILESS_MAIN(tst_SyntaxColoring)
#include "tst_SyntaxColoring.moc"
