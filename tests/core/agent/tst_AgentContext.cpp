#include <memory>

#include <QTest>

#include "AgentTestFiles.h"
#include "core/agent/AgentConversation.h"
#include "core/agent/ThoughtFolds.h"
#include "core/session/AgentContext.h"
#include "core/session/ProjectSession.h"

namespace {

using AgentTestFiles::file;

// Paths and texts sized so the estimate is easy to follow: paths 13 + 14 + 15 + 23 + 23 + 19
// characters, each plus 4.
QList<SidebarSection> sections()
{
    return {SidebarSection{
        u"all"_qs,
        u"All"_qs,
        {file(u"slatebox.yaml"_qs, QString(40, u'm')),
         file(u"bible/world.md"_qs, QString(20, u'w')),
         file(u"script.fountain"_qs, QString(100, u's')),
         file(u".slatebox/rules/tone.md"_qs, QString(8, u'r')),
         file(u".slatebox/skills/pitch.md"_qs, u"---\ndescription: Write a pitch\n---\n"_qs),
         file(u"audio/theme.MP3"_qs, {}, true)}}};
}

std::unique_ptr<ProjectSession> makeSession()
{
    auto session =
        std::make_unique<ProjectSession>(u"Night Shift"_qs, u"night-shift"_qs, u"kestrel"_qs,
                                         ProjectType::Series, sections(), QStringList{});
    session->setAgentAuto(true);
    session->setAgentModelId(u"grok-4.6"_qs);
    return session;
}

QList<qint64> tokens(const QList<ContextSlice> &slices)
{
    QList<qint64> result;
    for (const ContextSlice &slice : slices)
        result.append(slice.tokens);
    return result;
}

} // namespace

class tst_AgentContext : public QObject {
    Q_OBJECT

private slots:
    void estimateBeforeTheFirstTurn();
    void serviceBreakdownAfterATurn();
    void windowFollowsTheModelChoice();
    void snapshotAndFrozenLayout();
    void slashCommands();
    void thoughtFolds();
};

void tst_AgentContext::estimateBeforeTheFirstTurn()
{
    const auto session = makeSession();
    const AgentContext context(*session);
    session->activeConversation()->setMessages({AgentMessage::user(QString(12, u'u'))});
    // Paths 13+14+15+23+25+15 = 105, plus 6 × 4 = 129; core 40 + 20 = 60; 189 / 4 = 47.
    QCOMPARE(tokens(context.estimatedBreakdown()), (QList<qint64>{47, 2, 3}));
    QCOMPARE(context.contextBreakdown(), context.estimatedBreakdown());
    QCOMPARE(context.contextTokensUsed(), 52);
    QCOMPARE(context.contextWindowTokens(), std::nullopt);
    QCOMPARE(context.contextUsage(), 52.0 / 15000.0);

    // The file of the active editor tab counts as a core file.
    session->setActiveTab(u"script.fountain"_qs);
    QCOMPARE(tokens(context.estimatedBreakdown()), (QList<qint64>{72, 2, 3}));
}

void tst_AgentContext::serviceBreakdownAfterATurn()
{
    const auto session = makeSession();
    const AgentContext context(*session);
    AgentConversation *first = session->activeConversation();
    first->setLastUsage(AgentTurnUsage{10000, 50, u"grok-4.6"_qs, 256000,
                                       AgentTurnUsage::PromptBreakdown{3000, 2000, 0, 1000, 1000}});
    QCOMPARE(tokens(context.contextBreakdown()), (QList<qint64>{4285, 2857, 0, 1429, 1429}));
    QCOMPARE(context.contextTokensUsed(), 10000);
    QCOMPARE(context.contextWindowTokens(), 256000);
    QCOMPARE(context.contextUsage(), 10000.0 / 256000.0);

    // Another tab without a turn shows its own estimate.
    session->newConversation();
    QCOMPARE(context.contextBreakdown().size(), 3);
    session->setActiveConversationId(first->id());
    QCOMPARE(context.contextBreakdown().size(), 5);
}

