#include "core/agent/MarkdownText.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/agent/MarkdownTextNumbers.h"

namespace MarkdownText {
namespace {

bool isSpaceOrTab(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Only spaces and tabs: a "\r" left by CR LF text, or any other character, stays.
QStringView trimmed(QStringView line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isSpaceOrTab(line[begin]))
        ++begin;
    while (end > begin && isSpaceOrTab(line[end - 1]))
        --end;
    return line.sliced(begin, end - begin);
}

bool startsWith(QStringView line, QChar first, QChar second)
{
    return line.size() >= 2 && line[0] == first && line[1] == second;
}

bool isFenceLine(QStringView trimmedLine)
{
    return trimmedLine.size() >= 3 && trimmedLine[0] == u'`' && trimmedLine[1] == u'`' &&
           trimmedLine[2] == u'`';
}

std::optional<Block> headingLine(QStringView line)
{
    qsizetype level = 0;
    while (level < line.size() && line[level] == u'#')
        ++level;
    if (level == 0 || level > 6)
        return std::nullopt;
    const QStringView rest = line.sliced(level);
    if (rest.isEmpty() || rest.front() != u' ')
        return std::nullopt;
    return Block::heading(int(level), trimmed(rest).toString());
}

std::optional<ListItem> listLine(QStringView line)
{
    if (line.size() >= 2 && line[1] == u' ' &&
        (line[0] == u'-' || line[0] == u'*' || line[0] == u'+'))
        return ListItem{QStringLiteral("\u2022"), line.sliced(2).toString()};

    const std::optional<qsizetype> digits = leadingNumberLength(line, 3);
    if (!digits || *digits == 0)
        return std::nullopt;
    const QStringView rest = line.sliced(*digits);
    if (!startsWith(rest, u'.', u' '))
        return std::nullopt;
    QString marker = line.first(*digits).toString();
    marker += u'.';
    return ListItem{std::move(marker), rest.sliced(2).toString()};
}

bool isTableSeparator(QStringView line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && line[begin] == u'|')
        ++begin;
    while (end > begin && line[end - 1] == u'|')
        --end;
    bool hasDash = false;
    for (const QChar c : line.sliced(begin, end - begin)) {
        if (c == u'-')
            hasDash = true;
        else if (c != u':' && c != u'|' && c != u' ')
            return false;
    }
    return hasDash;
}

QStringList tableCells(QStringView line)
{
    if (line.startsWith(u'|'))
        line = line.sliced(1);
    if (line.endsWith(u'|'))
        line = line.chopped(1);
    // Cells are short: one scan for the bars beats a search call per cell.
    QStringList cells;
    cells.reserve(line.count(u'|') + 1);
    qsizetype begin = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'|') {
            cells.append(trimmed(line.sliced(begin, i - begin)).toString());
            begin = i + 1;
        }
    }
    cells.append(trimmed(line.sliced(begin)).toString());
    return cells;
}

std::optional<Block> parseTable(const QList<QStringView> &lines)
{
    if (lines.size() < 2 || !isTableSeparator(lines[1]))
        return std::nullopt;
    QList<QStringList> rows;
    rows.reserve(lines.size() - 1);
    rows.append(tableCells(lines[0]));
    for (qsizetype i = 2; i < lines.size(); ++i) {
        if (!isTableSeparator(lines[i]))
            rows.append(tableCells(lines[i]));
    }
    qsizetype width = 0;
    for (const QStringList &row : rows)
        width = std::max(width, row.size());
    for (QStringList &row : rows)
        row.resize(width);
    return Block::table(std::move(rows));
}

QString joinedLines(const QList<QStringView> &lines)
{
    qsizetype size = lines.size() - 1;
    for (const QStringView line : lines)
        size += line.size();
    QString joined;
    joined.reserve(size);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            joined += u'\n';
        joined += lines[i];
    }
    return joined;
}

