#pragma once

#include <optional>

#include <QHash>
#include <QSet>
#include <QStringView>

// Which lines of the editor's text differ from the file's baseline, for the gutter. A pure
// function of two texts: no state, no failure.
namespace LineDiff {

enum class Mark { Added, Modified };

inline size_t qHash(Mark mark, size_t seed = 0) noexcept
{
    return ::qHash(static_cast<int>(mark), seed);
}

struct Result {
    // 1-based line numbers of the current text; an unchanged line has no entry.
    QHash<qsizetype, Mark> marks;
    // Gaps that lost base lines: the number of the current line above the gap, 0 for the gap
    // above the first line, the current line count for the gap below the last one.
    QSet<qsizetype> deletions;

    bool operator==(const Result &) const = default;
};

// Lines are cut at every "\n" (so the empty text is one empty line, and a text ending in "\n"
// has an empty last line); a "\r" before it stays part of the line. No `base` means the file
// is new since the last commit: every line is added.
Result compute(std::optional<QStringView> base, QStringView current);

} // namespace LineDiff
