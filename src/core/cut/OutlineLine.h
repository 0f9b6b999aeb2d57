#pragma once

#include <QStringView>
#include <QtGlobal>

// One line of `shots.yaml` as the outline reader sees it. Views into the caller's text: valid only
// while that text lives.
struct OutlineLine {
    QStringView content;  // the line without its line end
    QStringView trimmed;  // `content` without surrounding spaces and tabs
    qsizetype indent = 0; // leading space characters; a tab ends the count

    // `raw` may still end with the carriage return of a CR LF line end.
    static OutlineLine from(QStringView raw);
    // Spaces and tabs only: other white space belongs to the text.
    static QStringView trim(QStringView text);

    // Blank lines and comment lines carry nothing; a "#" after other text is part of a value.
    bool isSkipped() const { return trimmed.isEmpty() || trimmed.startsWith(u'#'); }
};

// Calls `visit(rawLine)` for every piece of `text` between line feeds, the empty ones included.
template<typename Visit>
void forEachOutlineLine(QStringView text, Visit &&visit)
{
    qsizetype start = 0;
    while (true) {
        const qsizetype end = text.indexOf(u'\n', start);
        if (end < 0) {
            visit(text.sliced(start));
            return;
        }
        visit(text.sliced(start, end - start));
        start = end + 1;
    }
}
