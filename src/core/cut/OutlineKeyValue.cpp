#include "core/cut/OutlineKeyValue.h"

#include "core/cut/OutlineLine.h"

namespace {

QString unquoted(QStringView value)
{
    if (value.size() < 2 || !value.startsWith(u'"') || !value.endsWith(u'"'))
        return value.toString();
    return value.sliced(1, value.size() - 2)
        .toString()
        .replace(QStringLiteral("\\\""), QStringLiteral("\""));
}

} // namespace

std::optional<OutlineKeyValue> OutlineKeyValue::from(QStringView line)
{
    const qsizetype colon = line.indexOf(u':');
    if (colon < 0)
        return std::nullopt;
    return OutlineKeyValue{OutlineLine::trim(line.first(colon)),
                           unquoted(OutlineLine::trim(line.sliced(colon + 1)))};
}
