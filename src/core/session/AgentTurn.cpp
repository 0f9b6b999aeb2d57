#include "core/session/AgentTurn.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <qcoro/qcorotask.h>

#include "core/UserFacingError.h"
#include "core/agent/AgentConversation.h"
#include "core/agent/AgentMode.h"
#include "core/agent/HistoryPayload.h"
#include "core/agent/ProjectSnapshot.h"
#include "core/project/ProjectType.h"
#include "core/service/SlateboxAPI.h"
#include "core/service/TransportError.h"
#include "core/session/ClonePath.h"
#include "core/session/CloneWriter.h"
#include "core/session/ProjectSession.h"

namespace {

bool rebuildsDeliverables(const QString &path)
{
    return path == u"slatebox.yaml" || path.startsWith(u"deliverables/");
}

bool writeBytes(const QString &absolute, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(absolute).absolutePath());
    QSaveFile file(absolute);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString errorText(const std::exception &error)
{
    if (const auto *shown = dynamic_cast<const UserFacingError *>(&error))
        return shown->message();
    return QString::fromUtf8(error.what());
}

} // namespace

// Everything the turn task needs from the moment of sending.
struct AgentTurn::Request {
    QList<AgentChatBody::Message> history;
    QString model;
    QString mode;
    QList<AgentChatBody::File> files;
    std::optional<QString> activeFile;
    QStringList layout;
    AgentChatHandle handle;
};

AgentTurn::AgentTurn(ProjectSession &session)
    : QObject(&session)
    , m_session(session)
{
}

AgentTurn::~AgentTurn()
{
    // The session's own members are gone by now (this is one of its children): only the
    // turn's copy of the stop handle is used.
    m_closing = true;
    if (m_handle)
        m_handle->stop();
}

void AgentTurn::sendComposer()
{
    AgentConversation *conversation = m_session.activeConversation();
    if (!conversation)
        return;
    const QString text = conversation->composer().trimmed();
    if (text.isEmpty() || m_session.agentBusy())
        return;

    if (const std::optional<QUuid> editing = conversation->editingMessageId()) {
        const qsizetype index = conversation->indexOfMessage(*editing);
        if (index >= 0)
            conversation->setMessages(conversation->messages().first(index));
        conversation->setEditingMessageId(std::nullopt);
        conversation->setDraftBeforeEditing(QString());
        conversation->setDraftAttachmentsBeforeEditing({});
    }
    if (!conversation->hasUserMessages())
        conversation->setAwaitingGeneratedTitle(true);

    const QList<ChatAttachment> attachments = conversation->pendingAttachments();
    conversation->appendMessage(AgentMessage::user(
        text, attachments.isEmpty() ? std::nullopt : std::make_optional(attachments)));
    conversation->setComposer(QString());
    conversation->setPendingAttachments({});
    m_session.persistChatNow();

    m_session.setAgentBusy(true);
    m_session.setBusyConversationId(conversation->id());
    m_session.setAgentActivity(AgentNotes::PlanningActivity.toString());

    Request request;
    request.history = HistoryPayload::historyPayload(conversation->messages(), HistoryBudget);
    request.model = m_session.agentAuto() ? u"auto"_qs : m_session.agentModelId();
    request.mode = AgentModes::rawValue(m_session.agentMode());
    request.files = ProjectSnapshot::projectSnapshot(m_session.files());
    request.activeFile = m_session.activeTab();
    request.layout = ProjectSnapshot::layoutSnapshot(*conversation, m_session.files());

    conversation->appendMessage(AgentMessage::assistant());
    m_conversation = conversation;
    m_replyIndex = conversation->messages().size() - 1;
    m_thinkingStart.reset();
    m_handle = request.handle;
    m_session.setAgentTask(request.handle);

    QCoro::connect(run(std::move(request)), this, [] {});
}

void AgentTurn::stopAgent()
{
    // Copies of the handle share the one transfer.
    if (m_session.agentTask())
        AgentChatHandle(*m_session.agentTask()).stop();
}

