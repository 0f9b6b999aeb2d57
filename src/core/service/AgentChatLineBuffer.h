#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Splits a byte stream that arrives in arbitrary pieces into lines. "\n", "\r\n" and a lone
// "\r" all end a line, even when a "\r\n" pair is split between two pieces.
class AgentChatLineBuffer {
public:
    void append(QByteArrayView bytes);
    // The next complete line without its terminator; false when none is complete yet. The view
    // stays valid until the next call of `append` or `nextLine`.
    bool nextLine(QByteArrayView &line);
    // The unterminated rest once the body has ended; false when there is none.
    bool takeRest(QByteArray &rest);

private:
    QByteArray m_bytes;
    qsizetype m_start = 0;
    // Where the search for the next terminator resumes: bytes before it hold none.
    qsizetype m_scanFrom = 0;
    bool m_skipLineFeed = false;
};
