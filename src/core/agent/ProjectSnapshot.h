#pragma once

#include <QList>
#include <QStringList>

#include "core/project/ProjectTree.h"
#include "core/service/AgentChatBody.h"

class AgentConversation;

// The picture of the project that goes out with every turn: the text of each file and the
// layout of the tree as the conversation first saw it.
namespace ProjectSnapshot {

// Files of this many characters or more go neither into the snapshot nor into the estimate.
inline constexpr qsizetype maxFileCharacters = 1000000;

// A file the turn may carry: not a group, and shorter than `maxFileCharacters` user-perceived
// characters.
bool isSendable(const ProjectFile &file);

// The stand-in for a binary file's bytes: "(binary audio)" for mp3, wav, m4a and aac (the
// extension in any case), "(binary image)" for anything else.
QString binaryPlaceholder(QStringView path);

// Every sendable file, sorted by path, with its in-memory text (unsaved edits included) or its
// binary placeholder.
QList<AgentChatBody::File> projectSnapshot(const FileIndex &files);

// Every path of the index, groups included, in code-point order.
QStringList projectLayout(const FileIndex &files);

// The conversation's frozen layout; the first call stores `projectLayout(files)` in it, so
// later turns send the tree as it was at the first one.
QStringList layoutSnapshot(AgentConversation &conversation, const FileIndex &files);

} // namespace ProjectSnapshot