QCoro::Task<void> AgentTurn::run(Request request)
{
    QPointer<AgentTurn> self(this);
    std::optional<QList<DiffCommit>> diffHistory =
        co_await m_diffHistory.recentDiffHistory(m_session.localURL());
    if (!self || m_closing)
        co_return;

    AgentChatBody body;
    body.model = request.model;
    body.mode = request.mode;
    body.messages = std::move(request.history);
    body.context.title = m_session.title();
    body.context.type = ProjectTypes::rawValue(m_session.type());
    body.context.org = m_session.org();
    body.context.slug = m_session.slug();
    body.context.files = std::move(request.files);
    body.context.activeFile = request.activeFile;
    body.context.diffHistory = std::move(diffHistory);
    body.context.projectLayout = std::move(request.layout);

    AgentNotes::TurnEnd end;
    // A stop before the transfer began (while the history was read) still ends as a stop.
    if (request.handle.isStopped()) {
        end.stopped = true;
    } else {
        try {
            const StreamSource source =
                m_streamSource ? m_streamSource : [](AgentChatBody b, AgentChatHandle h) {
                    return SlateboxAPI::current().agentChat(std::move(b), std::move(h));
                };
            QCoro::AsyncGenerator<AgentChatEvent> stream = source(std::move(body), request.handle);
            auto it = co_await stream.begin();
            while (self && !m_closing && it != stream.end()) {
                apply(*it);
                co_await ++it;
            }
        } catch (const TransportError &error) {
            end.stopped = error.isCancellation();
            end.error = error.message();
        } catch (const std::exception &error) {
            end.error = errorText(error);
        }
    }

    if (!self || m_closing)
        co_return;
    end.stopped = end.stopped || request.handle.isStopped();
    closeThinkingPhase();
    endTurn(end);
}

void AgentTurn::apply(const AgentChatEvent &event)
{
    if (!m_conversation)
        return;
    using Kind = AgentChatEvent::Kind;
    switch (event.kind) {
    case Kind::Delta:
        appendDelta(event.text);
        break;
    case Kind::Reasoning:
        appendReasoning(event.text);
        break;
    case Kind::Status:
        closeThinkingPhase();
        m_session.setAgentActivity(AgentNotes::toolActivity(event.name));
        break;
    case Kind::Tool:
        closeThinkingPhase();
        appendNoteToReply(AgentNotes::toolNote(event.name, event.detail));
        m_conversation->updateMessage(m_replyIndex, [&event](AgentMessage &message) {
            if (!message.toolCalls)
                message.toolCalls = QList<AgentToolCall>();
            message.toolCalls->append(AgentToolCall{event.name, event.args, event.result});
        });
        m_session.setAgentActivity(AgentNotes::PlanningActivity.toString());
        break;
    case Kind::Edit:
        if (!applyAgentEdit(event.path, event.contents))
            refuse(event.path);
        break;
    case Kind::Asset:
        if (!applyAgentAsset(event.path, event.dataBase64))
            refuse(event.path);
        break;
    case Kind::Delete:
        if (!applyAgentDelete(event.path))
            refuse(event.path);
        break;
    case Kind::Usage:
        m_conversation->setLastUsage(event.usage);
        break;
    case Kind::Title:
        m_conversation->setGeneratedTitle(event.text);
        break;
    case Kind::Dropped:
        appendNoteToReply(AgentNotes::DroppedLineWarning.toString());
        break;
    }
}

void AgentTurn::appendDelta(const QString &text)
{
    closeThinkingPhase();
    m_conversation->appendToMessageText(m_replyIndex, text);
    if (m_session.agentActivity())
        m_session.setAgentActivity(std::nullopt);
}

void AgentTurn::appendReasoning(const QString &text)
{
    if (!m_thinkingStart) {
        m_thinkingStart = now();
        m_session.setLiveThinkingCollapsed(false);
    }
    m_session.setAgentActivity(AgentNotes::ThinkingActivity.toString());
    m_session.setAgentReasoning(m_session.agentReasoning().value_or(QString()) + text);
}

