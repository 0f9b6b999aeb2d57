#pragma once

#include <functional>
#include <optional>
#include <utility>

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <qcoro/qcorotask.h>

#include "core/agent/AgentMode.h"
#include "core/agent/ContextSlice.h"
#include "core/agent/SkillCommand.h"
#include "core/project/ProjectTree.h"
#include "core/project/ProjectType.h"
#include "core/project/ShowManifest.h"
#include "core/project/SidebarSection.h"
#include "core/service/AgentChatHandle.h"
#include "core/service/DiffCommit.h"

class AgentConversation;
class AgentTurn;
class ChatStore;
class QTimer;

// The state of one open project window: identity, sidebar sections, the file index with every
// file's current text, tabs, dirty paths, baselines and the agent's state. Everything edits the
// file index in memory; the disk is read once by the loader and written only by saving.
//
// Invariants kept by the operations: `openTabs` holds each path once; `activeTab` is absent or
// one of `openTabs`; every tab is a plain file of `files` or a deliverable's cut tab.
// `dirtyPaths` may name paths that are no longer in `files`; saving skips them.
//
// UI thread only. Larger concerns live in classes of their own that hold a reference to the
// session (saving, the deliverable lifecycle, the agent turn, chat persistence); the session
// keeps one-line forwarding members for what the views call, defined next to those classes.
class ProjectSession final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProjectSession)
    Q_MOC_INCLUDE(<QTimer>)
    Q_MOC_INCLUDE("core/agent/AgentConversation.h")

    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    Q_PROPERTY(QString slug READ slug WRITE setSlug NOTIFY slugChanged)
    Q_PROPERTY(QString org READ org WRITE setOrg NOTIFY orgChanged)
    Q_PROPERTY(ProjectType type READ type WRITE setType NOTIFY typeChanged)
    Q_PROPERTY(
        QList<SidebarSection> sections READ sections WRITE setSections NOTIFY sectionsChanged)
    Q_PROPERTY(FileIndex files READ files WRITE setFiles NOTIFY filesChanged)
    Q_PROPERTY(QStringList openTabs READ openTabs WRITE setOpenTabs NOTIFY openTabsChanged)
    Q_PROPERTY(
        std::optional<QString> activeTab READ activeTab WRITE setActiveTab NOTIFY activeTabChanged)
    Q_PROPERTY(AgentMode agentMode READ agentMode WRITE setAgentMode NOTIFY agentModeChanged)
    Q_PROPERTY(bool agentAuto READ agentAuto WRITE setAgentAuto NOTIFY agentAutoChanged)
    Q_PROPERTY(
        QString agentModelId READ agentModelId WRITE setAgentModelId NOTIFY agentModelIdChanged)
    Q_PROPERTY(QList<AgentConversation *> conversations READ conversations WRITE setConversations
                   NOTIFY conversationsChanged)
    Q_PROPERTY(QUuid activeConversationId READ activeConversationId WRITE setActiveConversationId
                   NOTIFY activeConversationIdChanged)
    Q_PROPERTY(bool agentVisible READ agentVisible WRITE setAgentVisible NOTIFY agentVisibleChanged)
    Q_PROPERTY(bool agentBusy READ agentBusy WRITE setAgentBusy NOTIFY agentBusyChanged)
    Q_PROPERTY(std::optional<QUuid> busyConversationId READ busyConversationId WRITE
                   setBusyConversationId NOTIFY busyConversationIdChanged)
    Q_PROPERTY(std::optional<QString> agentActivity READ agentActivity WRITE setAgentActivity NOTIFY
                   agentActivityChanged)
    Q_PROPERTY(std::optional<QString> agentReasoning READ agentReasoning WRITE setAgentReasoning
                   NOTIFY agentReasoningChanged)
    Q_PROPERTY(bool liveThinkingCollapsed READ liveThinkingCollapsed WRITE setLiveThinkingCollapsed
                   NOTIFY liveThinkingCollapsedChanged)
    Q_PROPERTY(QSet<QString> expandedThoughts READ expandedThoughts WRITE setExpandedThoughts NOTIFY
                   expandedThoughtsChanged)
    Q_PROPERTY(
        QSet<QString> dirtyPaths READ dirtyPaths WRITE setDirtyPaths NOTIFY dirtyPathsChanged)
    Q_PROPERTY(bool isSaving READ isSaving WRITE setIsSaving NOTIFY isSavingChanged)
    Q_PROPERTY(
        std::optional<QString> localURL READ localURL WRITE setLocalURL NOTIFY localURLChanged)
    Q_PROPERTY(
        int baselineEpoch READ baselineEpoch WRITE setBaselineEpoch NOTIFY baselineEpochChanged)
    Q_PROPERTY(QTimer *chatPersistTask READ chatPersistTask WRITE setChatPersistTask NOTIFY
                   chatPersistTaskChanged)
    Q_PROPERTY(QDateTime lastChatPersist READ lastChatPersist WRITE setLastChatPersist NOTIFY
                   lastChatPersistChanged)
    Q_PROPERTY(QString windowTitle READ windowTitle NOTIFY titleChanged)
    Q_PROPERTY(QString windowSubtitle READ windowSubtitle NOTIFY windowSubtitleChanged)

