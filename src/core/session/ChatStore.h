#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class AgentConversation;
class ProjectSession;

// Keeps a project's agent conversations across restarts: one JSON file per project in the
// user's data folder, written shortly after every change and at once at the important moments
// of a turn, and read back when the project opens. Also keeps the project's agent preferences
// in the user's settings. Nothing of it goes into the clone, and every file error is silent.
//
// A child of its session; the session forwards `persistChatNow`, `scheduleChatPersist`,
// `restoreChat` and the preferences here. UI thread only.
class ChatStore final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatStore)

public:
    using Clock = std::function<QDateTime()>;

    // A burst of changes is written this long after its last change...
    static constexpr std::chrono::milliseconds DebounceDelay{800};
    // ...unless this much time has passed since the last write, when it is written at once.
    static constexpr std::chrono::milliseconds LeadingWriteAfter{5000};
    // The suffix a chats file that could not be decoded is kept under, instead of being lost
    // to the next write.
    static inline const QString UnreadableSuffix = QStringLiteral(".unreadable");

    explicit ChatStore(ProjectSession &session);

    // "<data folder>/Slatebox/Chats", the data folder being XDG_DATA_HOME or ~/.local/share.
    static QString chatsRoot();
    // `chatsRoot()`/<org>/<slug>.json; empty when either slug cannot be a single folder name.
    static QString chatFile(const QString &org, const QString &slug);
    // The session's chats file; absent without a clone (nothing is then read or written).
    std::optional<QString> chatFileURL() const;

    // Writes the conversations that have a user message, in tab order, with the active tab;
    // writes nothing when none has one.
    void persistChatNow();
    // A leading write when the last one is more than five seconds old, else a write 0.8 s after
    // the last of a burst of calls.
    void scheduleChatPersist();
    // After tabs were closed: writes the remaining conversations, or deletes the file when none
    // has a user message.
    void persistClosedConversations();
    // Replaces the session's conversations with the saved ones (both file layouts), if any.
    void restoreChat();

    // "agentPrefs.<org>/<slug>": a map of "mode", "auto" and "model".
    static QString prefsKey(const QString &org, const QString &slug);
    void persistAgentPrefs();
    void restoreAgentPrefs();

    // Gives a conversation the hook that saves the session's chats after each of its changes;
    // the hook holds the session weakly, so a conversation that outlives it does nothing.
    void attach(AgentConversation &conversation) const;

    // Seams for tests and the benchmark.
    void setClock(Clock clock);
    void setDebounceDelay(std::chrono::milliseconds delay);
    // Chats files written by this store so far (writes of unchanged bytes are skipped).
    int writeCount() const { return m_writeCount; }

private:
    QDateTime now() const;
    void cancelPendingWrite();
    void pendingWriteDue();
    // Moves a file that a restore could not decode out of the way before it is replaced.
    void keepUnreadableFile(const QString &file);

    ProjectSession &m_session;
    Clock m_clock;
    std::chrono::milliseconds m_debounceDelay = DebounceDelay;
    QTimer m_pendingWrite;
    QElapsedTimer m_lastRequest;
    bool m_unreadableOnDisk = false;
    // What the last write put in the file.
    QByteArray m_lastWritten;
    int m_writeCount = 0;
};
