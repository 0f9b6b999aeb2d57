#include "core/editor/SyntaxColoring.h"

#include <QRegularExpression>
#include <QVarLengthArray>

namespace SyntaxColoring {

namespace {

// One expression, compiled twice. Anchors match at line starts and ends; \s and \d follow Unicode,
// as the colouring always has. On a line of ASCII characters Unicode makes no difference, and
// the plain compilation is faster. A text document's line never holds a "\n", so within one line
// "^" and "$" match only at its two ends.
class Pattern {
public:
    explicit Pattern(const char16_t *pattern)
        : m_unicode(QString::fromUtf16(pattern), QRegularExpression::MultilineOption |
                                                     QRegularExpression::UseUnicodePropertiesOption)
        , m_ascii(QString::fromUtf16(pattern), QRegularExpression::MultilineOption)
    {
        m_unicode.optimize();
        m_ascii.optimize();
    }

    const QRegularExpression &forLine(bool ascii) const { return ascii ? m_ascii : m_unicode; }

private:
    QRegularExpression m_unicode;
    QRegularExpression m_ascii;
};

const Pattern &heading()
{
    static const Pattern pattern(uR"re(^(#{1,6})(\s.*)?$)re");
    return pattern;
}

const Pattern &bold()
{
    static const Pattern pattern(uR"re(\*\*(?:[^*\n]|\*(?!\*))+?\*\*|__(?:[^_\n]|_(?!_))+?__)re");
    return pattern;
}

const Pattern &inlineCode()
{
    static const Pattern pattern(uR"re(`[^`\n]+`)re");
    return pattern;
}

const Pattern &keyColon()
{
    static const Pattern pattern(uR"re(^\s*(?:- +)?[^:\n]*?(:)(?=\s|$))re");
    return pattern;
}

const Pattern &number()
{
    static const Pattern pattern(uR"re((?:^|[\s\[,])(-?\d+(?:\.\d+)?)(?=[\s\],]|$))re");
    return pattern;
}

const Pattern &brackets()
{
    static const Pattern pattern(uR"re([\[\]])re");
    return pattern;
}

const Pattern &comment()
{
    static const Pattern pattern(uR"re((?:^|\s)#.*$)re");
    return pattern;
}

// Whether `\s` or `\d` might match the character. Exact for ASCII; every other character counts
// as possible, so the Unicode tables of the expression engine never need to agree with Qt's.
bool maybeSpace(QChar ch)
{
    const char16_t code = ch.unicode();
    return code >= 0x80 || code == u' ' || (code >= u'\t' && code <= u'\r');
}

bool maybeDigit(QChar ch)
{
    const char16_t code = ch.unicode();
    return code >= 0x80 || (code >= u'0' && code <= u'9');
}

// Which expressions can match at all; one scan of the line spares most lines most searches.
// Each flag is a condition that every match of its expression fulfils.
struct LineTraits {
    bool commentHash = false;      // a "#" at the start or after whitespace
    bool colonBeforeSpace = false; // a ":" before whitespace or at the end
    bool digit = false;
    bool bracket = false;
    bool backtick = false;
    bool doubleStar = false;
    bool doubleUnderscore = false;
    bool ascii = true;
};

LineTraits traitsOf(QStringView line)
{
    LineTraits traits;
    const qsizetype size = line.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar ch = line[i];
        traits.ascii = traits.ascii && ch.unicode() < 0x80;
        switch (ch.unicode()) {
        case u'#':
            traits.commentHash = traits.commentHash || i == 0 || maybeSpace(line[i - 1]);
            break;
        case u':':
            traits.colonBeforeSpace =
                traits.colonBeforeSpace || i + 1 == size || maybeSpace(line[i + 1]);
            break;
        case u'[':
        case u']':
            traits.bracket = true;
            break;
        case u'`':
            traits.backtick = true;
            break;
        case u'*':
            traits.doubleStar = traits.doubleStar || (i > 0 && line[i - 1] == u'*');
            break;
        case u'_':
            traits.doubleUnderscore = traits.doubleUnderscore || (i > 0 && line[i - 1] == u'_');
            break;
        default:
            traits.digit = traits.digit || maybeDigit(ch);
        }
    }
    return traits;
}

// A `number` match starts at the line start or after whitespace, "[" or ",", with an optional
// minus sign before its first digit. Most YAML lines with digits have none of those (ids, times
// inside words), and skip the search.
bool mayHoldNumber(QStringView line)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (!maybeDigit(line[i]))
            continue;
        qsizetype before = i - 1;
        if (before >= 0 && line[before] == u'-')
            --before;
        if (before < 0 || maybeSpace(line[before]) || line[before] == u'[' || line[before] == u',')
            return true;
    }
    return false;
}

void appendMatches(QList<SyntaxSpan> &spans, const QRegularExpression &expression, QStringView line,
                   int group, SyntaxRole role)
{
    QRegularExpressionMatchIterator it = expression.globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedStart(group) >= 0)
            spans.append({match.capturedStart(group), match.capturedLength(group), role});
    }
}

