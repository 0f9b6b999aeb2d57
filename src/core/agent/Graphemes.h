#pragma once

#include <QStringView>

// User-perceived characters (extended grapheme clusters): what the conversation rules count
// when they speak of "characters", so an emoji or a letter with combining accents is one.
namespace Graphemes {

qsizetype count(QStringView text);
// The first `limit` characters of `text` (all of it when it is shorter); never splits a cluster.
QStringView left(QStringView text, qsizetype limit);

} // namespace Graphemes
