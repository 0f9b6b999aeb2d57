#include "core/agent/Graphemes.h"

#include <algorithm>

#include <QTextBoundaryFinder>

namespace {

// Below U+0300 no code unit starts or extends a multi-unit cluster, except CR before LF; such
// text (most prose and code) is counted by its length without asking the boundary finder.
bool isSimple(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x300 || c == u'\r')
            return false;
    }
    return true;
}

} // namespace

qsizetype Graphemes::count(QStringView text)
{
    if (isSimple(text))
        return text.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype clusters = 0;
    while (finder.toNextBoundary() != -1)
        ++clusters;
    return clusters;
}

QStringView Graphemes::left(QStringView text, qsizetype limit)
{
    if (limit <= 0)
        return text.first(0);
    // The cluster boundary after `limit` simple units needs one more unit to be sure of.
    if (isSimple(text.first(std::min(limit + 1, text.size()))))
        return text.first(std::min(limit, text.size()));
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype end = 0;
    for (qsizetype taken = 0; taken < limit; ++taken) {
        const qsizetype next = finder.toNextBoundary();
        if (next == -1)
            break;
        end = next;
    }
    return text.first(end);
}
