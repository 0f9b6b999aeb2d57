#include "core/agent/ProjectSnapshot.h"

#include <algorithm>

#include "core/agent/AgentConversation.h"
#include "core/agent/Graphemes.h"
#include "core/project/CodePointOrder.h"

namespace {

QStringView extension(QStringView path)
{
    const QStringView name = path.sliced(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QStringView() : name.sliced(dot + 1);
}

bool codePointLess(const QString &a, const QString &b)
{
    return CodePointOrder::less(a, b);
}

} // namespace

bool ProjectSnapshot::isSendable(const ProjectFile &file)
{
    if (file.isGroup())
        return false;
    // A cluster holds at least one UTF-16 unit, so a shorter text needs no counting.
    if (file.contents.size() < maxFileCharacters)
        return true;
    return Graphemes::count(file.contents) < maxFileCharacters;
}

QString ProjectSnapshot::binaryPlaceholder(QStringView path)
{
    static const QStringList audio{u"mp3"_qs, u"wav"_qs, u"m4a"_qs, u"aac"_qs};
    const QString lowered = extension(path).toString().toLower();
    return audio.contains(lowered) ? u"(binary audio)"_qs : u"(binary image)"_qs;
}

QList<AgentChatBody::File> ProjectSnapshot::projectSnapshot(const FileIndex &files)
{
    QList<const ProjectFile *> sendable;
    for (const ProjectFile &file : files) {
        if (isSendable(file))
            sendable.append(&file);
    }
    std::sort(sendable.begin(), sendable.end(), [](const ProjectFile *a, const ProjectFile *b) {
        return codePointLess(a->path, b->path);
    });
    QList<AgentChatBody::File> snapshot;
    snapshot.reserve(sendable.size());
    for (const ProjectFile *file : sendable) {
        snapshot.append(AgentChatBody::File{
            file->path, file->isBinary ? binaryPlaceholder(file->path) : file->contents});
    }
    return snapshot;
}

QStringList ProjectSnapshot::projectLayout(const FileIndex &files)
{
    QStringList paths = files.keys();
    std::sort(paths.begin(), paths.end(), codePointLess);
    return paths;
}

QStringList ProjectSnapshot::layoutSnapshot(AgentConversation &conversation, const FileIndex &files)
{
    if (const auto &frozen = conversation.conversationLayout())
        return *frozen;
    QStringList layout = projectLayout(files);
    conversation.setConversationLayout(layout);
    return layout;
}
