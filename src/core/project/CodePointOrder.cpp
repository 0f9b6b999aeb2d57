#include "core/project/CodePointOrder.h"

#include <algorithm>

namespace {

// Surrogates move above U+E000..U+FFFF; unpaired surrogates still get a total order.
char32_t codePointKey(char16_t unit)
{
    if (unit >= 0xE000)
        return unit - 0x800;
    if (unit >= 0xD800)
        return unit + 0x2000;
    return unit;
}

} // namespace

namespace CodePointOrder {

bool less(QStringView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t unitA = a[i].unicode();
        const char16_t unitB = b[i].unicode();
        if (unitA != unitB)
            return codePointKey(unitA) < codePointKey(unitB);
    }
    return a.size() < b.size();
}

} // namespace CodePointOrder
