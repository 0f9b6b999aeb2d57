#include "core/cut/OutlineLine.h"

namespace {

bool isSpaceOrTab(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

OutlineLine OutlineLine::from(QStringView raw)
{
    OutlineLine line;
    line.content = raw.endsWith(u'\r') ? raw.chopped(1) : raw;

    line.trimmed = trim(line.content);

    while (line.indent < line.content.size() && line.content[line.indent] == u' ')
        ++line.indent;
    return line;
}

QStringView OutlineLine::trim(QStringView text)
{
    while (!text.isEmpty() && isSpaceOrTab(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isSpaceOrTab(text.back()))
        text.chop(1);
    return text;
}