public:
    // Path → baseline text; an absent text is a cached "no baseline" (a file new since HEAD).
    using BaselineCache = QHash<QString, std::optional<QString>>;
    // HEAD's commit id with the recent history read at that commit (absent when it failed).
    using DiffHistoryCache = std::pair<QString, std::optional<QList<DiffCommit>>>;
    // Shows the item at an absolute path in the desktop's file manager.
    using RevealLauncher = std::function<void(const QString &absolutePath)>;

    static inline const QString DefaultAgentModelId = QStringLiteral("grok-4.6");

    // `files` is the index of `sections`, `loadedContents` every non-group file's text, the
    // active tab the first of `openTabs`; there is no clone until the loader sets `localURL`.
    ProjectSession(QString title, QString slug, QString org, ProjectType type,
                   QList<SidebarSection> sections, QStringList openTabs,
                   AgentMode agentMode = AgentMode::Ask, QObject *parent = nullptr);
    ~ProjectSession() override;

    // ---- Observed state --------------------------------------------------------------------

    const QString &title() const { return m_title; }
    void setTitle(const QString &title);
    const QString &slug() const { return m_slug; }
    void setSlug(const QString &slug);
    const QString &org() const { return m_org; }
    void setOrg(const QString &org);
    ProjectType type() const { return m_type; }
    void setType(ProjectType type);

    const QList<SidebarSection> &sections() const { return m_sections; }
    void setSections(const QList<SidebarSection> &sections);
    const FileIndex &files() const { return m_files; }
    void setFiles(const FileIndex &files);
    const QStringList &openTabs() const { return m_openTabs; }
    void setOpenTabs(const QStringList &openTabs);
    const std::optional<QString> &activeTab() const { return m_activeTab; }
    void setActiveTab(const std::optional<QString> &activeTab);

    const QSet<QString> &dirtyPaths() const { return m_dirtyPaths; }
    void setDirtyPaths(const QSet<QString> &paths);
    void insertDirtyPath(const QString &path);
    void removeDirtyPath(const QString &path);
    void removeDirtyPaths(const QSet<QString> &paths);
    bool isSaving() const { return m_isSaving; }
    void setIsSaving(bool saving);
    // The clone's root folder; absent only for a session without a clone.
    const std::optional<QString> &localURL() const { return m_localURL; }
    void setLocalURL(const std::optional<QString> &localURL);
    int baselineEpoch() const { return m_baselineEpoch; }
    void setBaselineEpoch(int epoch);

    QString windowTitle() const { return m_title; }
    // "<org>/<slug>"
    QString windowSubtitle() const;

    // ---- Agent state (the agent parts own the rules; the session holds the values) ---------

    AgentMode agentMode() const { return m_agentMode; }
    void setAgentMode(AgentMode mode);
    bool agentAuto() const { return m_agentAuto; }
    void setAgentAuto(bool agentAuto);
    const QString &agentModelId() const { return m_agentModelId; }
    void setAgentModelId(const QString &modelId);

    // The tabs of the agent pane, in order; never empty. The session owns them.
    const QList<AgentConversation *> &conversations() const { return m_conversations; }
    // Takes ownership of every conversation in the list; conversations left out are deleted.
    void setConversations(const QList<AgentConversation *> &conversations);
    const QUuid &activeConversationId() const { return m_activeConversationId; }
    void setActiveConversationId(const QUuid &id);
    // The conversation with `activeConversationId`, or the first one when none matches.
    AgentConversation *activeConversation() const;
    // Appends an assistant message with just this text to the active conversation: how a
    // failure of work the user started without a place of its own (a save) is shown.
    void appendAssistantMessage(const QString &text);

    bool agentVisible() const { return m_agentVisible; }
    void setAgentVisible(bool visible);
    bool agentBusy() const { return m_agentBusy; }
    void setAgentBusy(bool busy);
    const std::optional<QUuid> &busyConversationId() const { return m_busyConversationId; }
    void setBusyConversationId(const std::optional<QUuid> &id);
    const std::optional<QString> &agentActivity() const { return m_agentActivity; }
    void setAgentActivity(const std::optional<QString> &activity);
    const std::optional<QString> &agentReasoning() const { return m_agentReasoning; }
    void setAgentReasoning(const std::optional<QString> &reasoning);
    bool liveThinkingCollapsed() const { return m_liveThinkingCollapsed; }
    void setLiveThinkingCollapsed(bool collapsed);
    const QSet<QString> &expandedThoughts() const { return m_expandedThoughts; }
    void setExpandedThoughts(const QSet<QString> &keys);

    // The pending delayed save of the chats, if any; a timer parented to the session.
    QTimer *chatPersistTask() const;
    void setChatPersistTask(QTimer *task);
    // When the chats were last written; far in the past until the first write.
    const QDateTime &lastChatPersist() const { return m_lastChatPersist; }
    void setLastChatPersist(const QDateTime &when);

    // ---- Caches and handles (not observed) -------------------------------------------------

    const BaselineCache &baselines() const { return m_baselines; }
    void setBaseline(const QString &path, const std::optional<QString> &text);
    void removeBaseline(const QString &path);
    // Forgets every baseline and increases `baselineEpoch` by one, so every gutter re-reads.
    void resetBaselines();
    // Every non-group file's text as loaded: the baselines of a session without a clone.
    const QHash<QString, QString> &loadedContents() const { return m_loadedContents; }

    // The running agent turn's stop handle.
    const std::optional<AgentChatHandle> &agentTask() const { return m_agentTask; }
    void setAgentTask(const std::optional<AgentChatHandle> &task) { m_agentTask = task; }
    const std::optional<DiffHistoryCache> &diffHistoryCache() const { return m_diffHistoryCache; }
    void setDiffHistoryCache(const std::optional<DiffHistoryCache> &cache)
    {
        m_diffHistoryCache = cache;
    }

    // ---- Reading ---------------------------------------------------------------------------

    // A deliverable's folder path whose tab is the cut: no node, a group, or the childless node
    // of a manifest deliverable that has no files yet. Any other plain file is a text tab.
    bool isCutTab(const QString &path) const;
    // "S1E2: Pilot" for a deliverable's folder, else the last path component.
    QString tabTitle(const QString &path) const;
    // The path lies in a deliverable whose manifest entry (as edited in memory) is "shipped".
    bool isShipped(const QString &path) const;
    // The first entry with this slug in the manifest text held in memory.
    std::optional<ShowManifest::Entry> manifestEntry(const QString &slug) const;
    // The text the gutter compares against: the file at HEAD, or as loaded without a clone;
    // cached per path until the next reset.
    std::optional<QString> baseline(const QString &path);

    // ---- Tabs ------------------------------------------------------------------------------

    void open(const QString &path);
    // A plain file or cut tab opens; any other group opens every file below it.
    void openItem(const QString &path);
    void close(const QString &path);
    void closeOtherTabs(const QString &path);
    void closeAllTabs();
    // Drag and drop: `path` takes `target`'s place, so it lands after a target on its right
    // and before one on its left.
    void moveTab(const QString &path, const QString &target);

    // ---- Files -----------------------------------------------------------------------------

    // The editor's only way to change a file's text; shipped files ignore it.
    void updateContents(const QString &path, const QString &contents);
    // Replaces a node's text and nothing else: no shipped check, no dirty mark, no sidebar.
    // Returns false when there is no node at `path`.
    bool setFileContents(const QString &path, const QString &contents);
    // Adds or replaces one node of the index (the sidebar is the caller's business).
    void insertFile(const ProjectFile &file);
    // Removes a file or folder from the index, the tabs, the dirty set and the sidebar, and
    // moves it to the Trash when there is a clone. Throws GitError, changing nothing, for a
    // path that does not stay inside the clone or when the Trash refuses the item.
    void deleteItem(const QString &path);
    // Shows the item, or the nearest existing folder above it, in the file manager.
    void revealInFinder(const QString &path);
    void setRevealLauncher(RevealLauncher launcher);

    // ---- Sidebar (keeps the sections in step without reading the disk) -------------------

    void insertIntoSidebar(const ProjectFile &file);
    void removeFromSidebar(const QString &path);
    // From the manifest text and the files in memory; false when the section stays as it was.
    bool rebuildDeliverablesSection();

    // ---- Agent preferences and chats (kept with the chat store) -----------------------------

    // Each project's agent mode, auto flag and model live in the user's settings.
    void restoreAgentPrefs();
    void persistAgentPrefs();
    // Writes the chats soon, coalescing bursts of changes.
    void scheduleChatPersist();
    // Replaces the conversations with the ones saved for this project, if any.
    void restoreChat();
    // Writes the chats now; after tabs were closed, writes them or deletes the file.
    void persistChatNow();
    void persistClosedConversations();
    // The project's chats file; absent without a clone.
    std::optional<QString> chatFileURL() const;
    ChatStore &chatStore();

    // ---- Agent turn and conversation tabs (ProjectSessionAgent.cpp) -------------------------

    void sendComposer();
    void stopAgent();
    void beginEditing(const QUuid &messageId);
    void cancelEditing();
    void regenerateTitle(const QUuid &conversationId);
    AgentTurn &agentTurn();
    // A new empty tab, appended and made active.
    AgentConversation *newConversation();
    // The running turn's conversation is never closed; the list is never left empty.
    void closeConversation(const QUuid &id);
    void closeOtherConversations(const QUuid &id);
    void closeAllConversations();
    // Drag and drop: `id` takes `target`'s place.
    void moveConversation(const QUuid &id, const QUuid &target);
    // Spaces and tabs are trimmed; an empty name clears the custom title.
    void renameConversation(const QUuid &id, const QString &name);

    // ---- Agent context, slash commands and transcript folds (ProjectSessionContext.cpp) ------

    QList<ContextSlice> contextBreakdown() const;
    qint64 contextTokensUsed() const;
    std::optional<qint64> contextWindowTokens() const;
    double contextUsage() const;
    QList<SkillCommand> skillCommands() const;
    QList<SkillCommand> composerSlashSuggestions() const;
    void completeSlashCommand(const QString &name);
    // Unfolds or folds one finished reasoning block of a message.
    void toggleThought(const QUuid &messageId, int index);
    void toggleLiveThinking();

    // ---- Save and sync (ProjectSessionSave.cpp) --------------------------------------------

    // Starts a save unless one runs; a failure is shown in the agent chat.
    void save();
    // Throws GitError or a file-system error.
    QCoro::Task<void> saveNow(std::optional<QString> message = std::nullopt);
    // Stages everything, commits and pushes "HEAD:refs/heads/main"; off the UI thread.
    static QSet<QString> commitAndPushAll(const QString &root,
                                          const std::optional<QString> &message);
    static QString saveMessage(const QSet<QString> &paths);
    // Writes the dirty files into the clone; reports nothing and changes no state.
    void autosaveToDisk();

    // ---- Deliverable lifecycle (ProjectSessionDeliverables.cpp) -----------------------------

    void setDeliverableStatus(const QString &slug, const QString &status,
                              const std::optional<QString> &airDate);
    QCoro::Task<void> ship(QString deliverable, std::optional<QDateTime> airDate = std::nullopt);
    QCoro::Task<void> startRevision(QString deliverable);
    static QString nextShipTag(const QString &slug, const QString &root);
    static QString isoDay(const QDateTime &date);
    void pin(const QString &inputHash, const QString &cas);
    void unpin(const QString &inputHash);
    std::optional<QString> pinnedCas(const QString &inputHash) const;
    QHash<QString, QString> appearanceByRef() const;
    QHash<QString, QString> voiceByRef() const;
    QHash<QString, QString> locationByRef() const;