void AgentTurn::closeThinkingPhase()
{
    if (!m_thinkingStart)
        return;
    const auto start = *m_thinkingStart;
    m_thinkingStart.reset();
    const QString reasoning = m_session.agentReasoning().value_or(QString());
    m_session.setAgentReasoning(std::nullopt);
    m_session.setLiveThinkingCollapsed(false);
    if (!m_conversation)
        return;
    const QString note = AgentNotes::thoughtNote(start, now());
    m_conversation->updateMessage(m_replyIndex, [&](AgentMessage &message) {
        if (!message.thoughts)
            message.thoughts = QStringList();
        message.thoughts->append(reasoning);
        AgentNotes::appendNote(message.text, note);
    });
}

void AgentTurn::appendNoteToReply(const QString &note)
{
    if (!m_conversation || m_replyIndex >= m_conversation->messages().size())
        return;
    // Appended in place, the way appendNote lays a note out, so a note costs no copy of the reply.
    const bool empty = m_conversation->messages().at(m_replyIndex).text.isEmpty();
    m_conversation->appendToMessageText(m_replyIndex, empty ? QString(note + u'\n')
                                                            : QString(u'\n' + note + u'\n'));
}

void AgentTurn::refuse(const QString &path)
{
    appendNoteToReply(AgentNotes::outsidePathNote(path));
}

void AgentTurn::endTurn(const AgentNotes::TurnEnd &end)
{
    AgentConversation *conversation = m_conversation;
    if (conversation) {
        conversation->updateMessage(m_replyIndex, [&end](AgentMessage &message) {
            AgentNotes::markTurnEnd(message.text, end);
        });
    }
    m_session.setAgentBusy(false);
    m_session.setBusyConversationId(std::nullopt);
    m_session.setAgentActivity(std::nullopt);
    m_session.setAgentReasoning(std::nullopt);
    m_session.setAgentTask(std::nullopt);
    m_handle.reset();
    m_conversation = nullptr;
    m_replyIndex = -1;
    if (conversation)
        conversation->setAwaitingGeneratedTitle(false);
    m_session.persistChatNow();
    m_session.autosaveToDisk();
    emit turnEnded();
}

bool AgentTurn::acceptsPath(const QString &path, std::optional<QString> &absolute) const
{
    absolute.reset();
    if (!ClonePath::isClean(path))
        return false;
    const std::optional<QString> &root = m_session.localURL();
    if (!root || !QFileInfo(*root).isDir())
        return true;
    absolute = ClonePath::resolve(*root, path);
    return absolute.has_value();
}

bool AgentTurn::applyAgentEdit(const QString &path, const QString &contents)
{
    std::optional<QString> absolute;
    if (!acceptsPath(path, absolute))
        return false;
    const bool created = !m_session.files().contains(path);
    if (created)
        m_session.insertFile(ProjectFile(path, std::nullopt, contents));
    else
        m_session.setFileContents(path, contents);
    m_session.insertDirtyPath(path);
    if (absolute) {
        try {
            CloneWriter::write(*m_session.localURL(), path, contents);
        } catch (const std::exception &) {
            // The file stays dirty in memory; the next save writes it again.
        }
    }
    if (rebuildsDeliverables(path)) {
        if (!m_session.rebuildDeliverablesSection() && created)
            m_session.insertIntoSidebar(m_session.files().value(path));
    } else if (created) {
        m_session.insertIntoSidebar(m_session.files().value(path));
    }
    return true;
}

