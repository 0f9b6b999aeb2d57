#include "core/agent/NumstatLog.h"

#include <limits>
#include <optional>

namespace {

// An optional sign and at least one ASCII digit, nothing else; out of range is no number.
std::optional<qint64> decimalInteger(QStringView text)
{
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    // Accumulated as a negative number, whose range is one larger than the positive one.
    qint64 value = 0;
    constexpr qint64 lowest = std::numeric_limits<qint64>::min();
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (value < (lowest + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == lowest)
            return std::nullopt;
        value = -value;
    }
    return value;
}

bool isHeader(const QList<QStringView> &pieces)
{
    return pieces.size() == 2 && pieces[0].contains(u'T') && pieces[0].contains(u'-');
}

DiffFile fileLine(const QList<QStringView> &pieces)
{
    return DiffFile{pieces[2].toString(), decimalInteger(pieces[0]).value_or(0),
                    decimalInteger(pieces[1]).value_or(0)};
}

} // namespace

namespace NumstatLog {

QList<DiffCommit> parseNumstatLog(QStringView log)
{
    QList<DiffCommit> commits;
    for (const QStringView line : log.tokenize(u'\n', Qt::SkipEmptyParts)) {
        const QList<QStringView> pieces = line.split(u'\t');
        if (isHeader(pieces))
            commits.append(DiffCommit{pieces[0].toString(), pieces[1].toString(), {}});
        else if (pieces.size() == 3 && !commits.isEmpty())
            commits.last().files.append(fileLine(pieces));
    }
    return commits;
}

} // namespace NumstatLog
