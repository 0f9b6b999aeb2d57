#pragma once

#include <optional>

#include <QByteArrayView>
#include <QList>
#include <QString>

#include "core/service/AgentChatEvent.h"

// Decoding of one line of a streamed agent turn, apart from any transport so the framing rules
// can be checked on their own.
namespace AgentChatLine {

// What one line asks of the stream. With `error` set, `events` is empty and the stream fails;
// with `done`, the stream ends after delivering `events`.
struct Decoded {
    QList<AgentChatEvent> events;
    std::optional<QString> error;
    bool done = false;

    bool operator==(const Decoded &) const = default;
};

// How much of an undecodable line a `dropped` event keeps, in user-perceived characters.
inline constexpr qsizetype droppedLineLength = 200;

// `line` is one line of the body without its terminator. Lines without the exact "data: "
// prefix give nothing; a line that does not decode gives one `dropped` event.
Decoded decode(QByteArrayView line);

// The first `length` characters of `line`, never splitting a character that is written with
// several code points (a surrogate pair, a letter with combining marks).
QString leadingCharacters(const QString &line, qsizetype length);

} // namespace AgentChatLine