// One pass over a text: the pending paragraph, list, table and fence, and the blocks so far.
class BlockBuilder {
public:
    explicit BlockBuilder(QStringView text)
        : m_text(text)
    {
    }

    QList<Block> run()
    {
        qsizetype begin = 0;
        for (qsizetype newline; (newline = m_text.indexOf(u'\n', begin)) >= 0; begin = newline + 1)
            addLine(begin, newline);
        addLine(begin, m_text.size());
        flushTable();
        flushParagraph();
        flushList();
        if (m_codeBegin)
            m_blocks.append(Block::code(codeUpTo(m_text.size())));
        return std::move(m_blocks);
    }

private:
    void addLine(qsizetype begin, qsizetype end)
    {
        const QStringView line = trimmed(m_text.sliced(begin, end - begin));
        if (m_codeBegin) {
            if (isFenceLine(line)) {
                m_blocks.append(Block::code(codeUpTo(begin - 1)));
                m_codeBegin.reset();
            }
            return;
        }
        if (line.startsWith(u'|')) {
            flushParagraph();
            flushList();
            m_tableLines.append(line);
            return;
        }
        flushTable();
        addOutsideTable(line, begin, end);
    }

    void addOutsideTable(QStringView line, qsizetype begin, qsizetype end)
    {
        if (isFenceLine(line)) {
            flushParagraph();
            flushList();
            m_codeBegin = end + 1; // whatever follows the backticks is dropped
        } else if (line.isEmpty()) {
            flushParagraph();
            flushList();
        } else if (startsWith(line, u'\u00B7', u' ')) {
            flushParagraph();
            flushList();
            m_blocks.append(Block::note(line.toString()));
        } else if (std::optional<Block> heading = headingLine(line)) {
            flushParagraph();
            flushList();
            m_blocks.append(std::move(*heading));
        } else if (std::optional<ListItem> item = listLine(line)) {
            flushParagraph();
            m_items.append(std::move(*item));
        } else {
            flushList();
            if (m_paragraphBegin < 0)
                m_paragraphBegin = begin;
            m_paragraphEnd = end;
        }
    }

    // The code lines of the open fence, which run from m_codeBegin up to `end`.
    QString codeUpTo(qsizetype end) const
    {
        if (end <= *m_codeBegin)
            return {};
        return m_text.sliced(*m_codeBegin, end - *m_codeBegin).toString();
    }

    void flushParagraph()
    {
        if (m_paragraphBegin < 0)
            return;
        m_blocks.append(Block::paragraph(
            m_text.sliced(m_paragraphBegin, m_paragraphEnd - m_paragraphBegin).toString()));
        m_paragraphBegin = -1;
    }

    void flushList()
    {
        if (m_items.isEmpty())
            return;
        m_blocks.append(Block::list(std::move(m_items)));
        m_items = {};
    }

    // Table lines always follow a flushed paragraph, so lines that make no table form a
    // paragraph of their own.
    void flushTable()
    {
        if (m_tableLines.isEmpty())
            return;
        if (std::optional<Block> table = parseTable(m_tableLines))
            m_blocks.append(std::move(*table));
        else
            m_blocks.append(Block::paragraph(joinedLines(m_tableLines)));
        m_tableLines.clear();
    }

    QStringView m_text;
    QList<Block> m_blocks;
    // Pending paragraph lines are always consecutive lines of the text, and joining them with
    // "\n" gives back the text between them: they are kept as one range and copied once.
    qsizetype m_paragraphBegin = -1;
    qsizetype m_paragraphEnd = -1;
    QList<ListItem> m_items;
    QList<QStringView> m_tableLines; // trimmed, pointing into m_text
    // Inside a fence: where its first code line begins (past the end for a fence on the last line).
    std::optional<qsizetype> m_codeBegin;
};

} // namespace

QList<Block> blocks(QStringView text)
{
    return BlockBuilder(text).run();
}

} // namespace MarkdownText
