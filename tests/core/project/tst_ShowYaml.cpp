#include <optional>

#include <QTest>

#include "core/git/GitError.h"
#include "core/project/ShowYaml.h"

using Entry = ShowManifest::Entry;
using OptionalText = std::optional<QString>;
using OptionalRange = std::optional<ShowYaml::EntryRange>;

Q_DECLARE_METATYPE(ProjectType)
Q_DECLARE_METATYPE(OptionalText)
Q_DECLARE_METATYPE(OptionalRange)

namespace {

const QString kExample = QStringLiteral("type: series\n"
                                        "title: Harbour Lights\n"
                                        "deliverables:\n"
                                        "  - slug: s1e01\n"
                                        "    kind: episode\n"
                                        "    title: \"Pilot\"\n"
                                        "    season: 1\n"
                                        "    number: 1\n"
                                        "  - slug: s1e02\n"
                                        "    kind: episode\n"
                                        "    season: 1\n"
                                        "    number: 2\n"
                                        "    status: shipped\n"
                                        "    air_date: 2025-03-14\n");

QString optionalText(const std::optional<QString> &value)
{
    return value ? u'"' + *value + u'"' : QStringLiteral("~");
}

QString optionalNumber(std::optional<qint64> value)
{
    return value ? QString::number(*value) : QStringLiteral("~");
}

// One line per entry, "~" for an absent field, so a failing comparison shows what differs.
QString describe(const QList<Entry> &entries)
{
    QStringList lines;
    for (const Entry &e : entries) {
        lines << QStringList{e.slug,
                             e.kind,
                             e.title,
                             optionalNumber(e.season),
                             optionalNumber(e.number),
                             optionalText(e.status),
                             optionalText(e.airDate)}
                     .join(u'|');
    }
    return lines.join(u'\n');
}

QString manifest(const QString &deliverableLines)
{
    return QStringLiteral("type: film\ndeliverables:\n") + deliverableLines;
}

} // namespace

class tst_ShowYaml : public QObject {
    Q_OBJECT

private slots:
    void parsesTheExample()
    {
        const ShowManifest parsed = ShowYaml::parse(kExample);
        ShowManifest expected;
        expected.type = ProjectType::Series;
        expected.title = QStringLiteral("Harbour Lights");
        expected.deliverables = {
            Entry{"s1e01", "episode", "Pilot", 1, 1, std::nullopt, std::nullopt},
            Entry{"s1e02", "episode", "s1e02", 1, 2, "shipped", "2025-03-14"},
        };
        QCOMPARE(describe(parsed.deliverables), describe(expected.deliverables));
        QVERIFY(parsed == expected);
    }

