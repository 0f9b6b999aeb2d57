#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>

#include <qcoro/qcoroasyncgenerator.h>
#include <qcoro/qcorotask.h>

#include "core/agent/AgentNotes.h"
#include "core/agent/RecentDiffHistory.h"
#include "core/service/AgentChatBody.h"
#include "core/service/AgentChatEvent.h"
#include "core/service/AgentChatHandle.h"

class AgentConversation;
class ProjectSession;

// The agent turn loop of one session: sending the composer, consuming the streamed events in
// order (reply text, reasoning, tool activity, file edits, assets, deletions, usage, title),
// closing the turn with its marker, stopping it, editing an earlier message and regenerating a
// title. One turn runs per session at a time.
//
// The agent's paths come from the service: a path that is not a clean project path, or that
// would leave the clone, changes nothing and leaves a warning in the reply instead.
//
// A child of its session. The running turn holds guarded pointers only: when the session goes
// away mid-turn, the transfer is stopped and the turn ends without touching anything.
class AgentTurn final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AgentTurn)

public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // Opens the stream of one turn; by default `SlateboxAPI::current().agentChat`.
    using StreamSource =
        std::function<QCoro::AsyncGenerator<AgentChatEvent>(AgentChatBody, AgentChatHandle)>;
    // Asks for a title; by default `SlateboxAPI::current().agentTitle`.
    using TitleSource =
        std::function<QCoro::Task<std::optional<QString>>(QList<AgentChatBody::Message>)>;

    // The history budget of a turn, in characters of tool traffic and reasoning.
    static constexpr qsizetype HistoryBudget = 150000;

    explicit AgentTurn(ProjectSession &session);
    ~AgentTurn() override;

    // Starts a turn from the active conversation's composer unless it is blank or a turn runs.
    void sendComposer();
    // Stops the running turn's transfer; the turn then ends as stopped.
    void stopAgent();
    // Loads an earlier user message of the active conversation into its composer.
    void beginEditing(const QUuid &messageId);
    void cancelEditing();
    void regenerateTitle(const QUuid &conversationId);

    // What the events `edit`, `asset` and `delete` do to the session and the clone. False when
    // the path was refused (not a clean project path, or leading out of the clone).
    bool applyAgentEdit(const QString &path, const QString &contents);
    bool applyAgentAsset(const QString &path, const QString &dataBase64);
    bool applyAgentDelete(const QString &path);

    // Seams for tests and the benchmark.
    void setClock(Clock clock);
    void setStreamSource(StreamSource source);
    void setTitleSource(TitleSource source);

signals:
    // After the turn end: the session is idle again and the chats are written.
    void turnEnded();
    // After a regenerated title was stored, or the request came to nothing.
    void titleRequestEnded();

private:
    struct Request;

    QCoro::Task<void> run(Request request);
    QCoro::Task<void> requestTitle(QPointer<AgentConversation> conversation,
                                   QList<AgentChatBody::Message> messages);

    void apply(const AgentChatEvent &event);
    void appendDelta(const QString &text);
    void appendReasoning(const QString &text);
    void closeThinkingPhase();
    void appendNoteToReply(const QString &note);
    void refuse(const QString &path);
    void endTurn(const AgentNotes::TurnEnd &end);
    // Whether the agent's path may change the project. `absolute` receives the file's place in
    // the clone when the clone folder exists; without one the path check alone decides and the
    // change stays in memory.
    bool acceptsPath(const QString &path, std::optional<QString> &absolute) const;

    std::chrono::steady_clock::time_point now() const;

    ProjectSession &m_session;
    Clock m_clock;
    StreamSource m_streamSource;
    TitleSource m_titleSource;
    RecentDiffHistory m_diffHistory;

    // The running turn: its conversation, the position of its reply, its stop handle, and the
    // start of the reasoning phase in progress.
    QPointer<AgentConversation> m_conversation;
    qsizetype m_replyIndex = -1;
    std::optional<AgentChatHandle> m_handle;
    std::optional<std::chrono::steady_clock::time_point> m_thinkingStart;
    // Set while the turn object is being destroyed, so a turn resumed by the final stop does
    // nothing.
    bool m_closing = false;
};
