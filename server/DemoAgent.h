#pragma once

#include <optional>

#include <QList>
#include <QString>

#include "AgentChatRequest.h"
#include "TurnScript.h"

// The service's stand-in for a language model: a deterministic turn that exercises every event
// kind the client understands, with short real pauses between the lines so that a client sees it
// arrive piece by piece.
//
// Every turn: reasoning, a status and a finished tool call, the reply in small deltas, usage with
// a prompt breakdown, a title on a conversation's first turn, and `done`. In agent mode a message
// that asks for it ("edit", "write", "change", "update"; "image", "asset", "picture", "sheet",
// "plate"; "delete", "remove") also gets an edit, an asset and a delete inside the project. The
// edit goes to a project file the message names, else the active file, else a new note; the
// delete removes a project file the message names, else a scratch note the turn writes first.
namespace DemoAgent {

// Milliseconds between two lines of a turn.
inline constexpr int pauseMs = 30;

TurnScript turn(const AgentChatRequest &request);

// A few words of the first user message with text; none when no message has any.
std::optional<QString> title(const QList<AgentChatRequest::Message> &messages);

} // namespace DemoAgent
