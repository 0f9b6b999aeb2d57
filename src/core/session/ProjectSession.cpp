#include "core/session/ProjectSession.h"

#include <utility>

#include <QSignalBlocker>
#include <QTimer>

#include "core/agent/AgentConversation.h"
#include "core/session/ChatStore.h"

namespace {

// The observable setter of the house style: equal values change nothing and notify nobody.
template<typename T, typename Signal>
bool assign(ProjectSession *session, T &field, const T &value, Signal changed)
{
    if (field == value)
        return false;
    field = value;
    emit(session->*changed)();
    return true;
}

QHash<QString, QString> loadedContentsOf(const FileIndex &files)
{
    QHash<QString, QString> contents;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (!it->isGroup())
            contents.insert(it.key(), it->contents);
    }
    return contents;
}

} // namespace

ProjectSession::ProjectSession(QString title, QString slug, QString org, ProjectType type,
                               QList<SidebarSection> sections, QStringList openTabs,
                               AgentMode agentMode, QObject *parent)
    : QObject(parent)
    , m_title(std::move(title))
    , m_slug(std::move(slug))
    , m_org(std::move(org))
    , m_type(type)
    , m_sections(std::move(sections))
    , m_files(ProjectTree::index(m_sections))
    , m_openTabs(std::move(openTabs))
    , m_agentMode(agentMode)
    , m_loadedContents(loadedContentsOf(m_files))
{
    m_openTabs.removeDuplicates();
    if (!m_openTabs.isEmpty())
        m_activeTab = m_openTabs.first();
    // The distant past: the first chat save is never held back by the debounce.
    m_lastChatPersist = QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
    startConversations();
    restoreAgentPrefs();
}

// The window is going away: a chat change still waiting for its debounced write, and every
// unsaved edit, reach the disk first. Views may already be half torn down, so nobody is told.
ProjectSession::~ProjectSession()
{
    const QSignalBlocker quiet(this);
    try {
        if (m_chatStore && chatPersistTask())
            persistChatNow();
        autosaveToDisk();
    } catch (...) {
        // Nothing may escape a destructor; what could not be written stays where it was.
    }
}

void ProjectSession::setTitle(const QString &title)
{
    assign(this, m_title, title, &ProjectSession::titleChanged);
}

void ProjectSession::setSlug(const QString &slug)
{
    if (assign(this, m_slug, slug, &ProjectSession::slugChanged))
        emit windowSubtitleChanged();
}

void ProjectSession::setOrg(const QString &org)
{
    if (assign(this, m_org, org, &ProjectSession::orgChanged))
        emit windowSubtitleChanged();
}

void ProjectSession::setType(ProjectType type)
{
    assign(this, m_type, type, &ProjectSession::typeChanged);
}

void ProjectSession::setSections(const QList<SidebarSection> &sections)
{
    assign(this, m_sections, sections, &ProjectSession::sectionsChanged);
}

void ProjectSession::setFiles(const FileIndex &files)
{
    assign(this, m_files, files, &ProjectSession::filesChanged);
}

void ProjectSession::setOpenTabs(const QStringList &openTabs)
{
    assign(this, m_openTabs, openTabs, &ProjectSession::openTabsChanged);
}

void ProjectSession::setActiveTab(const std::optional<QString> &activeTab)
{
    assign(this, m_activeTab, activeTab, &ProjectSession::activeTabChanged);
}

void ProjectSession::setDirtyPaths(const QSet<QString> &paths)
{
    assign(this, m_dirtyPaths, paths, &ProjectSession::dirtyPathsChanged);
}

void ProjectSession::insertDirtyPath(const QString &path)
{
    if (m_dirtyPaths.contains(path))
        return;
    m_dirtyPaths.insert(path);
    emit dirtyPathsChanged();
}

void ProjectSession::removeDirtyPath(const QString &path)
{
    if (m_dirtyPaths.remove(path))
        emit dirtyPathsChanged();
}

void ProjectSession::removeDirtyPaths(const QSet<QString> &paths)
{
    bool removed = false;
    for (const QString &path : paths)
        removed = m_dirtyPaths.remove(path) || removed;
    if (removed)
        emit dirtyPathsChanged();
}

void ProjectSession::setIsSaving(bool saving)
{
    assign(this, m_isSaving, saving, &ProjectSession::isSavingChanged);
}