signals:
    void titleChanged();
    void slugChanged();
    void orgChanged();
    void typeChanged();
    void sectionsChanged();
    void filesChanged();
    void openTabsChanged();
    void activeTabChanged();
    void agentModeChanged();
    void agentAutoChanged();
    void agentModelIdChanged();
    void conversationsChanged();
    void activeConversationIdChanged();
    void agentVisibleChanged();
    void agentBusyChanged();
    void busyConversationIdChanged();
    void agentActivityChanged();
    void agentReasoningChanged();
    void liveThinkingCollapsedChanged();
    void expandedThoughtsChanged();
    void dirtyPathsChanged();
    void isSavingChanged();
    void localURLChanged();
    void baselineEpochChanged();
    void chatPersistTaskChanged();
    void lastChatPersistChanged();
    void windowSubtitleChanged();

private:
    // The one empty conversation every session starts with.
    void startConversations();
    // Removes `path` from the tabs the way `close` does, reporting whether it was open.
    bool removeTab(const QString &path);

    QString m_title;
    QString m_slug;
    QString m_org;
    ProjectType m_type;
    QList<SidebarSection> m_sections;
    FileIndex m_files;
    QStringList m_openTabs;
    std::optional<QString> m_activeTab;
    AgentMode m_agentMode = AgentMode::Ask;
    bool m_agentAuto = true;
    QString m_agentModelId = DefaultAgentModelId;
    QList<AgentConversation *> m_conversations;
    QUuid m_activeConversationId;
    bool m_agentVisible = true;
    bool m_agentBusy = false;
    std::optional<QUuid> m_busyConversationId;
    std::optional<QString> m_agentActivity;
    std::optional<QString> m_agentReasoning;
    bool m_liveThinkingCollapsed = false;
    QSet<QString> m_expandedThoughts;
    QSet<QString> m_dirtyPaths;
    bool m_isSaving = false;
    std::optional<QString> m_localURL;
    BaselineCache m_baselines;
    int m_baselineEpoch = 0;
    QHash<QString, QString> m_loadedContents;
    QPointer<QTimer> m_chatPersistTask;
    QDateTime m_lastChatPersist;
    std::optional<AgentChatHandle> m_agentTask;
    std::optional<DiffHistoryCache> m_diffHistoryCache;
    RevealLauncher m_revealLauncher;
    // Children of the session, made on first use.
    AgentTurn *m_agentTurn = nullptr;
    ChatStore *m_chatStore = nullptr;
};