void tst_AgentContext::windowFollowsTheModelChoice()
{
    const auto session = makeSession();
    const AgentContext context(*session);
    session->setAgentAuto(false);
    QCOMPARE(context.contextWindowTokens(), 2000000);
    session->setAgentModelId(u"claude-opus-5"_qs);
    QCOMPARE(context.contextWindowTokens(), 500000);
    session->activeConversation()->setLastUsage(
        AgentTurnUsage{1000, 10, u"claude-opus-5"_qs, std::nullopt, std::nullopt});
    QCOMPARE(context.contextWindowTokens(), 500000);
    QCOMPARE(context.contextUsage(), 1000.0 / 500000.0);
}

void tst_AgentContext::snapshotAndFrozenLayout()
{
    const auto session = makeSession();
    const AgentContext context(*session);
    FileIndex files = session->files();
    files[u"bible/world.md"_qs].contents = u"Edited, not saved."_qs;
    session->setFiles(files);
    const QList<AgentChatBody::File> snapshot = context.projectSnapshot();
    QCOMPARE(snapshot.size(), 6);
    QCOMPARE(snapshot.at(0).path, u".slatebox/rules/tone.md"_qs);
    QCOMPARE(snapshot.at(2).contents, u"(binary audio)"_qs);
    QCOMPARE(snapshot.at(3).contents, u"Edited, not saved."_qs);

    AgentConversation *conversation = session->activeConversation();
    const QStringList layout = context.layoutSnapshot(*conversation);
    files.insert(u"bible/new.md"_qs, file(u"bible/new.md"_qs, u"new"_qs));
    session->setFiles(files);
    QCOMPARE(context.layoutSnapshot(*conversation), layout);
    QVERIFY(context.layoutSnapshot(*session->newConversation()).contains(u"bible/new.md"_qs));
}

void tst_AgentContext::slashCommands()
{
    const auto session = makeSession();
    AgentConversation *conversation = session->activeConversation();
    const QList<ChatAttachment> images{
        {QUuid::createUuid(), u"a.png"_qs, u"image/png"_qs, u"AAAA"_qs}};
    conversation->setPendingAttachments(images);

    conversation->setComposer(u"/PI"_qs);
    QCOMPARE(session->composerSlashSuggestions(),
             (QList<SkillCommand>{{u"pitch"_qs, u"Write a pitch"_qs}}));
    session->completeSlashCommand(u"pitch"_qs);
    QCOMPARE(conversation->composer(), u"/pitch "_qs);
    QCOMPARE(conversation->pendingAttachments(), images);
    QVERIFY(session->composerSlashSuggestions().isEmpty());

    // A skill the agent has just written is offered at once.
    FileIndex files = session->files();
    files.insert(u".slatebox/skills/plan.md"_qs, file(u".slatebox/skills/plan.md"_qs, {}));
    session->setFiles(files);
    conversation->setComposer(u"/p"_qs);
    QCOMPARE(session->composerSlashSuggestions().size(), 2);
    QCOMPARE(session->skillCommands().at(0).name, u"pitch"_qs);
}

// Folding is view state beside the transcript: one click unfolds, the next folds again.
void tst_AgentContext::thoughtFolds()
{
    auto session = makeSession();
    const QUuid message = QUuid::createUuid();
    session->toggleThought(message, 1);
    QCOMPARE(session->expandedThoughts(), (QSet<QString>{ThoughtFolds::thoughtKey(message, 1)}));
    session->toggleThought(message, 0);
    session->toggleThought(message, 1);
    QCOMPARE(session->expandedThoughts(), (QSet<QString>{ThoughtFolds::thoughtKey(message, 0)}));

    QVERIFY(!session->liveThinkingCollapsed());
    session->toggleLiveThinking();
    QVERIFY(session->liveThinkingCollapsed());
    session->toggleLiveThinking();
    QVERIFY(!session->liveThinkingCollapsed());
}

QTEST_GUILESS_MAIN(tst_AgentContext)
#include "tst_AgentContext.moc"
