#pragma once

#include <functional>
#include <optional>

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include "core/agent/AgentMessage.h"
#include "core/agent/ChatAttachment.h"
#include "core/service/AgentTurnUsage.h"

// One chat tab of the agent pane: its transcript, draft, titles and the usage of its latest
// turn. Every stored field notifies on change and stays silent when given an equal value.
// `onMessagesChanged` is the exception: it is the persistence hook, not an observer, and runs
// after every store of `messages` (in-place edits included), changed or not. UI thread only.
class AgentConversation final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AgentConversation)
    Q_PROPERTY(QUuid id READ id CONSTANT)
    Q_PROPERTY(std::optional<QString> customTitle READ customTitle WRITE setCustomTitle NOTIFY
                   customTitleChanged)
    Q_PROPERTY(std::optional<QString> generatedTitle READ generatedTitle WRITE setGeneratedTitle
                   NOTIFY generatedTitleChanged)
    Q_PROPERTY(bool awaitingGeneratedTitle READ isAwaitingGeneratedTitle WRITE
                   setAwaitingGeneratedTitle NOTIFY awaitingGeneratedTitleChanged)
    Q_PROPERTY(QList<AgentMessage> messages READ messages WRITE setMessages NOTIFY messagesChanged)
    Q_PROPERTY(QString composer READ composer WRITE setComposer NOTIFY composerChanged)
    Q_PROPERTY(QList<ChatAttachment> pendingAttachments READ pendingAttachments WRITE
                   setPendingAttachments NOTIFY pendingAttachmentsChanged)
    Q_PROPERTY(std::optional<AgentTurnUsage> lastUsage READ lastUsage WRITE setLastUsage NOTIFY
                   lastUsageChanged)
    Q_PROPERTY(std::optional<QStringList> conversationLayout READ conversationLayout WRITE
                   setConversationLayout NOTIFY conversationLayoutChanged)
    Q_PROPERTY(std::optional<QUuid> editingMessageId READ editingMessageId WRITE setEditingMessageId
                   NOTIFY editingMessageIdChanged)
    Q_PROPERTY(QString draftBeforeEditing READ draftBeforeEditing WRITE setDraftBeforeEditing NOTIFY
                   draftBeforeEditingChanged)
    Q_PROPERTY(
        QList<ChatAttachment> draftAttachmentsBeforeEditing READ draftAttachmentsBeforeEditing WRITE
            setDraftAttachmentsBeforeEditing NOTIFY draftAttachmentsBeforeEditingChanged)
    Q_PROPERTY(QString title READ title NOTIFY titleChanged)
    Q_PROPERTY(bool hasUserMessages READ hasUserMessages NOTIFY messagesChanged)

public:
    using MessagesChangedHook = std::function<void()>;

    // The tab's title when nothing better is known.
    static QString placeholderTitle();
    // The longest title taken from a first message, in characters, before "…" is added.
    static constexpr qsizetype maxMessageTitleLength = 28;

    explicit AgentConversation(QUuid id = QUuid::createUuid(),
                               std::optional<QString> customTitle = std::nullopt,
                               std::optional<QString> generatedTitle = std::nullopt,
                               QList<AgentMessage> messages = {}, QObject *parent = nullptr);
    explicit AgentConversation(QObject *parent);

    QUuid id() const { return m_id; }
    const std::optional<QString> &customTitle() const { return m_customTitle; }
    const std::optional<QString> &generatedTitle() const { return m_generatedTitle; }
    bool isAwaitingGeneratedTitle() const { return m_awaitingGeneratedTitle; }
    const QList<AgentMessage> &messages() const { return m_messages; }
    const QString &composer() const { return m_composer; }
    const QList<ChatAttachment> &pendingAttachments() const { return m_pendingAttachments; }
    const std::optional<AgentTurnUsage> &lastUsage() const { return m_lastUsage; }
    const std::optional<QStringList> &conversationLayout() const { return m_conversationLayout; }
    const std::optional<QUuid> &editingMessageId() const { return m_editingMessageId; }
    const QString &draftBeforeEditing() const { return m_draftBeforeEditing; }
    const QList<ChatAttachment> &draftAttachmentsBeforeEditing() const
    {
        return m_draftAttachmentsBeforeEditing;
    }
    const MessagesChangedHook &onMessagesChanged() const { return m_onMessagesChanged; }

    void setCustomTitle(const std::optional<QString> &title);
    void setGeneratedTitle(const std::optional<QString> &title);
    void setAwaitingGeneratedTitle(bool awaiting);
    void setMessages(const QList<AgentMessage> &messages);
    void setComposer(const QString &composer);
    void setPendingAttachments(const QList<ChatAttachment> &attachments);
    void setLastUsage(const std::optional<AgentTurnUsage> &usage);
    void setConversationLayout(const std::optional<QStringList> &layout);
    void setEditingMessageId(const std::optional<QUuid> &id);
    void setDraftBeforeEditing(const QString &draft);
    void setDraftAttachmentsBeforeEditing(const QList<ChatAttachment> &attachments);
    void setOnMessagesChanged(MessagesChangedHook hook);

    // Stores of `messages` that do not copy the whole transcript; each is one assignment for
    // the hook. An index or id that matches nothing changes nothing and runs no hook.
    void appendMessage(const AgentMessage &message);
    bool updateMessage(qsizetype index, const std::function<void(AgentMessage &)> &edit);
    bool updateMessage(const QUuid &id, const std::function<void(AgentMessage &)> &edit);
    // Appends to one message's text in place, so a streamed reply grows in amortised constant
    // time per piece instead of copying the whole text; one assignment for the hook.
    bool appendToMessageText(qsizetype index, QStringView text);
    // The position of the message with this id, or -1.
    qsizetype indexOfMessage(const QUuid &id) const;

    bool hasUserMessages() const;
    // Custom title, else generated title, else "New Agent" while a title is awaited, else the
    // first line of the first user message (28 characters at most, then "…"), else "New Agent".
    // Empty titles count as none.
    QString title() const;

    // The title a first user message gives: its first non-empty line (the whole text if there
    // is none), trimmed of spaces and tabs, cut to 28 characters with "…" appended.
    static QString titleFromMessage(QStringView text);

signals:
    void customTitleChanged();
    void generatedTitleChanged();
    void awaitingGeneratedTitleChanged();
    void messagesChanged();
    void composerChanged();
    void pendingAttachmentsChanged();
    void lastUsageChanged();
    void conversationLayoutChanged();
    void editingMessageIdChanged();
    void draftBeforeEditingChanged();
    void draftAttachmentsBeforeEditingChanged();
    void titleChanged();

private:
    // Emits titleChanged when the derived title moved; called after each input of the title.
    void refreshTitle();
    void messagesStored(bool changed);

    const QUuid m_id;
    std::optional<QString> m_customTitle;
    std::optional<QString> m_generatedTitle;
    bool m_awaitingGeneratedTitle = false;
    QList<AgentMessage> m_messages;
    QString m_composer;
    QList<ChatAttachment> m_pendingAttachments;
    std::optional<AgentTurnUsage> m_lastUsage;
    std::optional<QStringList> m_conversationLayout;
    std::optional<QUuid> m_editingMessageId;
    QString m_draftBeforeEditing;
    QList<ChatAttachment> m_draftAttachmentsBeforeEditing;
    MessagesChangedHook m_onMessagesChanged;
    QString m_title;
};
