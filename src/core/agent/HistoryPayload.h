#pragma once

#include <QList>

#include "core/agent/AgentMessage.h"
#include "core/service/AgentChatBody.h"

// The conversation as a turn sends it. Tool traffic and reasoning are the heavy parts of a
// transcript; the budget bounds them, newest first, while message texts and images always go
// whole.
namespace HistoryPayload {

// Characters of tool arguments, tool results and reasoning sent per turn.
inline constexpr qsizetype historyBudget = 150000;

// The characters a message's heavy parts weigh: every tool call's arguments and result (not
// its name) and every thought, counted in user-perceived characters.
qsizetype heavyWeight(const AgentMessage &message);

// Messages from the first user message on (none when there is none). Walking assistant
// messages from the newest, those of weight 0 are skipped and the others keep their tool calls
// and thoughts while the running sum stays within `budget`; the first that does not fit, and
// every older one, go without them.
QList<AgentChatBody::Message> historyPayload(const QList<AgentMessage> &messages,
                                             qsizetype budget = historyBudget);

} // namespace HistoryPayload
