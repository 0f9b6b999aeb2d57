#pragma once

#include <QStringView>

// Code-point order of two texts. QString compares UTF-16 units, which differs from code-point
// order where a character beyond U+FFFF meets one in U+E000..U+FFFF; paths, kinds, slugs and pin
// hashes are ordered by code points everywhere.
namespace CodePointOrder {

bool less(QStringView a, QStringView b);

} // namespace CodePointOrder
