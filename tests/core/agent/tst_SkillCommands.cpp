#include <QTest>

#include "AgentTestFiles.h"
#include "core/agent/SkillCommands.h"

using Commands = QList<SkillCommand>;

namespace {

using AgentTestFiles::file;
using AgentTestFiles::index;

const QString pitchSkill = u"---\ndescription:  Write a pitch \n---\nBody\n"_qs;

FileIndex project()
{
    ProjectFile folder(u".slatebox/skills/story"_qs, std::nullopt, {},
                       {file(u".slatebox/skills/story/logline.md"_qs, u"no front matter"_qs)});
    return index({
        file(u".slatebox/skills/pitch.md"_qs, pitchSkill),
        file(u".slatebox/skills/story/logline.md"_qs, u"no front matter"_qs),
        folder,
        ProjectFile(u".slatebox/skills/dir.md"_qs, std::nullopt, {},
                    {file(u".slatebox/skills/dir.md/a"_qs, {})}),
        file(u".slatebox/skills/notes.txt"_qs, u"---\ndescription: no\n"_qs),
        file(u".slatebox/skills/board.md"_qs, {}, true),
        file(u".slatebox/skills/Beats.md"_qs, u"---\ndescription: Beat sheet\n---\n"_qs),
        file(u".slatebox/rules/tone.md"_qs, u"---\ndescription: a rule\n---\n"_qs),
        file(u"bible/pitch.md"_qs, pitchSkill),
    });
}

} // namespace

class tst_SkillCommands : public QObject {
    Q_OBJECT

private slots:
    void skillCommands();
    void skillDescription_data();
    void skillDescription();
    void slashSuggestions_data();
    void slashSuggestions();
    void completion();
};

void tst_SkillCommands::skillCommands()
{
    const Commands expected{
        {u"Beats"_qs, u"Beat sheet"_qs},
        {u"pitch"_qs, u"Write a pitch"_qs},
        {u"story/logline"_qs, u""_qs},
    };
    QCOMPARE(SkillCommands::skillCommands(project()), expected);
    QVERIFY(SkillCommands::skillCommands({}).isEmpty());
}

void tst_SkillCommands::skillDescription_data()
{
    QTest::addColumn<QString>("contents");
    QTest::addColumn<QString>("expected");
    QTest::newRow("trimmed") << pitchSkill << u"Write a pitch"_qs;
    QTest::newRow("no front matter") << u"description: x\n"_qs << u""_qs;
    QTest::newRow("leading blank line is no front matter")
        << u"\n---\ndescription: x\n"_qs << u""_qs;
    QTest::newRow("closed before a description")
        << u"---\ntitle: t\n---\ndescription: after\n"_qs << u""_qs;
    QTest::newRow("indented fence and key")
        << u"---\n\ttitle: t\n  description:\tTabs\t\n"_qs << u"Tabs"_qs;
    QTest::newRow("empty lines skipped") << u"---\n\n\ndescription: d\n"_qs << u"d"_qs;
    QTest::newRow("never closed") << u"---\ntitle: t\n"_qs << u""_qs;
    QTest::newRow("first match wins") << u"---\ndescription: a\ndescription: b\n---"_qs << u"a"_qs;
    QTest::newRow("empty value") << u"---\ndescription:\n---"_qs << u""_qs;
    QTest::newRow("key is case-sensitive") << u"---\nDescription: x\n---"_qs << u""_qs;
    QTest::newRow("fence with text after it counts as opening")
        << u"---yaml\ndescription: y\n"_qs << u"y"_qs;
    QTest::newRow("empty") << u""_qs << u""_qs;
}

void tst_SkillCommands::skillDescription()
{
    QFETCH(QString, contents);
    QFETCH(QString, expected);
    QCOMPARE(SkillCommands::skillDescription(contents), expected);
}

void tst_SkillCommands::slashSuggestions_data()
{
    QTest::addColumn<QString>("composer");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("slash alone lists every skill")
        << u"/"_qs << QStringList{u"Beats"_qs, u"pitch"_qs, u"story/logline"_qs};
    QTest::newRow("case ignored") << u"/PI"_qs << QStringList{u"pitch"_qs};
    QTest::newRow("upper-case name matched by lower-case") << u"/be"_qs << QStringList{u"Beats"_qs};
    QTest::newRow("subfolder") << u"/story/"_qs << QStringList{u"story/logline"_qs};
    QTest::newRow("no match") << u"/x"_qs << QStringList{};
    QTest::newRow("space after the command") << u"/pitch more"_qs << QStringList{};
    QTest::newRow("completed command") << u"/pitch "_qs << QStringList{};
    QTest::newRow("newline") << u"/pi\n"_qs << QStringList{};
    QTest::newRow("not at the start") << u"hello /pi"_qs << QStringList{};
    QTest::newRow("empty composer") << u""_qs << QStringList{};
}

void tst_SkillCommands::slashSuggestions()
{
    QFETCH(QString, composer);
    QFETCH(QStringList, expected);
    QStringList names;
    const Commands commands = SkillCommands::skillCommands(project());
    for (const SkillCommand &command : SkillCommands::slashSuggestions(composer, commands))
        names.append(command.name);
    QCOMPARE(names, expected);
}

void tst_SkillCommands::completion()
{
    const QString composer = SkillCommands::completion(u"pitch");
    QCOMPARE(composer, u"/pitch "_qs);
    QVERIFY(SkillCommands::slashSuggestions(composer, SkillCommands::skillCommands(project()))
                .isEmpty());
}

QTEST_GUILESS_MAIN(tst_SkillCommands)
#include "tst_SkillCommands.moc"
