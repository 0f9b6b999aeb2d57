#include <QSignalSpy>
#include <QTest>

#include "core/agent/AgentConversation.h"
#include "core/session/ProjectSession.h"

namespace {

QList<QUuid> ids(const ProjectSession &session)
{
    QList<QUuid> result;
    for (const AgentConversation *conversation : session.conversations())
        result.append(conversation->id());
    return result;
}

} // namespace

class tst_ConversationTabs : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newConversationIsAppendedAndActive();
    void closingTheOnlyTabLeavesAFreshOne();
    void closingTheActiveTabActivatesTheLast();
    void theRunningConversationCannotBeClosed();
    void closeAllWhileATurnRuns();
    void closeOthers();
    void move_data();
    void move();
    void rename_data();
    void rename();

private:
    void makeThree();

    std::unique_ptr<ProjectSession> m_session;
    QUuid m_a;
    QUuid m_b;
    QUuid m_c;
};

void tst_ConversationTabs::init()
{
    m_session =
        std::make_unique<ProjectSession>(u"Harbour"_qs, u"harbour"_qs, u"alice"_qs,
                                         ProjectType::Film, QList<SidebarSection>(), QStringList());
}

void tst_ConversationTabs::cleanup()
{
    m_session.reset();
}

void tst_ConversationTabs::makeThree()
{
    m_a = m_session->activeConversation()->id();
    m_b = m_session->newConversation()->id();
    m_c = m_session->newConversation()->id();
}

void tst_ConversationTabs::newConversationIsAppendedAndActive()
{
    QSignalSpy changed(m_session.get(), &ProjectSession::conversationsChanged);
    const QUuid first = m_session->activeConversation()->id();
    AgentConversation *added = m_session->newConversation();
    QCOMPARE(ids(*m_session), (QList<QUuid>{first, added->id()}));
    QCOMPARE(m_session->activeConversationId(), added->id());
    QCOMPARE(changed.count(), 1);
    QVERIFY(added->onMessagesChanged());
}

void tst_ConversationTabs::closingTheOnlyTabLeavesAFreshOne()
{
    const QUuid only = m_session->activeConversation()->id();
    m_session->closeConversation(only);
    QCOMPARE(m_session->conversations().size(), 1);
    QVERIFY(m_session->activeConversation()->id() != only);
    QCOMPARE(m_session->activeConversationId(), m_session->activeConversation()->id());
    QVERIFY(m_session->activeConversation()->onMessagesChanged());
    m_session->closeConversation(QUuid::createUuid()); // unknown: nothing
    QCOMPARE(m_session->conversations().size(), 1);
}

void tst_ConversationTabs::closingTheActiveTabActivatesTheLast()
{
    makeThree();
    m_session->setActiveConversationId(m_a);
    m_session->closeConversation(m_a);
    QCOMPARE(ids(*m_session), (QList<QUuid>{m_b, m_c}));
    QCOMPARE(m_session->activeConversationId(), m_c);
    m_session->setActiveConversationId(m_b);
    m_session->closeConversation(m_c); // not the active one: the active tab stays
    QCOMPARE(m_session->activeConversationId(), m_b);
}

void tst_ConversationTabs::theRunningConversationCannotBeClosed()
{
    makeThree();
    m_session->setAgentBusy(true);
    m_session->setBusyConversationId(m_b);
    m_session->closeConversation(m_b);
    QCOMPARE(ids(*m_session), (QList<QUuid>{m_a, m_b, m_c}));
    m_session->closeConversation(m_a);
    QCOMPARE(ids(*m_session), (QList<QUuid>{m_b, m_c}));
}

void tst_ConversationTabs::closeAllWhileATurnRuns()
{
    makeThree();
    m_session->setActiveConversationId(m_a);
    m_session->setAgentBusy(true);
    m_session->setBusyConversationId(m_b);
    m_session->closeAllConversations();
    QCOMPARE(ids(*m_session), QList<QUuid>{m_b});
    QCOMPARE(m_session->activeConversationId(), m_b);

    m_session->setAgentBusy(false);
    m_session->setBusyConversationId(std::nullopt);
    m_session->closeAllConversations();
    QCOMPARE(m_session->conversations().size(), 1);
    QVERIFY(m_session->activeConversation()->id() != m_b);
    QCOMPARE(m_session->activeConversationId(), m_session->activeConversation()->id());
}

void tst_ConversationTabs::closeOthers()
{
    makeThree();
    m_session->setActiveConversationId(m_c);
    m_session->closeOtherConversations(m_b);
    QCOMPARE(ids(*m_session), QList<QUuid>{m_b});
    QCOMPARE(m_session->activeConversationId(), m_b);

    // An unknown id closes everything and leaves a fresh tab.
    m_session->closeOtherConversations(QUuid::createUuid());
    QCOMPARE(m_session->conversations().size(), 1);
    QVERIFY(m_session->activeConversation()->id() != m_b);
}

void tst_ConversationTabs::move_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("over");
    QTest::addColumn<QList<int>>("order");
    QTest::newRow("first over last") << 0 << 2 << QList<int>{1, 2, 0};
    QTest::newRow("last over first") << 2 << 0 << QList<int>{2, 0, 1};
    QTest::newRow("over a neighbour") << 0 << 1 << QList<int>{1, 0, 2};
    QTest::newRow("over itself") << 1 << 1 << QList<int>{0, 1, 2};
}

void tst_ConversationTabs::move()
{
    QFETCH(int, from);
    QFETCH(int, over);
    QFETCH(QList<int>, order);
    makeThree();
    const QList<QUuid> before{m_a, m_b, m_c};
    m_session->moveConversation(before.at(from), before.at(over));
    QList<QUuid> expected;
    for (int index : order)
        expected.append(before.at(index));
    QCOMPARE(ids(*m_session), expected);
    m_session->moveConversation(m_a, QUuid::createUuid());
    QCOMPARE(ids(*m_session), expected);
}

void tst_ConversationTabs::rename_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::optional<QString>>("customTitle");
    QTest::newRow("trimmed") << u" \tPilot notes\t "_qs
                             << std::optional<QString>(u"Pilot notes"_qs);
    QTest::newRow("only spaces clears it") << u"   "_qs << std::optional<QString>();
    QTest::newRow("newlines are not trimmed")
        << u"\nPilot"_qs << std::optional<QString>(u"\nPilot"_qs);
}

void tst_ConversationTabs::rename()
{
    QFETCH(QString, name);
    QFETCH(std::optional<QString>, customTitle);
    AgentConversation *conversation = m_session->activeConversation();
    conversation->setCustomTitle(u"Before"_qs);
    m_session->renameConversation(conversation->id(), name);
    QCOMPARE(conversation->customTitle(), customTitle);
}

QTEST_GUILESS_MAIN(tst_ConversationTabs)
#include "tst_ConversationTabs.moc"