void ProjectSession::setLocalURL(const std::optional<QString> &localURL)
{
    assign(this, m_localURL, localURL, &ProjectSession::localURLChanged);
}

void ProjectSession::setBaselineEpoch(int epoch)
{
    assign(this, m_baselineEpoch, epoch, &ProjectSession::baselineEpochChanged);
}

QString ProjectSession::windowSubtitle() const
{
    return m_org % u'/' % m_slug;
}

void ProjectSession::setAgentMode(AgentMode mode)
{
    if (assign(this, m_agentMode, mode, &ProjectSession::agentModeChanged))
        persistAgentPrefs();
}

void ProjectSession::setAgentAuto(bool agentAuto)
{
    if (assign(this, m_agentAuto, agentAuto, &ProjectSession::agentAutoChanged))
        persistAgentPrefs();
}

void ProjectSession::setAgentModelId(const QString &modelId)
{
    if (assign(this, m_agentModelId, modelId, &ProjectSession::agentModelIdChanged))
        persistAgentPrefs();
}

void ProjectSession::setActiveConversationId(const QUuid &id)
{
    if (assign(this, m_activeConversationId, id, &ProjectSession::activeConversationIdChanged))
        scheduleChatPersist();
}

void ProjectSession::setAgentVisible(bool visible)
{
    assign(this, m_agentVisible, visible, &ProjectSession::agentVisibleChanged);
}

void ProjectSession::setAgentBusy(bool busy)
{
    assign(this, m_agentBusy, busy, &ProjectSession::agentBusyChanged);
}

void ProjectSession::setBusyConversationId(const std::optional<QUuid> &id)
{
    assign(this, m_busyConversationId, id, &ProjectSession::busyConversationIdChanged);
}

void ProjectSession::setAgentActivity(const std::optional<QString> &activity)
{
    assign(this, m_agentActivity, activity, &ProjectSession::agentActivityChanged);
}

void ProjectSession::setAgentReasoning(const std::optional<QString> &reasoning)
{
    assign(this, m_agentReasoning, reasoning, &ProjectSession::agentReasoningChanged);
}

void ProjectSession::setLiveThinkingCollapsed(bool collapsed)
{
    assign(this, m_liveThinkingCollapsed, collapsed, &ProjectSession::liveThinkingCollapsedChanged);
}

void ProjectSession::setExpandedThoughts(const QSet<QString> &keys)
{
    assign(this, m_expandedThoughts, keys, &ProjectSession::expandedThoughtsChanged);
}

QTimer *ProjectSession::chatPersistTask() const
{
    return m_chatPersistTask.data();
}

void ProjectSession::setChatPersistTask(QTimer *task)
{
    if (m_chatPersistTask == task)
        return;
    m_chatPersistTask = task;
    emit chatPersistTaskChanged();
}

void ProjectSession::setLastChatPersist(const QDateTime &when)
{
    assign(this, m_lastChatPersist, when, &ProjectSession::lastChatPersistChanged);
}

void ProjectSession::setBaseline(const QString &path, const std::optional<QString> &text)
{
    m_baselines.insert(path, text);
}

void ProjectSession::removeBaseline(const QString &path)
{
    m_baselines.remove(path);
}

void ProjectSession::resetBaselines()
{
    m_baselines.clear();
    ++m_baselineEpoch;
    emit baselineEpochChanged();
}

void ProjectSession::startConversations()
{
    auto *conversation = new AgentConversation(this);
    chatStore().attach(*conversation);
    m_conversations = {conversation};
    m_activeConversationId = conversation->id();
}

void ProjectSession::setConversations(const QList<AgentConversation *> &conversations)
{
    if (conversations == m_conversations)
        return;
    const QList<AgentConversation *> previous = std::exchange(m_conversations, conversations);
    for (AgentConversation *conversation : m_conversations)
        conversation->setParent(this);
    emit conversationsChanged();
    for (AgentConversation *conversation : previous) {
        if (!m_conversations.contains(conversation))
            conversation->deleteLater();
    }
}

AgentConversation *ProjectSession::activeConversation() const
{
    for (AgentConversation *conversation : m_conversations) {
        if (conversation->id() == m_activeConversationId)
            return conversation;
    }
    return m_conversations.isEmpty() ? nullptr : m_conversations.first();
}

void ProjectSession::appendAssistantMessage(const QString &text)
{
    if (AgentConversation *conversation = activeConversation())
        conversation->appendMessage(AgentMessage::assistant(text));
}
