#include "core/cut/OutlineKeyValue.h"

#include "core/cut/OutlineLine.h"
#include "core/project/YamlScalar.h"

std::optional<OutlineKeyValue> OutlineKeyValue::from(QStringView line)
{
    const qsizetype colon = line.indexOf(u':');
    if (colon < 0)
        return std::nullopt;
    return OutlineKeyValue{OutlineLine::trim(line.first(colon)),
                           YamlScalar::unquoted(OutlineLine::trim(line.sliced(colon + 1)))};
}
