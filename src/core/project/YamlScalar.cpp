#include "core/project/YamlScalar.h"

#include <limits>

namespace YamlScalar {

QString unquoted(QStringView value)
{
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        return value.mid(1, value.size() - 2)
            .toString()
            .replace(QStringLiteral("\\\""), QStringLiteral("\""));
    return value.toString();
}

std::optional<qint64> wholeNumber(QStringView text)
{
    QStringView digits = text;
    const bool negative = digits.startsWith(u'-');
    if (negative || digits.startsWith(u'+'))
        digits = digits.mid(1);
    if (digits.isEmpty())
        return std::nullopt;
    // Accumulating towards the sign keeps qint64's minimum reachable without overflow.
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (negative) {
            if (value < (std::numeric_limits<qint64>::min() + digit) / 10)
                return std::nullopt;
            value = value * 10 - digit;
        } else {
            if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
                return std::nullopt;
            value = value * 10 + digit;
        }
    }
    return value;
}

} // namespace YamlScalar
