#pragma once

#include <optional>

#include <QStringView>

// How two texts divide into a common prefix of whole lines, a middle each, and a common suffix
// of whole lines, found by comparing characters so that the unchanged stretches of a large file
// are never cut into lines or hashed. A middle or the suffix, when present, is split into lines
// like a whole text (so it holds at least one line); an absent one holds none.
struct LineDiffRegions {
    bool identical = false;
    qsizetype prefixLines = 0;
    std::optional<QStringView> baseMiddle;
    std::optional<QStringView> currentMiddle;
    std::optional<QStringView> suffix;

    static LineDiffRegions of(QStringView base, QStringView current);
};
