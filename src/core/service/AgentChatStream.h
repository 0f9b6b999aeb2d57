#pragma once

#include <QByteArray>
#include <QString>

#include <qcoro/qcoroasyncgenerator.h>

#include "core/service/AgentChatEvent.h"
#include "core/service/AgentChatHandle.h"

class QNetworkRequest;

// The transfer behind `SlateboxAPI::agentChat`: one POST over the streaming network manager,
// its answer judged and decoded line by line as the bytes arrive.
namespace AgentChatStream {

// Lazy: nothing is sent before the consumer first awaits `begin()`. Ends normally when the body
// says `done` or runs out; throws APIError for a refused turn or an `error` event, and
// TransportError for a lost connection, a timeout or `handle.stop()` (a cancellation).
// `origin` is the base URL's text, quoted when the answer is not HTTP at all.
QCoro::AsyncGenerator<AgentChatEvent> open(QNetworkRequest request, QByteArray body, QString origin,
                                           AgentChatHandle handle);

} // namespace AgentChatStream
