#include <memory>

#include <QMetaProperty>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include "SessionSections.h"
#include "core/agent/AgentConversation.h"
#include "core/git/GitError.h"
#include "core/project/DeliverableRef.h"
#include "core/project/SidebarBuilder.h"
#include "core/session/ProjectSession.h"
#include "support/SampleProject.h"

namespace {

const QString manifest =
    QString::fromUtf8(SampleProject::harbourManifest("    status: shipped\n", {},
                                                     "  - slug: promo\n"
                                                     "    kind: trailer\n"
                                                     "    title: Promo\n"));

ProjectFile file(const QString &path, const QString &contents = {})
{
    return ProjectFile(path, std::nullopt, contents);
}

ProjectFile group(const QString &path, const QString &name, QList<ProjectFile> children)
{
    return ProjectFile(path, name, {}, std::move(children));
}

DeliverableRef deliverable(const QString &slug, const QString &kind, const QString &title,
                           std::optional<qint64> season, std::optional<qint64> number,
                           QList<ProjectFile> files)
{
    return DeliverableRef{slug, kind, title, season, number, std::move(files)};
}

// A series with a shipped pilot, an open second episode, a promo without files, a character
// with a nested folder and an empty location folder.
QList<SidebarSection> sampleSections()
{
    return SidebarBuilder::sections(
        ProjectType::Series,
        {file("slatebox.yaml", manifest), file("slatebox.lock", "version: 1\npins: {}\n")},
        {file("bible/world.md", "The harbour.")},
        {group("characters/mara-quinn", "Mara Quinn",
               {file("characters/mara-quinn/bio.md", "Mara."),
                group("characters/mara-quinn/photos", "Photos",
                      {ProjectFile("characters/mara-quinn/photos/a.png", std::nullopt, {}, {},
                                   std::nullopt, true)}),
                file("characters/mara-quinn/voice.yaml", "voice: low")})},
        {ProjectFile("locations/pier", QStringLiteral("Pier"))},
        {deliverable("s1e01", "episode", "Pilot", 1, 1,
                     {file("deliverables/s1e01/script.fountain", "INT. PIER"),
                      file("deliverables/s1e01/shots.yaml", "scenes: []")}),
         deliverable("s1e02", "episode", "The Ferry", 1, 2,
                     {file("deliverables/s1e02/script.fountain", "EXT. FERRY")}),
         deliverable("promo", "trailer", "Promo", std::nullopt, std::nullopt, {})},
        {}, {}, std::nullopt);
}

std::unique_ptr<ProjectSession> makeSession(QStringList openTabs = {})
{
    return std::make_unique<ProjectSession>("Harbour Lights", "harbour", "kestrel",
                                            ProjectType::Series, sampleSections(), openTabs);
}

} // namespace

class TestProjectSession : public QObject {
    Q_OBJECT

private slots:
    // Sessions restore the agent preferences stored for their project; every test starts
    // from none.
    void init() { QSettings().clear(); }

    void initialState()
    {
        const auto session = makeSession({"bible/world.md", "slatebox.yaml", "bible/world.md"});
        QCOMPARE(session->windowTitle(), QStringLiteral("Harbour Lights"));
        QCOMPARE(session->windowSubtitle(), QStringLiteral("kestrel/harbour"));
        QCOMPARE(session->type(), ProjectType::Series);
        QCOMPARE(session->openTabs(), (QStringList{"bible/world.md", "slatebox.yaml"}));
        QCOMPARE(session->activeTab(), std::optional<QString>("bible/world.md"));
        QVERIFY(session->files().value("characters/mara-quinn").isGroup());
        QCOMPARE(session->files().value("bible/world.md").contents, QStringLiteral("The harbour."));
        // Groups have no loaded text; childless folders and binary files are empty texts.
        QVERIFY(!session->loadedContents().contains("characters/mara-quinn"));
        QCOMPARE(session->loadedContents().value("locations/pier", "x"), QString());
        QCOMPARE(session->loadedContents().value("characters/mara-quinn/photos/a.png", "x"),
                 QString());
        QVERIFY(!session->localURL());
        QVERIFY(session->dirtyPaths().isEmpty());
        QCOMPARE(session->baselineEpoch(), 0);

        QCOMPARE(session->agentMode(), AgentMode::Ask);
        QVERIFY(session->agentAuto());
        QCOMPARE(session->agentModelId(), QStringLiteral("grok-4.6"));
        QCOMPARE(session->conversations().size(), 1);
        QCOMPARE(session->activeConversationId(), session->conversations().first()->id());
        QCOMPARE(session->activeConversation(), session->conversations().first());
        QVERIFY(session->conversations().first()->messages().isEmpty());
        QVERIFY(session->agentVisible());
        QVERIFY(!session->agentBusy());
        QVERIFY(session->lastChatPersist() < QDateTime::currentDateTimeUtc().addYears(-100));

        const auto empty = makeSession();
        QVERIFY(empty->openTabs().isEmpty());
        QVERIFY(!empty->activeTab());
    }

