#pragma once

#include <QtGlobal>

#include "core/editor/SyntaxRole.h"

// One run of characters (UTF-16 units) of a line or text and the role it is coloured with. Spans
// are applied in order: a later span overwrites an earlier one where they overlap.
struct SyntaxSpan {
    qsizetype start = 0;
    qsizetype length = 0;
    SyntaxRole role = SyntaxRole::Label;

    bool operator==(const SyntaxSpan &) const = default;
};