    void rejectsManifestsWithoutValidType_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("only comments") << "# type: series\n   # another\n\n";
        QTest::newRow("no type line") << "title: X\ndeliverables:\n  - slug: a\n";
        QTest::newRow("misspelt") << "type: serie\n";
        QTest::newRow("capitalised") << "type: Series\n";
        QTest::newRow("later invalid overrides") << "type: film\ntitle: X\ntype: movie\n";
        QTest::newRow("later empty overrides") << "type: film\ntype:\n";
        QTest::newRow("CR LF line ends") << "type: series\r\ntitle: X\r\n";
        QTest::newRow("indented type") << "  type: series\n";
        QTest::newRow("type inside an entry") << "deliverables:\n  - type: series\n";
        QTest::newRow("single quotes") << "type: 'film'\n";
        QTest::newRow("no colon") << "type film\n";
    }

    void rejectsManifestsWithoutValidType()
    {
        QFETCH(QString, text);
        try {
            ShowYaml::parse(text);
            QFAIL("parse accepted a manifest without a valid type");
        } catch (const GitError &error) {
            QCOMPARE(error.message(), "slatebox.yaml has no valid type");
        }
    }

    void readsTypeAndTitle_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<ProjectType>("type");
        QTest::addColumn<QString>("title");
        QTest::newRow("no title line") << "type: campaign\n" << ProjectType::Campaign << "Untitled";
        QTest::newRow("empty title") << "type: film\ntitle:\n" << ProjectType::Film << "";
        QTest::newRow("escaped quote")
            << "type: film\ntitle: \"Say \\\"when\\\"\"" << ProjectType::Film << "Say \"when\"";
        QTest::newRow("backslash without quote")
            << "type: film\ntitle: \"a\\nb\"" << ProjectType::Film << "a\\nb";
        QTest::newRow("empty quotes") << "type: film\ntitle: \"\"" << ProjectType::Film << "";
        QTest::newRow("single quotes")
            << "type: film\ntitle: 'Night'" << ProjectType::Film << "'Night'";
        QTest::newRow("lone double quote") << "type: film\ntitle: \"" << ProjectType::Film << "\"";
        QTest::newRow("hash is part of the value")
            << "type: film\ntitle: Night # two" << ProjectType::Film << "Night # two";
        QTest::newRow("colons after the first")
            << "type: film\ntitle: Call at 10:30" << ProjectType::Film << "Call at 10:30";
        QTest::newRow("last title wins") << "title: A\ntype: film\ntitle: B\n"
                                         << ProjectType::Film << "B";
        QTest::newRow("last type wins") << "type: bogus\ntype: series\n"
                                        << ProjectType::Series << "Untitled";
        QTest::newRow("quoted type") << "type: \"film\"\n" << ProjectType::Film << "Untitled";
        QTest::newRow("no space after colon") << "type:film\n" << ProjectType::Film << "Untitled";
        QTest::newRow("unicode spaces trimmed")
            << QStringLiteral("type:\u00a0film\u3000\ntitle:\t\u2003Dawn\u202f")
            << ProjectType::Film << "Dawn";
        QTest::newRow("CR kept on title") << "type: film\ntitle: Dawn\r\n"
                                          << ProjectType::Film << "Dawn\r";
        QTest::newRow("tab-indented is top level") << "\ttype: film\n"
                                                   << ProjectType::Film << "Untitled";
        QTest::newRow("other keys ignored") << "version: 3\ntype: film\nnotes: x: y\n"
                                            << ProjectType::Film << "Untitled";
        QTest::newRow("entry title is not the project title")
            << "type: film\ndeliverables:\n  - slug: a\n    title: Inner\n"
            << ProjectType::Film << "Untitled";
    }

    void readsTypeAndTitle()
    {
        QFETCH(QString, text);
        QFETCH(ProjectType, type);
        QFETCH(QString, title);
        const ShowManifest parsed = ShowYaml::parse(text);
        QCOMPARE(parsed.type, type);
        QCOMPARE(parsed.title, title);
    }

    void readsDeliverables_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("entries"); // describe() of the expected entries

        QTest::newRow("defaults for kind and title")
            << manifest("  - slug: a\n") << "a|custom|a|~|~|~|~";
        QTest::newRow("all keys")
            << manifest("  - slug: a\n    kind: recap\n    title: T\n    season: -1\n"
                        "    number: +3\n    status: wip\n    air_date: 2025-01-02\n")
            << "a|recap|T|-1|3|\"wip\"|\"2025-01-02\"";
        QTest::newRow("entry without slug dropped")
            << manifest("  - kind: opening\n  - slug: b\n") << "b|custom|b|~|~|~|~";
        QTest::newRow("keys before the first entry ignored")
            << manifest("  slug: orphan\n  - slug: b\n") << "b|custom|b|~|~|~|~";
        QTest::newRow("dash without key starts an entry")
            << manifest("  - slug: a\n  - just words\n    slug: b\n")
            << "a|custom|a|~|~|~|~\nb|custom|b|~|~|~|~";
        QTest::newRow("lone dash is no entry")
            << manifest("  - slug: a\n  -\n    kind: credits\n") << "a|credits|a|~|~|~|~";
        QTest::newRow("repeated key keeps the last")
            << manifest("  - slug: a\n    kind: x\n    kind: episode\n") << "a|episode|a|~|~|~|~";
        QTest::newRow("deeper indentation reads the same")
            << manifest("    - slug: a\n          kind: opening\n  kind: credits\n")
            << "a|credits|a|~|~|~|~";
        QTest::newRow("blank lines and comments inside the list")
            << manifest(
                   "\n# top comment\n  - slug: a\n\n    # note\n    title: A # not a comment\n")
            << "a|custom|A # not a comment|~|~|~|~";
        QTest::newRow("tab before the dash ends the list")
            << manifest("  - slug: a\n\t- slug: b\n  - slug: c\n") << "a|custom|a|~|~|~|~";
        QTest::newRow("dash at column 0 ends the list")
            << manifest("- slug: a\n  - slug: b\n") << "";
        QTest::newRow("inline empty list") << "type: film\ndeliverables: []\n  - slug: a\n"
                                           << "";
        QTest::newRow("deliverables with a comment is not the list")
            << "type: film\ndeliverables: # none yet\n  - slug: a\n"
            << "";
        QTest::newRow("indented lines before the list ignored")
            << "type: film\n  - slug: early\ndeliverables:\n  - slug: a\n"
            << "a|custom|a|~|~|~|~";
        QTest::newRow("top-level key ends the list")
            << manifest("  - slug: a\nnotes: x\n  - slug: b\n") << "a|custom|a|~|~|~|~";
        QTest::newRow("second deliverables line reopens")
            << manifest("  - slug: a\nnotes: x\n  - slug: b\ndeliverables:\n  - slug: c\n")
            << "a|custom|a|~|~|~|~\nc|custom|c|~|~|~|~";
        QTest::newRow("slug spellings the parser accepts")
            << manifest("  - slug:a\n  - slug:  b\n  - slug: 'c'\n  - slug: \"d\"\n")
            << "a|custom|a|~|~|~|~\nb|custom|b|~|~|~|~\n'c'|custom|'c'|~|~|~|~\nd|custom|d|~|~|~|~";
        QTest::newRow("extra space after dash")
            << manifest("  -  slug: a\n") << "a|custom|a|~|~|~|~";
        QTest::newRow("CR stays in the value")
            << manifest("  - slug: a\r\n") << "a\r|custom|a\r|~|~|~|~";
        QTest::newRow("empty values")
            << manifest("  - slug: a\n    kind:\n    title:\n    status:\n") << "a|||~|~|\"\"|~";
    }

    void readsDeliverables()
    {
        QFETCH(QString, text);
        QFETCH(QString, entries);
        QCOMPARE(describe(ShowYaml::parse(text).deliverables), entries);
    }

    void readsWholeNumbers_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("number"); // optionalNumber() of the expected field
        QTest::newRow("plain") << "12"
                               << "12";
        QTest::newRow("plus") << "+7"
                              << "7";
        QTest::newRow("minus one") << "-1"
                                   << "-1";
        QTest::newRow("minus zero") << "-0"
                                    << "0";
        QTest::newRow("leading zeros") << "007"
                                       << "7";
        QTest::newRow("max") << "9223372036854775807"
                             << "9223372036854775807";
        QTest::newRow("min") << "-9223372036854775808"
                             << "-9223372036854775808";
        QTest::newRow("above max") << "9223372036854775808"
                                   << "~";
        QTest::newRow("below min") << "-9223372036854775809"
                                   << "~";
        QTest::newRow("far above max") << "123456789012345678901234567890"
                                       << "~";
        QTest::newRow("decimal") << "1.0"
                                 << "~";
        QTest::newRow("word") << "one"
                              << "~";
        QTest::newRow("ordinal") << "1st"
                                 << "~";
        QTest::newRow("empty") << ""
                               << "~";
        QTest::newRow("sign only") << "-"
                                   << "~";
        QTest::newRow("two signs") << "+-1"
                                   << "~";
        QTest::newRow("space after sign") << "- 1"
                                          << "~";
        QTest::newRow("inner space") << "1 2"
                                     << "~";
        QTest::newRow("hex") << "0x10"
                             << "~";
        QTest::newRow("exponent") << "1e3"
                                  << "~";
        QTest::newRow("full-width digit") << QStringLiteral("\uff11") << "~";
        QTest::newRow("arabic-indic digit") << QStringLiteral("\u0661") << "~";
    }

    void readsWholeNumbers()
    {
        QFETCH(QString, value);
        QFETCH(QString, number);
        const ShowManifest parsed = ShowYaml::parse(
            manifest("  - slug: a\n    season: " + value + "\n    number: " + value + "\n"));
        QCOMPARE(parsed.deliverables.size(), 1);
        QCOMPARE(optionalNumber(parsed.deliverables[0].season), number);
        QCOMPARE(optionalNumber(parsed.deliverables[0].number), number);
    }

    void keyValue_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("isKeyValue");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << "kind: episode" << true << "kind"
                               << "episode";
        QTest::newRow("no colon") << "just words" << false << ""
                                  << "";
        QTest::newRow("empty value") << "status:" << true << "status"
                                     << "";
        QTest::newRow("empty key") << ": x" << true << ""
                                   << "x";
        QTest::newRow("trimmed both sides") << " \tkey \t:\t value  " << true << "key"
                                            << "value";
        QTest::newRow("first colon splits") << "a:b:c" << true << "a"
                                            << "b:c";
        QTest::newRow("quoted") << "k: \"v: w\"" << true << "k"
                                << "v: w";
        QTest::newRow("quotes only at one end") << "k: \"v" << true << "k"
                                                << "\"v";
        QTest::newRow("escaped quotes") << "k: \"\\\"\\\"\"" << true << "k"
                                        << "\"\"";
        QTest::newRow("single quotes kept") << "k: 'v'" << true << "k"
                                            << "'v'";
        QTest::newRow("quotes inside spaces") << "k:  \" v \"  " << true << "k"
                                              << " v ";
    }

    void keyValue()
    {
        QFETCH(QString, line);
        QFETCH(bool, isKeyValue);
        QFETCH(QString, key);
        QFETCH(QString, value);
        const auto pair = ShowYaml::keyValue(line);
        QCOMPARE(pair.has_value(), isKeyValue);
        if (pair) {
            QCOMPARE(pair->first, key);
            QCOMPARE(pair->second, value);
        }
    }

    void entryRange_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("slug");
        QTest::addColumn<OptionalRange>("range");
        using R = ShowYaml::EntryRange;
        QTest::newRow("first example entry") << kExample << "s1e01" << OptionalRange(R{3, 8, 4});
        QTest::newRow("last example entry") << kExample << "s1e02" << OptionalRange(R{8, 14, 4});
        QTest::newRow("unknown slug") << kExample << "s1e03" << OptionalRange();
        QTest::newRow("slug is a prefix") << kExample << "s1e0" << OptionalRange();
        QTest::newRow("quoted slug")
            << manifest("  - slug: \"a\"\n") << "a" << OptionalRange(R{2, 3, 4});
        QTest::newRow("slug on a later line") << manifest("  - kind: x\n    slug: a\n  - slug: b\n")
                                              << "a" << OptionalRange(R{2, 4, 4});
        QTest::newRow("no space after colon") << manifest("  - slug:a\n") << "a" << OptionalRange();
        QTest::newRow("two spaces after colon")
            << manifest("  - slug:  a\n") << "a" << OptionalRange();
        QTest::newRow("single-quoted slug")
            << manifest("  - slug: 'a'\n") << "a" << OptionalRange();
        QTest::newRow("inner blanks inside, trailing outside")
            << manifest("  - slug: a\n\n    # c\n    kind: x\n\n  # next\n  - slug: b\n") << "a"
            << OptionalRange(R{2, 6, 4});
        QTest::newRow("item indent sets key indent")
            << manifest("    - slug: a\n      kind: x\n") << "a" << OptionalRange(R{2, 4, 6});
        QTest::newRow("dash at another indent continues the entry")
            << manifest("  - slug: a\n    - slug: b\n  - slug: c\n") << "b"
            << OptionalRange(R{2, 4, 4});
        QTest::newRow("entry ends at a top-level line")
            << manifest("  - slug: a\nnotes: x\n  kind: y\n") << "a" << OptionalRange(R{2, 3, 4});
        QTest::newRow("outside the list") << "type: film\n  - slug: a\n"
                                          << "a" << OptionalRange();
        QTest::newRow("slug only in a comment")
            << manifest("  # slug: a\n  - slug: b\n") << "a" << OptionalRange();
        QTest::newRow("slug only in another title")
            << manifest("  - slug: b\n    title: slug: a\n") << "a" << OptionalRange();
        QTest::newRow("item indent survives a reopened list")
            << manifest("  - slug: a\nnotes: x\ndeliverables:\n    - slug: b\n") << "b"
            << OptionalRange();
        QTest::newRow("empty slug") << manifest("  - slug: \n") << "" << OptionalRange();
        QTest::newRow("CR LF file") << "deliverables:\r\n  - slug: a\r\n"
                                    << "a" << OptionalRange();
    }

    void entryRange()
    {
        QFETCH(QString, text);
        QFETCH(QString, slug);
        QFETCH(OptionalRange, range);
        const OptionalRange found = ShowYaml::entryRange(text.split(u'\n'), slug);
        QCOMPARE(found.has_value(), range.has_value());
        if (found) {
            QCOMPARE(found->start, range->start);
            QCOMPARE(found->end, range->end);
            QCOMPARE(found->keyIndent, range->keyIndent);
        }
    }

    void settingStatus_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("slug");
        QTest::addColumn<QString>("status");
        QTest::addColumn<OptionalText>("airDate");
        QTest::addColumn<QString>("expected");

        QString shippedFirst = kExample;
        shippedFirst.replace("    number: 1\n",
                             "    number: 1\n    status: shipped\n    air_date: 2025-06-01\n");
        QTest::newRow("appends after the entry's last line")
            << kExample << "s1e01"
            << "shipped" << OptionalText("2025-06-01") << shippedFirst;

        QString revisedSecond = kExample;
        revisedSecond.replace("status: shipped", "status: wip");
        QTest::newRow("replaces in place, keeps air date")
            << kExample << "s1e02"
            << "wip" << OptionalText() << revisedSecond;

        QString reshippedSecond = revisedSecond;
        reshippedSecond.replace("status: wip", "status: shipped")
            .replace("2025-03-14", "2026-12-11");
        QTest::newRow("replaces both in place")
            << revisedSecond << "s1e02"
            << "shipped" << OptionalText("2026-12-11") << reshippedSecond;

        QTest::newRow("status on the dash line")
            << manifest("  - status: draft\n    slug: a\n") << "a"
            << "shipped" << OptionalText() << manifest("  - status: shipped\n    slug: a\n");
        QTest::newRow("status on a deeper dash line")
            << manifest("  - slug: a\n        - status: draft\n") << "a"
            << "wip" << OptionalText() << manifest("  - slug: a\n  - status: wip\n");
        QTest::newRow("only the first matching line")
            << manifest("  - slug: a\n    status: x\n    status: y\n") << "a"
            << "wip" << OptionalText() << manifest("  - slug: a\n    status: wip\n    status: y\n");
        QTest::newRow("key indent from the item indent")
            << manifest("    - slug: a\n        kind: x\n") << "a"
            << "wip" << OptionalText()
            << manifest("    - slug: a\n        kind: x\n      status: wip\n");
        QTest::newRow("similar key is not the key")
            << manifest("  - slug: a\n    statuses: many\n") << "a"
            << "wip" << OptionalText()
            << manifest("  - slug: a\n    statuses: many\n    status: wip\n");
        QTest::newRow("missing final line feed stays missing")
            << manifest("  - slug: a") << "a"
            << "wip" << OptionalText("2025-01-01")
            << manifest("  - slug: a\n    status: wip\n    air_date: 2025-01-01");
        QTest::newRow("trailing empty line kept")
            << manifest("  - slug: a\n\n") << "a"
            << "wip" << OptionalText() << manifest("  - slug: a\n    status: wip\n\n");
        QTest::newRow("inserts before trailing comments and blanks")
            << manifest("  - slug: a\n\n  # b is next\n  - slug: b\n") << "a"
            << "wip" << OptionalText()
            << manifest("  - slug: a\n    status: wip\n\n  # b is next\n  - slug: b\n");
        QTest::newRow("comments inside the entry kept")
            << manifest("  - slug: a\n    # keep me\n    kind: x # and me\n") << "a"
            << "wip" << OptionalText()
            << manifest("  - slug: a\n    # keep me\n    kind: x # and me\n    status: wip\n");
        QTest::newRow("CR on other lines kept")
            << "type: film\r\ntitle: X\ndeliverables:\n  - slug: a\n    title: A\r\nnotes: y\r"
            << "a"
            << "wip" << OptionalText()
            << "type: film\r\ntitle: X\ndeliverables:\n  - slug: a\n    title: A\r\n    status: "
               "wip\nnotes: y\r";
        QTest::newRow("values written raw")
            << manifest("  - slug: a\n") << "a"
            << "\"odd\" # value" << OptionalText("")
            << manifest("  - slug: a\n    status: \"odd\" # value\n    air_date: \n");
        QTest::newRow("other entries untouched")
            << manifest("  - slug: a\n    status: wip\n  - slug: b\n    status: wip\n") << "b"
            << "shipped" << OptionalText()
            << manifest("  - slug: a\n    status: wip\n  - slug: b\n    status: shipped\n");
    }

    void settingStatus()
    {
        QFETCH(QString, text);
        QFETCH(QString, slug);
        QFETCH(QString, status);
        QFETCH(OptionalText, airDate);
        QFETCH(QString, expected);
        QCOMPARE(ShowYaml::settingDeliverableStatus(text, slug, status, airDate), expected);
    }

    void settingStatusOfMissingEntryChangesNothing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("slug");
        QTest::newRow("empty text") << ""
                                    << "a";
        QTest::newRow("unknown slug") << kExample << "s2e01";
        QTest::newRow("slug only in a comment") << manifest("  # slug: a\n  - slug: b\n") << "a";
        QTest::newRow("slug only in another title")
            << manifest("  - slug: b\n    title: slug: a\n") << "a";
        QTest::newRow("slug without space") << manifest("  - slug:a\n") << "a";
        QTest::newRow("single-quoted slug") << manifest("  - slug: 'a'") << "a";
        QTest::newRow("CR LF file") << "type: film\r\ndeliverables:\r\n  - slug: a\r\n"
                                    << "a";
    }

    void settingStatusOfMissingEntryChangesNothing()
    {
        QFETCH(QString, text);
        QFETCH(QString, slug);
        QCOMPARE(ShowYaml::settingDeliverableStatus(text, slug, "shipped", "2025-01-01"), text);
    }

    void editedManifestReadsBack()
    {
        const QString edited =
            ShowYaml::settingDeliverableStatus(kExample, "s1e01", "shipped", "2025-06-01");
        const ShowManifest parsed = ShowYaml::parse(edited);
        QCOMPARE(parsed.deliverables.size(), 2);
        QCOMPARE(parsed.deliverables[0].status, std::optional<QString>("shipped"));
        QCOMPARE(parsed.deliverables[0].airDate, std::optional<QString>("2025-06-01"));
        QCOMPARE(parsed.deliverables[1], ShowYaml::parse(kExample).deliverables[1]);
    }
};

QTEST_GUILESS_MAIN(tst_ShowYaml)
#include "tst_ShowYaml.moc"
