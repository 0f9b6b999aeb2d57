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
        // Markdown headings.
        QTest::newRow("heading") << "md"
                                 << "# Title"
                                 << "SBBBBBB";
        QTest::newRow("no space after hash") << "md"
                                             << "#Title"
                                             << "LLLLLL";
        QTest::newRow("seven hashes") << "md"
                                      << "####### x"
                                      << "LLLLLLLLL";
        QTest::newRow("six hashes") << "md"
                                    << "###### x"
                                    << "SSSSSSBB";
        QTest::newRow("hashes alone") << "md"
                                      << "##"
                                      << "SS";
        QTest::newRow("bold inside heading") << "md"
                                             << "# **a**"
                                             << "SBBBBBB";
        QTest::newRow("tab after hash") << "md"
                                        << "#\tx"
                                        << "SBB";
        // Markdown bold and code.
        QTest::newRow("bold and code") << "md"
                                       << "**a** and `b`"
                                       << "YYYYYLLLLLPPP";
        QTest::newRow("single star inside bold") << "md"
                                                 << "**a*b**"
                                                 << "YYYYYYY";
        QTest::newRow("four stars") << "md"
                                    << "****"
                                    << "LLLL";
        QTest::newRow("underscores") << "md"
                                     << "x __y__"
                                     << "LLYYYYY";
        QTest::newRow("mixed markers") << "md"
                                       << "**a__"
                                       << "LLLLL";
        QTest::newRow("code inside bold") << "md"
                                          << "**`c`**"
                                          << "YYPPPYY";
        QTest::newRow("empty code") << "md"
                                    << "``"
                                    << "LL";
        QTest::newRow("unclosed code") << "md"
                                       << "`a"
                                       << "LL";
        QTest::newRow("yaml rules not in body") << "md"
                                                << "a: 1"
                                                << "LLLL";
        QTest::newRow("bold per line") << "md"
                                       << "**a\nb**"
                                       << "LLLLLLL";
        // YAML.
        QTest::newRow("list item with comment") << "yaml"
                                                << "- name: Ada # lead"
                                                << "PPPPPPLPPPPSSSSSSS";
        QTest::newRow("numbers and brackets") << "yaml"
                                              << "size: [1, 2.5, -3]"
                                              << "PPPPLPYYPPYYYPPYYY";
        QTest::newRow("letter and digit") << "yaml"
                                          << "a2"
                                          << "PP";
        QTest::newRow("number with unit") << "yaml"
                                          << "1.5s"
                                          << "PPPP";
        QTest::newRow("time") << "yaml"
                              << "10:30"
                              << "PPPPP";
        QTest::newRow("colon without space") << "yaml"
                                             << "a:b: c"
                                             << "PPPPPP";
        QTest::newRow("colon at end") << "yaml"
                                      << "shots:"
                                      << "PPPPPL";
        QTest::newRow("only the first key colon") << "yaml"
                                                  << "a: b: c"
                                                  << "PLPPPPP";
        QTest::newRow("number value") << "yaml"
                                      << "n: 42"
                                      << "PLPYY";
        QTest::newRow("comment line") << "yaml"
                                      << "# c: 1"
                                      << "SSSSSS";
        QTest::newRow("hash inside a word") << "yaml"
                                            << "a#b"
                                            << "PPP";
        QTest::newRow("empty line") << "yaml"
                                    << ""
                                    << "";
        QTest::newRow("lines") << "yaml"
                               << "a: 1\n\nb: 2"
                               << "PLPYLLPLPY";
        QTest::newRow("crlf") << "yaml"
                              << "a: 1\r\nb"
                              << "PLPYLLP";
        // Front matter.
        QTest::newRow("front matter") << "md"
                                      << "---\ntitle: X\n---\n# Body"
                                      << "SSSLPPPPPLPPLSSSLSBBBBB";
        QTest::newRow("front matter, spaced delimiters") << "md"
                                                         << " --- \nn: 2\n---\n**b**"
                                                         << "SSSSSLPLPYLSSSLYYYYY";
        QTest::newRow("front matter, empty") << "md"
                                             << "---\n---\na: 1"
                                             << "SSSLSSSLLLLL";
        QTest::newRow("front matter, heading inside") << "md"
                                                      << "---\n# c\n---\n"
                                                      << "SSSLSSSLSSSL";
        QTest::newRow("unclosed front matter") << "md"
                                               << "---\n# a\nb: 1"
                                               << "LLLLSBBLLLLL";
        QTest::newRow("delimiter later in body") << "md"
                                                 << "x\n---\ny: 1\n---"
                                                 << "LLLLLLLLLLLLLL";
        QTest::newRow("third delimiter is body") << "md"
                                                 << "---\n---\n---"
                                                 << "SSSLSSSLLLL";
        QTest::newRow("yaml has no front matter") << "yaml"
                                                  << "---\na\n---"
                                                  << "PPPLPLPPP";
        QTest::newRow("empty markdown") << "md"
                                        << ""
                                        << "";
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
