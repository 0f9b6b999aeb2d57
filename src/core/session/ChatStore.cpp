#include "core/session/ChatStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QVariantMap>

#include "core/agent/AgentConversation.h"
#include "core/agent/AgentMode.h"
#include "core/agent/SavedChats.h"
#include "core/project/ProjectRef.h"
#include "core/service/AgentModel.h"
#include "core/session/ProjectSession.h"

namespace {

const QString modeKey = QStringLiteral("mode");
const QString autoKey = QStringLiteral("auto");
const QString modelKey = QStringLiteral("model");

bool writeAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

ChatStore::ChatStore(ProjectSession &session)
    : QObject(&session)
    , m_session(session)
{
    m_pendingWrite.setSingleShot(true);
    connect(&m_pendingWrite, &QTimer::timeout, this, &ChatStore::pendingWriteDue);
}

QString ChatStore::chatsRoot()
{
    static const QString root =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Slatebox/Chats";
    return root;
}

QString ChatStore::chatFile(const QString &org, const QString &slug)
{
    // The slugs name a folder and a file of their own: nothing that could climb out of the
    // chats folder or into another project's file.
    if (!ProjectRef{org, slug}.isValid())
        return {};
    return chatsRoot() + u'/' + org + u'/' + slug + u".json";
}

std::optional<QString> ChatStore::chatFileURL() const
{
    if (!m_session.localURL())
        return std::nullopt;
    const QString file = chatFile(m_session.org(), m_session.slug());
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

void ChatStore::persistChatNow()
{
    const auto file = chatFileURL();
    if (!file)
        return;
    cancelPendingWrite();
    m_session.setLastChatPersist(now());

    SavedChats saved;
    saved.activeId = m_session.activeConversationId();
    for (const AgentConversation *conversation : m_session.conversations()) {
        if (conversation->hasUserMessages())
            saved.chats.append(SavedChat::of(*conversation));
    }
    if (saved.chats.isEmpty())
        return;
    const QByteArray bytes = saved.encode();

    // Sending writes the same chats twice in a row (once for the new message, once before the
    // turn starts), and a file of inline images is costly to rewrite: unchanged bytes that are
    // still on disk are not written again.
    if (bytes == m_lastWritten && QFile::exists(*file))
        return;
    QDir().mkpath(QFileInfo(*file).absolutePath());
    keepUnreadableFile(*file);
    if (writeAtomically(*file, bytes)) {
        ++m_writeCount;
        m_lastWritten = bytes;
    }
}

void ChatStore::scheduleChatPersist()
{
    if (!chatFileURL())
        return;
    if (m_session.lastChatPersist().msecsTo(now()) > LeadingWriteAfter.count()) {
        persistChatNow();
        return;
    }
    // Each call moves the pending write to 0.8 s after it. A streamed reply calls this for every
    // piece, so the timer is not restarted each time: it checks when it fires whether a later
    // call moved the deadline.
    m_lastRequest.start();
    if (!m_pendingWrite.isActive())
        m_pendingWrite.start(m_debounceDelay);
    m_session.setChatPersistTask(&m_pendingWrite);
}

void ChatStore::pendingWriteDue()
{
    const auto remaining = m_debounceDelay - std::chrono::milliseconds(m_lastRequest.elapsed());
    if (remaining > std::chrono::milliseconds(0))
        m_pendingWrite.start(remaining);
    else
        persistChatNow();
}

void ChatStore::persistClosedConversations()
{
    for (const AgentConversation *conversation : m_session.conversations()) {
        if (conversation->hasUserMessages()) {
            persistChatNow();
            return;
        }
    }
    const auto file = chatFileURL();
    if (!file)
        return;
    cancelPendingWrite();
    m_session.setLastChatPersist(now());
    keepUnreadableFile(*file);
    QFile::remove(*file);
    m_lastWritten.clear();
}

void ChatStore::restoreChat()
{
    const auto path = chatFileURL();
    if (!path)
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    file.close();
    const std::optional<SavedChats> saved = SavedChats::decode(bytes);
    if (!saved) {
        m_unreadableOnDisk = true;
        return;
    }

    QList<AgentConversation *> restored;
    for (const SavedChat &chat : saved->chats) {
        QList<AgentMessage> messages = chat.restorableMessages();
        if (messages.isEmpty())
            continue;
        auto *conversation =
            new AgentConversation(chat.id.value_or(QUuid::createUuid()), chat.title,
                                  chat.generatedTitle, std::move(messages));
        conversation->setConversationLayout(chat.layout);
        conversation->setLastUsage(chat.usage);
        attach(*conversation);
        restored.append(conversation);
    }
    if (restored.isEmpty())
        return;

    QUuid active = restored.last()->id();
    for (const AgentConversation *conversation : restored) {
        if (saved->activeId && conversation->id() == *saved->activeId)
            active = conversation->id();
    }
    m_session.setConversations(restored);
    m_session.setActiveConversationId(active);
}

QString ChatStore::prefsKey(const QString &org, const QString &slug)
{
    return u"agentPrefs." + org + u'/' + slug;
}

void ChatStore::persistAgentPrefs()
{
    QVariantMap prefs;
    prefs.insert(modeKey, AgentModes::rawValue(m_session.agentMode()));
    prefs.insert(autoKey, m_session.agentAuto());
    prefs.insert(modelKey, m_session.agentModelId());
    QSettings().setValue(prefsKey(m_session.org(), m_session.slug()), prefs);
}

void ChatStore::restoreAgentPrefs()
{
    const QVariant stored = QSettings().value(prefsKey(m_session.org(), m_session.slug()));
    if (stored.typeId() != QMetaType::QVariantMap)
        return;
    const QVariantMap prefs = stored.toMap();
    const QVariant mode = prefs.value(modeKey);
    if (mode.typeId() == QMetaType::QString) {
        if (const auto parsed = AgentModes::fromRaw(mode.toString()))
            m_session.setAgentMode(*parsed);
    }
    const QVariant automatic = prefs.value(autoKey);
    if (automatic.typeId() == QMetaType::Bool)
        m_session.setAgentAuto(automatic.toBool());
    const QVariant model = prefs.value(modelKey);
    if (model.typeId() == QMetaType::QString && AgentModel::named(model.toString()))
        m_session.setAgentModelId(model.toString());
}

void ChatStore::attach(AgentConversation &conversation) const
{
    conversation.setOnMessagesChanged([session = QPointer<ProjectSession>(&m_session)] {
        if (session)
            session->scheduleChatPersist();
    });
}

void ChatStore::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

void ChatStore::setDebounceDelay(std::chrono::milliseconds delay)
{
    m_debounceDelay = delay;
}

QDateTime ChatStore::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTimeUtc();
}

void ChatStore::cancelPendingWrite()
{
    m_pendingWrite.stop();
    m_session.setChatPersistTask(nullptr);
}

void ChatStore::keepUnreadableFile(const QString &file)
{
    if (!m_unreadableOnDisk)
        return;
    m_unreadableOnDisk = false;
    const QString aside = file + UnreadableSuffix;
    QFile::remove(aside);
    QFile::rename(file, aside);
}
