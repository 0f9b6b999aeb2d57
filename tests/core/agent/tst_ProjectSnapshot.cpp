#include <QSignalSpy>
#include <QTest>

#include "AgentTestFiles.h"
#include "core/agent/AgentConversation.h"
#include "core/agent/ProjectSnapshot.h"

using Files = QList<AgentChatBody::File>;

namespace {

using AgentTestFiles::file;
using AgentTestFiles::index;

FileIndex project()
{
    const ProjectFile sheet = file(u"characters/mara/sheet.png"_qs, {}, true);
    return index({
        file(u"slatebox.yaml"_qs, u"title: Night Shift\n"_qs),
        file(u"script.fountain"_qs, u"INT. DINER - NIGHT (edited, unsaved)"_qs),
        ProjectFile(u"characters/mara"_qs, std::nullopt, {}, {sheet}),
        sheet,
        file(u"audio/theme.MP3"_qs, {}, true),
        file(u"audio/room.Wav"_qs, {}, true),
        file(u"audio/take.flac"_qs, {}, true),
        file(u"notes/empty-folder"_qs, {}),
        file(u"huge.txt"_qs, QString(ProjectSnapshot::maxFileCharacters, u'x')),
        file(u"almost.txt"_qs, QString(ProjectSnapshot::maxFileCharacters - 1, u'x')),
    });
}

} // namespace

class tst_ProjectSnapshot : public QObject {
    Q_OBJECT

private slots:
    void snapshot();
    void placeholders_data();
    void placeholders();
    void sizeLimitCountsUserPerceivedCharacters();
    void layoutIsFrozenAtTheFirstTurn();
};

void tst_ProjectSnapshot::snapshot()
{
    const Files snapshot = ProjectSnapshot::projectSnapshot(project());
    QStringList paths;
    for (const AgentChatBody::File &f : snapshot)
        paths.append(f.path);
    // Groups and files of a million characters or more are left out; the rest sorted by path.
    QCOMPARE(paths,
             (QStringList{u"almost.txt"_qs, u"audio/room.Wav"_qs, u"audio/take.flac"_qs,
                          u"audio/theme.MP3"_qs, u"characters/mara/sheet.png"_qs,
                          u"notes/empty-folder"_qs, u"script.fountain"_qs, u"slatebox.yaml"_qs}));
    QCOMPARE(snapshot.at(1).contents, u"(binary audio)"_qs);
    QCOMPARE(snapshot.at(2).contents, u"(binary image)"_qs);
    QCOMPARE(snapshot.at(3).contents, u"(binary audio)"_qs);
    QCOMPARE(snapshot.at(4).contents, u"(binary image)"_qs);
    QCOMPARE(snapshot.at(6).contents, u"INT. DINER - NIGHT (edited, unsaved)"_qs);
    QVERIFY(ProjectSnapshot::projectSnapshot({}).isEmpty());
}

void tst_ProjectSnapshot::placeholders_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("mp3 upper") << u"a/theme.MP3"_qs << u"(binary audio)"_qs;
    QTest::newRow("wav") << u"a.wav"_qs << u"(binary audio)"_qs;
    QTest::newRow("m4a") << u"a.m4a"_qs << u"(binary audio)"_qs;
    QTest::newRow("aac") << u"a.aac"_qs << u"(binary audio)"_qs;
    QTest::newRow("png") << u"a.png"_qs << u"(binary image)"_qs;
    QTest::newRow("no extension") << u"audio/mp3"_qs << u"(binary image)"_qs;
    QTest::newRow("dot in folder only") << u"a.mp3/file"_qs << u"(binary image)"_qs;
    QTest::newRow("double extension") << u"a.mp3.png"_qs << u"(binary image)"_qs;
}

void tst_ProjectSnapshot::placeholders()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(ProjectSnapshot::binaryPlaceholder(path), expected);
}

void tst_ProjectSnapshot::sizeLimitCountsUserPerceivedCharacters()
{
    // 600000 accented letters: 1200000 code units, 600000 characters.
    const QString accented = QString(u"e\u0301"_qs).repeated(600000);
    QVERIFY(ProjectSnapshot::isSendable(file(u"a.md"_qs, accented)));
    QVERIFY(!ProjectSnapshot::isSendable(file(u"b.md"_qs, accented + accented)));
}

void tst_ProjectSnapshot::layoutIsFrozenAtTheFirstTurn()
{
    FileIndex files = project();
    AgentConversation first;
    QSignalSpy spy(&first, &AgentConversation::conversationLayoutChanged);
    const QStringList layout = ProjectSnapshot::layoutSnapshot(first, files);
    QVERIFY(layout.contains(u"characters/mara"_qs)); // groups included
    QCOMPARE(layout.size(), files.size());
    QVERIFY(std::is_sorted(layout.begin(), layout.end()));
    QCOMPARE(first.conversationLayout(), layout);
    QCOMPARE(spy.count(), 1);

    // The agent writes a file during the turn: this conversation keeps its layout...
    files.insert(u"bible/new.md"_qs, file(u"bible/new.md"_qs, u"new"_qs));
    QCOMPARE(ProjectSnapshot::layoutSnapshot(first, files), layout);
    QCOMPARE(spy.count(), 1);
    // ...and a new conversation sees the new path.
    AgentConversation second;
    QVERIFY(ProjectSnapshot::layoutSnapshot(second, files).contains(u"bible/new.md"_qs));

    // Code-point order: a character beyond U+FFFF sorts after U+FFFD.
    const QStringList ordered = ProjectSnapshot::projectLayout(
        index({file(u"\U0001F3AC.md"_qs, {}), file(u"\uFFFD.md"_qs, {}), file(u"a"_qs, {})}));
    QCOMPARE(ordered, (QStringList{u"a"_qs, u"\uFFFD.md"_qs, u"\U0001F3AC.md"_qs}));
}

QTEST_GUILESS_MAIN(tst_ProjectSnapshot)
#include "tst_ProjectSnapshot.moc"