bool AgentTurn::applyAgentAsset(const QString &path, const QString &dataBase64)
{
    std::optional<QString> absolute;
    if (!acceptsPath(path, absolute))
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(dataBase64.toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return true;
    if (absolute)
        writeBytes(*absolute, *decoded);
    const bool existed = m_session.files().contains(path);
    const ProjectFile file(path, std::nullopt, QString(), {}, std::nullopt, true);
    m_session.insertFile(file);
    if (!existed)
        m_session.insertIntoSidebar(file);
    return true;
}

bool AgentTurn::applyAgentDelete(const QString &path)
{
    std::optional<QString> absolute;
    if (!acceptsPath(path, absolute))
        return false;
    if (!m_session.files().contains(path))
        return true;
    FileIndex files = m_session.files();
    files.remove(path);
    m_session.setFiles(files);
    m_session.removeDirtyPath(path);
    m_session.close(path);
    if (!(path.startsWith(u"deliverables/") && m_session.rebuildDeliverablesSection()))
        m_session.removeFromSidebar(path);
    if (absolute)
        QFile::remove(*absolute);
    return true;
}

void AgentTurn::beginEditing(const QUuid &messageId)
{
    AgentConversation *conversation = m_session.activeConversation();
    if (!conversation || m_session.agentBusy())
        return;
    const qsizetype index = conversation->indexOfMessage(messageId);
    if (index < 0 || !conversation->messages().at(index).isUser())
        return;
    const AgentMessage message = conversation->messages().at(index);
    if (!conversation->editingMessageId()) {
        conversation->setDraftBeforeEditing(conversation->composer());
        conversation->setDraftAttachmentsBeforeEditing(conversation->pendingAttachments());
    }
    conversation->setEditingMessageId(messageId);
    conversation->setComposer(message.text);
    conversation->setPendingAttachments(message.attachments.value_or(QList<ChatAttachment>()));
}

void AgentTurn::cancelEditing()
{
    AgentConversation *conversation = m_session.activeConversation();
    if (!conversation || !conversation->editingMessageId())
        return;
    conversation->setEditingMessageId(std::nullopt);
    conversation->setComposer(conversation->draftBeforeEditing());
    conversation->setPendingAttachments(conversation->draftAttachmentsBeforeEditing());
    conversation->setDraftBeforeEditing(QString());
    conversation->setDraftAttachmentsBeforeEditing({});
}

void AgentTurn::regenerateTitle(const QUuid &conversationId)
{
    const QList<AgentConversation *> &conversations = m_session.conversations();
    const auto found =
        std::find_if(conversations.cbegin(), conversations.cend(),
                     [&](const AgentConversation *c) { return c->id() == conversationId; });
    if (found == conversations.cend() || !(*found)->hasUserMessages())
        return;
    const QList<AgentMessage> &messages = (*found)->messages();
    const auto firstUser = std::find_if(messages.cbegin(), messages.cend(),
                                        [](const AgentMessage &m) { return m.isUser(); });
    QList<AgentChatBody::Message> wire;
    for (auto it = firstUser; it != messages.cend(); ++it) {
        if (it->text.trimmed().isEmpty())
            continue;
        AgentChatBody::Message message;
        message.role = AgentMessage::roleRawValue(it->role);
        message.content = it->text;
        wire.append(std::move(message));
    }
    QCoro::connect(requestTitle(QPointer<AgentConversation>(*found), std::move(wire)), this, [] {});
}

QCoro::Task<void> AgentTurn::requestTitle(QPointer<AgentConversation> conversation,
                                          QList<AgentChatBody::Message> messages)
{
    QPointer<AgentTurn> self(this);
    std::optional<QString> title;
    try {
        const TitleSource source =
            m_titleSource ? m_titleSource : [](QList<AgentChatBody::Message> m) {
                return SlateboxAPI::current().agentTitle(std::move(m));
            };
        title = co_await source(std::move(messages));
    } catch (const std::exception &) {
        title.reset();
    }
    if (!self || m_closing)
        co_return;
    if (conversation && title && !title->isEmpty()) {
        conversation->setCustomTitle(std::nullopt);
        conversation->setGeneratedTitle(title);
        m_session.scheduleChatPersist();
    }
    emit titleRequestEnded();
}

void AgentTurn::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void AgentTurn::setStreamSource(StreamSource source)
{
    m_streamSource = std::move(source);
}

void AgentTurn::setTitleSource(TitleSource source)
{
    m_titleSource = std::move(source);
}

std::chrono::steady_clock::time_point AgentTurn::now() const
{
    return m_clock ? m_clock() : std::chrono::steady_clock::now();
}