// Calls `visit(start, length, terminatorLength)` for every line of `text`.
template<typename Visit>
void forEachLine(QStringView text, Visit visit)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (ch != u'\n' && ch != u'\r' && ch != u'\u2029')
            continue;
        const qsizetype terminator =
            ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
        if (!visit(start, i - start, terminator))
            return;
        i += terminator - 1;
        start = i + 1;
    }
    visit(start, text.size() - start, qsizetype(0));
}

} // namespace

bool isDelimiter(QStringView line)
{
    return line.trimmed() == u"---";
}

QList<SyntaxSpan> markdownLine(QStringView line)
{
    QList<SyntaxSpan> spans;
    const LineTraits traits = traitsOf(line);
    if (line.startsWith(u'#')) {
        const QRegularExpressionMatch match = heading().forLine(traits.ascii).match(line);
        if (match.hasMatch()) {
            spans.append(
                {match.capturedStart(1), match.capturedLength(1), SyntaxRole::SecondaryLabel});
            if (match.capturedStart(2) >= 0)
                spans.append({match.capturedStart(2), match.capturedLength(2), SyntaxRole::Blue});
            return spans;
        }
    }
    if (traits.doubleStar || traits.doubleUnderscore)
        appendMatches(spans, bold().forLine(traits.ascii), line, 0, SyntaxRole::Yellow);
    if (traits.backtick)
        appendMatches(spans, inlineCode().forLine(traits.ascii), line, 0, SyntaxRole::Pink);
    return spans;
}

QList<SyntaxSpan> yamlLine(QStringView line)
{
    QList<SyntaxSpan> spans;
    if (line.isEmpty())
        return spans;
    spans.append({0, line.size(), SyntaxRole::Pink});
    const LineTraits traits = traitsOf(line);
    if (traits.colonBeforeSpace) {
        const QRegularExpressionMatch match = keyColon().forLine(traits.ascii).match(line);
        if (match.hasMatch())
            spans.append({match.capturedStart(1), match.capturedLength(1), SyntaxRole::Label});
    }
    if (traits.digit && mayHoldNumber(line))
        appendMatches(spans, number().forLine(traits.ascii), line, 1, SyntaxRole::Yellow);
    if (traits.bracket)
        appendMatches(spans, brackets().forLine(traits.ascii), line, 0, SyntaxRole::Yellow);
    if (traits.commentHash)
        appendMatches(spans, comment().forLine(traits.ascii), line, 0, SyntaxRole::SecondaryLabel);
    return spans;
}

QList<SyntaxSpan> frontMatterLine(QStringView line)
{
    if (isDelimiter(line))
        return {{0, line.size(), SyntaxRole::SecondaryLabel}};
    return yamlLine(line);
}

QList<SyntaxSpan> lineSpans(QStringView line, SyntaxLanguage language, bool insideFrontMatter)
{
    if (language == SyntaxLanguage::Yaml)
        return yamlLine(line);
    return insideFrontMatter ? frontMatterLine(line) : markdownLine(line);
}

std::optional<qsizetype> frontMatterEnd(QStringView text)
{
    std::optional<qsizetype> end;
    bool opened = false;
    bool first = true;
    forEachLine(text, [&](qsizetype start, qsizetype length, qsizetype terminator) {
        const bool delimiter = isDelimiter(text.mid(start, length));
        if (first) {
            first = false;
            opened = delimiter;
            return opened;
        }
        if (delimiter)
            end = start + length + terminator;
        return !end;
    });
    return end;
}

QList<SyntaxSpan> textSpans(QStringView text, SyntaxLanguage language)
{
    const std::optional<qsizetype> end =
        language == SyntaxLanguage::Markdown ? frontMatterEnd(text) : std::nullopt;
    QList<SyntaxSpan> spans;
    forEachLine(text, [&](qsizetype start, qsizetype length, qsizetype) {
        const bool inside = end && start < *end;
        for (SyntaxSpan span : lineSpans(text.mid(start, length), language, inside)) {
            span.start += start;
            spans.append(span);
        }
        return true;
    });
    return spans;
}

QList<SyntaxRole> roles(qsizetype length, const QList<SyntaxSpan> &spans)
{
    QList<SyntaxRole> result(length, SyntaxRole::Label);
    for (const SyntaxSpan &span : spans) {
        const qsizetype from = qBound(qsizetype(0), span.start, length);
        const qsizetype to = qBound(from, span.start + span.length, length);
        std::fill(result.begin() + from, result.begin() + to, span.role);
    }
    return result;
}

QList<SyntaxSpan> runs(qsizetype length, const QList<SyntaxSpan> &spans)
{
    if (length <= 0)
        return {};
    if (spans.isEmpty())
        return {{0, length, SyntaxRole::Label}};
    QVarLengthArray<SyntaxRole, 512> units(length, SyntaxRole::Label);
    for (const SyntaxSpan &span : spans) {
        const qsizetype from = qBound(qsizetype(0), span.start, length);
        const qsizetype to = qBound(from, span.start + span.length, length);
        std::fill(units.begin() + from, units.begin() + to, span.role);
    }
    QList<SyntaxSpan> result;
    qsizetype start = 0;
    for (qsizetype i = 1; i <= length; ++i) {
        if (i == length || units[i] != units[start]) {
            result.append({start, i - start, units[start]});
            start = i;
        }
    }
    return result;
}

} // namespace SyntaxColoring
