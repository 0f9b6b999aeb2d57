#pragma once

#include <optional>

#include <QStringView>

namespace MarkdownText {

// The UTF-16 length of the numeric characters at the start of `text`, or nothing when there are
// more than `maxCharacters` of them. A character is what a reader sees as one: a code point
// with its combining marks and joiners, so the keycap "1️⃣" counts once. It is numeric when its
// first code point has a Unicode numeric type: digits, other numbers such as "½" and "Ⅻ", and
// the CJK numeral ideographs such as "五".
std::optional<qsizetype> leadingNumberLength(QStringView text, int maxCharacters);

} // namespace MarkdownText
