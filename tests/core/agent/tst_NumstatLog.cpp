#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include "core/agent/NumstatLog.h"

using Commits = QList<DiffCommit>;

namespace {

DiffCommit commit(const QString &when, const QString &message, QList<DiffFile> files = {})
{
    return DiffCommit{when, message, files};
}

} // namespace

class tst_NumstatLog : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void encodesAsJson();
};

void tst_NumstatLog::parse_data()
{
    QTest::addColumn<QString>("log");
    QTest::addColumn<Commits>("expected");

    const QString t1 = u"2026-03-01T09:30:00+01:00"_qs;
    const QString t2 = u"2026-02-28T18:00:00Z"_qs;

    QTest::newRow("empty") << QString() << Commits{};
    QTest::newRow("one commit, two files")
        << t1 + u"\tRevise the pilot\n12\t3\tbible/world.md\n0\t7\tscript.fountain"_qs
        << Commits{commit(t1, u"Revise the pilot"_qs,
                          {{u"bible/world.md"_qs, 12, 3}, {u"script.fountain"_qs, 0, 7}})};
    QTest::newRow("binary file counts 0 and 0")
        << t1 + u"\tAdd a still\n-\t-\tstills/opening.png"_qs
        << Commits{commit(t1, u"Add a still"_qs, {{u"stills/opening.png"_qs, 0, 0}})};
    QTest::newRow("merge and empty commits have no files")
        << t1 + u"\tMerge branch 'main'\n"_qs + t2 + u"\t\n3\t1\ta.md"_qs
        << Commits{commit(t1, u"Merge branch 'main'"_qs),
                   commit(t2, QString(), {{u"a.md"_qs, 3, 1}})};
    QTest::newRow("a rename is the new path")
        << t1 + u"\tRename\n0\t0\tcharacters/mara.md"_qs
        << Commits{commit(t1, u"Rename"_qs, {{u"characters/mara.md"_qs, 0, 0}})};
    QTest::newRow("file lines before any header are ignored")
        << u"4\t4\torphan.md\n"_qs + t1 + u"\tFirst"_qs << Commits{commit(t1, u"First"_qs)};
    QTest::newRow("empty lines are skipped, a trailing line feed too")
        << u"\n\n"_qs + t1 + u"\tFirst\n\n1\t2\ta.md\n"_qs
        << Commits{commit(t1, u"First"_qs, {{u"a.md"_qs, 1, 2}})};
    QTest::newRow("header needs both T and -")
        << t1 + u"\tFirst\n20260301\tno dash\nno-tee-here\tnot a header\n1\t1\ta.md"_qs
        << Commits{commit(t1, u"First"_qs, {{u"a.md"_qs, 1, 1}})};
    // Three pieces: a file line of path "summary" with counts that are no numbers.
    QTest::newRow("a summary with a tab is no header")
        << t1 + u"\tFirst\n"_qs + t2 + u"\tsplit\tsummary"_qs
        << Commits{commit(t1, u"First"_qs, {{u"summary"_qs, 0, 0}})};
    QTest::newRow("counts that are not decimal integers count 0")
        << t1 + u"\tOdd\n 5\t5 \ta\n+7\t-2\tb\n12x\t\tc\n99999999999999999999\t3\td"_qs
        << Commits{commit(t1, u"Odd"_qs,
                          {{u"a"_qs, 0, 0}, {u"b"_qs, 7, -2}, {u"c"_qs, 0, 0}, {u"d"_qs, 0, 3}})};
    QTest::newRow("lines of other shapes are ignored")
        << t1 + u"\tFirst\njust text\n1\t2\t3\t4\n\t\t\n"_qs
        << Commits{commit(t1, u"First"_qs, {{QString(), 0, 0}})};
    QTest::newRow("carriage return stays in the piece")
        << t1 + u"\tFirst\r\n1\t2\ta.md\r"_qs
        << Commits{commit(t1, u"First\r"_qs, {{u"a.md\r"_qs, 1, 2}})};
}

void tst_NumstatLog::parse()
{
    QFETCH(QString, log);
    QFETCH(Commits, expected);
    const Commits actual = NumstatLog::parseNumstatLog(log);
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        QCOMPARE(actual[i].when, expected[i].when);
        QCOMPARE(actual[i].message, expected[i].message);
        QCOMPARE(actual[i].files.size(), expected[i].files.size());
        for (qsizetype f = 0; f < actual[i].files.size(); ++f) {
            QCOMPARE(actual[i].files[f].path, expected[i].files[f].path);
            QCOMPARE(actual[i].files[f].added, expected[i].files[f].added);
            QCOMPARE(actual[i].files[f].removed, expected[i].files[f].removed);
        }
    }
    QVERIFY(actual == expected);
}

void tst_NumstatLog::encodesAsJson()
{
    const DiffCommit original =
        commit(u"2026-03-01T09:30:00Z"_qs, u"Ship"_qs, {{u"a.md"_qs, 2, 1}, {u"b.png"_qs, 0, 0}});
    const QJsonObject json = original.toJson();
    QCOMPARE(json.keys(), (QStringList{u"files"_qs, u"message"_qs, u"when"_qs}));
    QCOMPARE(json.value(u"files"_qs).toArray().at(0).toObject(),
             (QJsonObject{{u"path"_qs, u"a.md"_qs}, {u"added"_qs, 2}, {u"removed"_qs, 1}}));
    QCOMPARE(DiffCommit::fromJson(json), original);
    QCOMPARE(DiffCommit::fromJson(QJsonObject{}), DiffCommit{});
}

QTEST_GUILESS_MAIN(tst_NumstatLog)
#include "tst_NumstatLog.moc"
