#include "core/service/AgentChatLineBuffer.h"

#include <algorithm>

void AgentChatLineBuffer::append(QByteArrayView bytes)
{
    // Consumed lines are dropped only here, so a long stream keeps one small buffer instead of
    // shifting bytes after every line.
    if (m_start > 0) {
        m_bytes.remove(0, m_start);
        m_scanFrom -= m_start;
        m_start = 0;
    }
    m_bytes.append(bytes);
}

bool AgentChatLineBuffer::nextLine(QByteArrayView &line)
{
    if (m_skipLineFeed && m_start < m_bytes.size()) {
        if (m_bytes.at(m_start) == '\n')
            ++m_start;
        m_skipLineFeed = false;
    }
    const char *data = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    for (qsizetype i = std::max(m_start, m_scanFrom); i < size; ++i) {
        const char c = data[i];
        if (c != '\n' && c != '\r')
            continue;
        line = QByteArrayView(data + m_start, i - m_start);
        m_start = i + 1;
        m_scanFrom = m_start;
        if (c == '\r') {
            if (m_start < size) {
                if (data[m_start] == '\n')
                    ++m_start;
            } else {
                m_skipLineFeed = true;
            }
        }
        m_scanFrom = std::max(m_scanFrom, m_start);
        return true;
    }
    m_scanFrom = size;
    return false;
}

bool AgentChatLineBuffer::takeRest(QByteArray &rest)
{
    if (m_start >= m_bytes.size())
        return false;
    rest = m_bytes.mid(m_start);
    m_start = m_bytes.size();
    return true;
}
