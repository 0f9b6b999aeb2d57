#include <cmath>
#include <limits>

#include <QTest>

#include "core/agent/AgentNotes.h"

class tst_AgentNotes : public QObject {
    Q_OBJECT

private slots:
    void toolLabels_data();
    void toolLabels();
    void thoughtNote_data();
    void thoughtNote();
    void thoughtNoteFromTimePoints();
    void appendNote_data();
    void appendNote();
    void markTurnEnd_data();
    void markTurnEnd();
    void outsidePathNoteIsCut();
};

void tst_AgentNotes::toolLabels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("note");
    QTest::newRow("read_file with detail")
        << u"read_file"_qs << u"bible/world.md"_qs << u"Reading a file"_qs
        << u"\u00B7 Read: bible/world.md"_qs;
    QTest::newRow("delete_file") << u"delete_file"_qs << QString() << u"Deleting a file"_qs
                                 << u"\u00B7 Deleted"_qs;
    QTest::newRow("generate_location_plate")
        << u"generate_location_plate"_qs << u"harbour"_qs << u"Generating a location plate"_qs
        << u"\u00B7 Generated location plate: harbour"_qs;
    QTest::newRow("project_search") << u"project_search"_qs << QString()
                                    << u"Searching the project"_qs << u"\u00B7 Searched project"_qs;
    QTest::newRow("unknown tool, empty detail")
        << u"summon_muse"_qs << QString() << u"Working"_qs << u"\u00B7 summon_muse"_qs;
    QTest::newRow("names compare exactly")
        << u"Read_File"_qs << u"x"_qs << u"Working"_qs << u"\u00B7 Read_File: x"_qs;
    QTest::newRow("empty name") << QString() << QString() << u"Working"_qs << u"\u00B7 "_qs;
}

void tst_AgentNotes::toolLabels()
{
    QFETCH(QString, name);
    QFETCH(QString, detail);
    QFETCH(QString, activity);
    QFETCH(QString, note);
    QCOMPARE(AgentNotes::toolActivity(name), activity);
    QCOMPARE(AgentNotes::toolNote(name, detail), note);
}

void tst_AgentNotes::thoughtNote_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("note");
    const QString briefly = u"\u00B7 Thought briefly"_qs;
    QTest::newRow("0.3 s") << 0.3 << briefly;
    QTest::newRow("just below a half") << 0.499 << briefly;
    QTest::newRow("negative") << -4.0 << briefly;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << briefly;
    QTest::newRow("a half rounds up to 1s") << 0.5 << u"\u00B7 Thought for 1s"_qs;
    QTest::newRow("0.6 s") << 0.6 << u"\u00B7 Thought for 1s"_qs;
    QTest::newRow("12.5 s, half away from zero") << 12.5 << u"\u00B7 Thought for 13s"_qs;
    QTest::newRow("59.4 s") << 59.4 << u"\u00B7 Thought for 59s"_qs;
    QTest::newRow("59.5 s is a whole minute") << 59.5 << u"\u00B7 Thought for 1m 0s"_qs;
    QTest::newRow("65.4 s") << 65.4 << u"\u00B7 Thought for 1m 5s"_qs;
    QTest::newRow("125 s") << 125.0 << u"\u00B7 Thought for 2m 5s"_qs;
    QTest::newRow("infinite does not overflow")
        << std::numeric_limits<double>::infinity() << u"\u00B7 Thought for 150000000000000m 0s"_qs;
}

void tst_AgentNotes::thoughtNote()
{
    QFETCH(double, seconds);
    QFETCH(QString, note);
    QCOMPARE(AgentNotes::thoughtNote(seconds), note);
}

void tst_AgentNotes::thoughtNoteFromTimePoints()
{
    using namespace std::chrono;
    const steady_clock::time_point start{seconds(1000)};
    QCOMPARE(AgentNotes::thoughtNote(start, start + milliseconds(65400)),
             u"\u00B7 Thought for 1m 5s"_qs);
    QCOMPARE(AgentNotes::thoughtNote(start, start + milliseconds(300)),
             u"\u00B7 Thought briefly"_qs);
}

void tst_AgentNotes::appendNote_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty text") << QString() << u"\u00B7 Read\n"_qs;
    QTest::newRow("after reply text") << u"Looking."_qs << u"Looking.\n\u00B7 Read\n"_qs;
    QTest::newRow("after another note")
        << u"\u00B7 Thought briefly\n"_qs << u"\u00B7 Thought briefly\n\n\u00B7 Read\n"_qs;
}

void tst_AgentNotes::appendNote()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    AgentNotes::appendNote(text, u"\u00B7 Read");
    QCOMPARE(text, expected);
}

void tst_AgentNotes::markTurnEnd_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("stopped");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("expected");
    QTest::newRow("normal end keeps the text") << u"Done."_qs << false << QString() << u"Done."_qs;
    QTest::newRow("nothing at all") << QString() << false << QString() << u"(empty reply)"_qs;
    QTest::newRow("stopped before any text") << QString() << true << QString() << u"(stopped)"_qs;
    QTest::newRow("stopped after a thinking note")
        << u"\u00B7 Thought briefly\n"_qs << true << QString()
        << u"\u00B7 Thought briefly\n\n\n(stopped)"_qs;
    QTest::newRow("stop wins over the error")
        << u"Hi"_qs << true << u"Operation canceled"_qs << u"Hi\n\n(stopped)"_qs;
    QTest::newRow("error alone") << QString() << false << u"slow down"_qs
                                 << u"Agent error: slow down"_qs;
    QTest::newRow("error after text") << u"Half a reply"_qs << false << u"model overloaded"_qs
                                      << u"Half a reply\n\n(Agent error: model overloaded)"_qs;
}

void tst_AgentNotes::markTurnEnd()
{
    QFETCH(QString, text);
    QFETCH(bool, stopped);
    QFETCH(QString, error);
    QFETCH(QString, expected);
    AgentNotes::TurnEnd end;
    end.stopped = stopped;
    if (!error.isNull())
        end.error = error;
    AgentNotes::markTurnEnd(text, end);
    QCOMPARE(text, expected);
}

void tst_AgentNotes::outsidePathNoteIsCut()
{
    QCOMPARE(AgentNotes::outsidePathNote(u"../etc/passwd"),
             u"\u26A0 Ignored a file change outside the project: ../etc/passwd"_qs);
    const QString longPath = QString(300, u'a');
    QCOMPARE(AgentNotes::outsidePathNote(longPath),
             AgentNotes::OutsidePathWarning + QString(200, u'a'));
    // A cut that would split a surrogate pair keeps the pair out whole.
    const QString astral = QString(199, u'b') + u"\U0001F3AC" + u"tail";
    QCOMPARE(AgentNotes::outsidePathNote(astral),
             AgentNotes::OutsidePathWarning + QString(199, u'b'));
}

QTEST_GUILESS_MAIN(tst_AgentNotes)
#include "tst_AgentNotes.moc"
