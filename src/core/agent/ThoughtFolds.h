#pragma once

#include <QSet>
#include <QString>
#include <QUuid>

// Which reasoning blocks of the transcript are unfolded. The fold state lives beside the
// messages, not in them, so folding never counts as an edit of the conversation.
namespace ThoughtFolds {

// The key of one finished reasoning block: the message id's upper-case UUID string, "#" and
// the thought's index ("E621E1F8-C36C-495A-93FC-0C247A3E6E5F#0").
QString thoughtKey(const QUuid &messageId, int index);

// The set with that block's key added, or removed when it was there.
QSet<QString> toggledThought(QSet<QString> expanded, const QUuid &messageId, int index);

// The live reasoning's fold after a click on its header.
inline bool toggledLiveThinking(bool collapsed)
{
    return !collapsed;
}

} // namespace ThoughtFolds