    void openingATabTwiceOnlyActivatesIt()
    {
        const auto session = makeSession();
        session->open("bible/world.md");
        session->open("slatebox.yaml");
        QSignalSpy tabs(session.get(), &ProjectSession::openTabsChanged);
        session->open("bible/world.md");
        QCOMPARE(session->openTabs(), (QStringList{"bible/world.md", "slatebox.yaml"}));
        QCOMPARE(session->activeTab(), std::optional<QString>("bible/world.md"));
        QCOMPARE(tabs.count(), 0);
    }

    void openIgnoresWhatIsNoTab_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("unknown path") << "bible/missing.md";
        QTest::newRow("character group") << "characters/mara-quinn";
        QTest::newRow("nested group") << "characters/mara-quinn/photos";
        QTest::newRow("the deliverables folder") << "deliverables";
        QTest::newRow("unknown non-deliverable") << "props/x";
    }

    void openIgnoresWhatIsNoTab()
    {
        QFETCH(QString, path);
        const auto session = makeSession({"bible/world.md"});
        session->open(path);
        QCOMPARE(session->openTabs(), QStringList{"bible/world.md"});
        QCOMPARE(session->activeTab(), std::optional<QString>("bible/world.md"));
    }

    void cutTabs_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("isCut");
        QTest::addColumn<bool>("opens");
        QTest::newRow("deliverable with files") << "deliverables/s1e02" << true << true;
        QTest::newRow("deliverable without files") << "deliverables/promo" << true << true;
        QTest::newRow("deliverable with no node") << "deliverables/s9e09" << true << true;
        QTest::newRow("a deliverable's file")
            << "deliverables/s1e02/script.fountain" << false << true;
        QTest::newRow("the deliverables folder") << "deliverables" << false << false;
        QTest::newRow("character group") << "characters/mara-quinn" << false << false;
        QTest::newRow("empty location folder") << "locations/pier" << false << true;
    }

    void cutTabs()
    {
        QFETCH(QString, path);
        QFETCH(bool, isCut);
        QFETCH(bool, opens);
        const auto session = makeSession();
        QCOMPARE(session->isCutTab(path), isCut);
        session->open(path);
        QCOMPARE(session->openTabs().contains(path), opens);
        QCOMPARE(session->activeTab() == path, opens);
    }

    void openItemOpensEveryFileOfAFolder()
    {
        const auto session = makeSession({"bible/world.md"});
        session->openItem("characters/mara-quinn");
        QCOMPARE(session->openTabs(), (QStringList{"bible/world.md", "characters/mara-quinn/bio.md",
                                                   "characters/mara-quinn/photos/a.png",
                                                   "characters/mara-quinn/voice.yaml"}));
        QCOMPARE(session->activeTab(), std::optional<QString>("characters/mara-quinn/voice.yaml"));

        // A cut tab and an empty folder entry open as themselves.
        session->openItem("deliverables/s1e02");
        QCOMPARE(session->activeTab(), std::optional<QString>("deliverables/s1e02"));
        QVERIFY(!session->openTabs().contains("deliverables/s1e02/script.fountain"));
        session->openItem("locations/pier");
        QCOMPARE(session->activeTab(), std::optional<QString>("locations/pier"));
    }

    void closingTheActiveTabActivatesTheLastTab()
    {
        const auto session = makeSession({"a.md", "b.md", "c.md"});
        session->setActiveTab("b.md");
        session->close("b.md");
        QCOMPARE(session->openTabs(), (QStringList{"a.md", "c.md"}));
        QCOMPARE(session->activeTab(), std::optional<QString>("c.md"));

        session->setActiveTab("c.md");
        session->close("a.md");
        QCOMPARE(session->activeTab(), std::optional<QString>("c.md"));
        session->close("unknown.md");
        QCOMPARE(session->openTabs(), QStringList{"c.md"});
        session->close("c.md");
        QVERIFY(session->openTabs().isEmpty());
        QVERIFY(!session->activeTab());
    }

    void moveTab_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("first over third") << "a"
                                          << "c" << QStringList{"b", "c", "a"};
        QTest::newRow("third over first") << "c"
                                          << "a" << QStringList{"c", "a", "b"};
        QTest::newRow("neighbours") << "b"
                                    << "c" << QStringList{"a", "c", "b"};
        QTest::newRow("onto itself") << "b"
                                     << "b" << QStringList{"a", "b", "c"};
        QTest::newRow("unknown tab") << "x"
                                     << "a" << QStringList{"a", "b", "c"};
        QTest::newRow("unknown target") << "a"
                                        << "x" << QStringList{"a", "b", "c"};
    }

    void moveTab()
    {
        QFETCH(QString, path);
        QFETCH(QString, target);
        QFETCH(QStringList, order);
        const auto session = makeSession({"a", "b", "c"});
        QSignalSpy tabs(session.get(), &ProjectSession::openTabsChanged);
        session->moveTab(path, target);
        QCOMPARE(session->openTabs(), order);
        const QStringList unchanged{"a", "b", "c"};
        QCOMPARE(tabs.count(), order == unchanged ? 0 : 1);
        QCOMPARE(session->activeTab(), std::optional<QString>("a"));
    }

    void closeOtherAndAllTabs()
    {
        const auto session = makeSession({"a", "b", "c"});
        session->closeOtherTabs("b");
        QCOMPARE(session->openTabs(), QStringList{"b"});
        QCOMPARE(session->activeTab(), std::optional<QString>("b"));
        // A path that is not open cannot stay the only tab: nothing changes.
        session->closeOtherTabs("z");
        QCOMPARE(session->openTabs(), QStringList{"b"});
        session->closeAllTabs();
        QVERIFY(session->openTabs().isEmpty());
        QVERIFY(!session->activeTab());
    }

    void tabTitle_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("labelled deliverable") << "deliverables/s1e02"
                                              << "S1E2: The Ferry";
        QTest::newRow("deliverable without label") << "deliverables/promo"
                                                   << "Promo";
        QTest::newRow("deliverable not in the sidebar") << "deliverables/s9e09"
                                                        << "s9e09";
        QTest::newRow("file") << "deliverables/s1e02/script.fountain"
                              << "script.fountain";
        QTest::newRow("root file") << "slatebox.yaml"
                                   << "slatebox.yaml";
        QTest::newRow("group") << "characters/mara-quinn"
                               << "mara-quinn";
    }

    void tabTitle()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(makeSession()->tabTitle(path), title);
    }

    void shippedPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("shipped");
        QTest::newRow("shipped folder") << "deliverables/s1e01" << true;
        QTest::newRow("shipped file") << "deliverables/s1e01/script.fountain" << true;
        QTest::newRow("shipped, deep and unknown") << "deliverables/s1e01/a/b.md" << true;
        QTest::newRow("open deliverable") << "deliverables/s1e02/script.fountain" << false;
        QTest::newRow("no manifest entry") << "deliverables/s9e09/x.md" << false;
        QTest::newRow("manifest") << "slatebox.yaml" << false;
        QTest::newRow("outside deliverables") << "bible/s1e01/x.md" << false;
    }

    void shippedPaths()
    {
        QFETCH(QString, path);
        QFETCH(bool, shipped);
        QCOMPARE(makeSession()->isShipped(path), shipped);
    }

    void shippedFilesAreReadOnlyUntilTheManifestSaysOtherwise()
    {
        const auto session = makeSession();
        const QString script = "deliverables/s1e01/script.fountain";
        session->updateContents(script, "changed");
        QCOMPARE(session->files().value(script).contents, QStringLiteral("INT. PIER"));
        QVERIFY(session->dirtyPaths().isEmpty());

        QString unlocked = manifest;
        unlocked.replace("status: shipped", "status: wip");
        session->updateContents("slatebox.yaml", unlocked);
        QVERIFY(session->dirtyPaths().contains("slatebox.yaml"));
        QVERIFY(!session->isShipped(script));
        session->updateContents(script, "changed");
        QCOMPARE(session->files().value(script).contents, QStringLiteral("changed"));
        QVERIFY(session->dirtyPaths().contains(script));
        QCOMPARE(session->manifestEntry("s1e01")->status, std::optional<QString>("wip"));
    }

    void updateContents()
    {
        const auto session = makeSession();
        QSignalSpy files(session.get(), &ProjectSession::filesChanged);
        QSignalSpy dirty(session.get(), &ProjectSession::dirtyPathsChanged);
        QSignalSpy sections(session.get(), &ProjectSession::sectionsChanged);
        session->updateContents("bible/world.md", "The harbour at night.");
        QCOMPARE(session->files().value("bible/world.md").contents,
                 QStringLiteral("The harbour at night."));
        QCOMPARE(files.count(), 1);
        QCOMPARE(dirty.count(), 1);
        QCOMPARE(sections.count(), 0);
        // The sections keep the text as loaded.
        QCOMPARE(session->sections().at(1).items.first().contents, QStringLiteral("The harbour."));

        // A path without a node is only marked dirty.
        session->updateContents("notes/todo.md", "x");
        QVERIFY(!session->files().contains("notes/todo.md"));
        QCOMPARE(session->dirtyPaths(), (QSet<QString>{"bible/world.md", "notes/todo.md"}));
    }

    void manifestEditsRebuildTheDeliverables()
    {
        const auto session = makeSession();
        session->insertFile(file("deliverables/s1e00/script.fountain", "COLD OPEN"));
        QSignalSpy sections(session.get(), &ProjectSession::sectionsChanged);
        session->updateContents("slatebox.yaml", manifest + "  - slug: s1e00\n"
                                                            "    kind: opening\n"
                                                            "    title: Cold Open\n"
                                                            "    season: 1\n");
        QCOMPARE(sections.count(), 1);
        QCOMPARE(SessionSections::paths(*session, "deliverables"),
                 (QStringList{"deliverables/s1e00", "deliverables/s1e01", "deliverables/s1e02",
                              "deliverables/promo"}));
        QCOMPARE(session->tabTitle("deliverables/s1e00"), QStringLiteral("S1: Cold Open"));

        // A manifest that does not parse leaves the sidebar as it was.
        const QList<SidebarSection> before = session->sections();
        session->updateContents("slatebox.yaml", "type: opera\n");
        QCOMPARE(session->sections(), before);
        QCOMPARE(sections.count(), 1);
        QVERIFY(!session->isShipped("deliverables/s1e01/script.fountain"));
    }

    void baselineWithoutAClone()
    {
        const auto session = makeSession();
        QCOMPARE(session->baseline("bible/world.md"), std::optional<QString>("The harbour."));
        session->updateContents("bible/world.md", "edited");
        QCOMPARE(session->baseline("bible/world.md"), std::optional<QString>("The harbour."));
        QCOMPARE(session->baseline("new.md"), std::nullopt);
        QVERIFY(session->baselines().contains("new.md"));
        QCOMPARE(session->baseline("characters/mara-quinn"), std::nullopt);

        QSignalSpy epoch(session.get(), &ProjectSession::baselineEpochChanged);
        session->setBaseline("bible/world.md", "saved");
        QCOMPARE(session->baseline("bible/world.md"), std::optional<QString>("saved"));
        session->resetBaselines();
        QCOMPARE(epoch.count(), 1);
        QCOMPARE(session->baselineEpoch(), 1);
        QVERIFY(session->baselines().isEmpty());
        QCOMPARE(session->baseline("bible/world.md"), std::optional<QString>("The harbour."));
    }

    void deletingAFolderWithoutAClone()
    {
        const auto session = makeSession(
            {"bible/world.md", "characters/mara-quinn/bio.md", "characters/mara-quinn/voice.yaml"});
        session->setActiveTab("characters/mara-quinn/bio.md");
        session->updateContents("characters/mara-quinn/bio.md", "edited");
        session->updateContents("bible/world.md", "edited");
        // A sibling whose name starts with the folder's name stays.
        session->insertFile(file("characters/mara-quinn-2.md", "other"));

        session->deleteItem("characters/mara-quinn");
        for (const QString &path :
             QStringList{"characters/mara-quinn", "characters/mara-quinn/bio.md",
                         "characters/mara-quinn/photos/a.png"})
            QVERIFY2(!session->files().contains(path), qPrintable(path));
        QVERIFY(session->files().contains("characters/mara-quinn-2.md"));
        QCOMPARE(session->openTabs(), QStringList{"bible/world.md"});
        QCOMPARE(session->activeTab(), std::optional<QString>("bible/world.md"));
        QCOMPARE(session->dirtyPaths(), QSet<QString>{"bible/world.md"});
        QVERIFY(SessionSections::paths(*session, "characters").isEmpty());

        // Deleting one file keeps its group, now childless.
        session->deleteItem("deliverables/s1e02/script.fountain");
        QCOMPARE(SessionSections::paths(*session, "deliverables").size(), 3);
        QVERIFY(!session->files().contains("deliverables/s1e02/script.fountain"));
    }

    void deletingInsideAShippedDeliverableDoesNothing()
    {
        const auto session = makeSession({"deliverables/s1e01/script.fountain"});
        const FileIndex before = session->files();
        session->deleteItem("deliverables/s1e01");
        session->deleteItem("deliverables/s1e01/script.fountain");
        QCOMPARE(session->files(), before);
        QCOMPARE(session->openTabs(), QStringList{"deliverables/s1e01/script.fountain"});
    }

    void deletingARefusedPathThrows_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("parent") << "../slatebox.yaml";
        QTest::newRow("absolute") << "/etc/passwd";
        QTest::newRow("repository") << ".git/config";
        QTest::newRow("empty") << "";
    }

    void deletingARefusedPathThrows()
    {
        QFETCH(QString, path);
        const auto session = makeSession();
        const FileIndex before = session->files();
        QVERIFY_THROWS_EXCEPTION(GitError, session->deleteItem(path));
        QCOMPARE(session->files(), before);
    }

    void revealWithoutACloneDoesNothing()
    {
        const auto session = makeSession();
        int calls = 0;
        session->setRevealLauncher([&calls](const QString &) { ++calls; });
        session->revealInFinder("bible/world.md");
        QCOMPARE(calls, 0);
    }

    void sidebarUpkeep()
    {
        const auto session = makeSession();
        QSignalSpy sections(session.get(), &ProjectSession::sectionsChanged);
        session->insertIntoSidebar(file("characters/ada-vale/bio.md"));
        QCOMPARE(sections.count(), 1);
        QCOMPARE(SessionSections::paths(*session, "characters"),
                 (QStringList{"characters/ada-vale", "characters/mara-quinn"}));
        // A path that no section covers changes nothing and notifies nobody.
        session->insertIntoSidebar(file("props/list.md"));
        QCOMPARE(sections.count(), 1);
        session->removeFromSidebar("characters/ada-vale");
        QCOMPARE(SessionSections::paths(*session, "characters"),
                 QStringList{"characters/mara-quinn"});
        QCOMPARE(sections.count(), 2);
        session->removeFromSidebar("nothing/here");
        QCOMPARE(sections.count(), 2);
        // Without a manifest node there is nothing to rebuild from.
        session->deleteItem("slatebox.yaml");
        QVERIFY(!session->rebuildDeliverablesSection());
    }

    void assistantMessagesGoToTheActiveConversation()
    {
        const auto session = makeSession();
        auto *second = new AgentConversation();
        session->setConversations({session->conversations().first(), second});
        QCOMPARE(second->parent(), session.get());
        session->setActiveConversationId(second->id());
        session->appendAssistantMessage("Save failed: offline");
        QCOMPARE(second->messages().size(), 1);
        QVERIFY(second->messages().first().isAssistant());
        QCOMPARE(second->messages().first().text, QStringLiteral("Save failed: offline"));
        QVERIFY(session->conversations().first()->messages().isEmpty());

        // An unknown active id falls back to the first conversation.
        session->setActiveConversationId(QUuid::createUuid());
        QCOMPARE(session->activeConversation(), session->conversations().first());
    }

    void propertiesNotifyOnceAndNotOnEqualValues_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("title") << QByteArray("title") << QVariant("Other");
        QTest::newRow("slug") << QByteArray("slug") << QVariant("other");
        QTest::newRow("org") << QByteArray("org") << QVariant("other");
        QTest::newRow("type") << QByteArray("type") << QVariant::fromValue(ProjectType::Film);
        QTest::newRow("sections") << QByteArray("sections")
                                  << QVariant::fromValue(QList<SidebarSection>{});
        QTest::newRow("files") << QByteArray("files") << QVariant::fromValue(FileIndex{});
        QTest::newRow("openTabs") << QByteArray("openTabs")
                                  << QVariant::fromValue(QStringList{"bible/world.md"});
        QTest::newRow("activeTab")
            << QByteArray("activeTab") << QVariant::fromValue(std::optional<QString>("x"));
        QTest::newRow("agentMode")
            << QByteArray("agentMode") << QVariant::fromValue(AgentMode::Agent);
        QTest::newRow("agentAuto") << QByteArray("agentAuto") << QVariant(false);
        QTest::newRow("agentModelId") << QByteArray("agentModelId") << QVariant("claude-opus-5");
        QTest::newRow("activeConversationId")
            << QByteArray("activeConversationId") << QVariant::fromValue(QUuid::createUuid());
        QTest::newRow("agentVisible") << QByteArray("agentVisible") << QVariant(false);
        QTest::newRow("agentBusy") << QByteArray("agentBusy") << QVariant(true);
        QTest::newRow("busyConversationId")
            << QByteArray("busyConversationId")
            << QVariant::fromValue(std::optional<QUuid>(QUuid::createUuid()));
        QTest::newRow("agentActivity") << QByteArray("agentActivity")
                                       << QVariant::fromValue(std::optional<QString>("Reading"));
        QTest::newRow("agentReasoning")
            << QByteArray("agentReasoning") << QVariant::fromValue(std::optional<QString>("Hm"));
        QTest::newRow("liveThinkingCollapsed")
            << QByteArray("liveThinkingCollapsed") << QVariant(true);
        QTest::newRow("expandedThoughts")
            << QByteArray("expandedThoughts") << QVariant::fromValue(QSet<QString>{"k"});
        QTest::newRow("dirtyPaths")
            << QByteArray("dirtyPaths") << QVariant::fromValue(QSet<QString>{"a.md"});
        QTest::newRow("isSaving") << QByteArray("isSaving") << QVariant(true);
        QTest::newRow("localURL") << QByteArray("localURL")
                                  << QVariant::fromValue(std::optional<QString>("/tmp/x"));
        QTest::newRow("baselineEpoch") << QByteArray("baselineEpoch") << QVariant(3);
        QTest::newRow("lastChatPersist")
            << QByteArray("lastChatPersist") << QVariant(QDateTime::currentDateTimeUtc());
    }

    void propertiesNotifyOnceAndNotOnEqualValues()
    {
        QFETCH(QByteArray, property);
        QFETCH(QVariant, value);
        const auto session = makeSession({"slatebox.yaml"});
        const QMetaObject *meta = session->metaObject();
        const QMetaProperty metaProperty = meta->property(meta->indexOfProperty(property));
        QVERIFY(metaProperty.isValid());
        QVERIFY(metaProperty.hasNotifySignal());
        QSignalSpy spy(session.get(), metaProperty.notifySignal());

        QVERIFY(metaProperty.write(session.get(), metaProperty.read(session.get())));
        QCOMPARE(spy.count(), 0);
        QVERIFY(metaProperty.write(session.get(), value));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(metaProperty.read(session.get()), value);
        QVERIFY(metaProperty.write(session.get(), value));
        QCOMPARE(spy.count(), 1);
    }

    void subtitleFollowsOrgAndSlug()
    {
        const auto session = makeSession();
        QSignalSpy subtitle(session.get(), &ProjectSession::windowSubtitleChanged);
        session->setOrg("gull");
        session->setSlug("harbour");
        QCOMPARE(subtitle.count(), 1);
        QCOMPARE(session->windowSubtitle(), QStringLiteral("gull/harbour"));
    }
};

QTEST_GUILESS_MAIN(TestProjectSession)
#include "tst_ProjectSession.moc"
