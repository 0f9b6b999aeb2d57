#include "core/agent/UuidText.h"

namespace {

constexpr qsizetype uuidLength = 36;

bool isHyphenPosition(qsizetype index)
{
    return index == 8 || index == 13 || index == 18 || index == 23;
}

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

} // namespace

QString UuidText::toString(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> UuidText::fromString(QStringView text)
{
    if (text.size() != uuidLength)
        return std::nullopt;
    for (qsizetype i = 0; i < uuidLength; ++i) {
        const bool ok = isHyphenPosition(i) ? text[i] == u'-' : isHexDigit(text[i]);
        if (!ok)
            return std::nullopt;
    }
    return QUuid::fromString(text);
}
