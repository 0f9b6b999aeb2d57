#include "core/editor/LineDiff.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "core/editor/LineDiffInterner.h"
#include "core/editor/LineDiffRegions.h"
#include "core/editor/LineDiffScript.h"

namespace {

// Below this many lines in both texts together, coordinates, ids and the phantom points the
// greedy passes visit beyond the grid (at most 2·(n+m)) all fit in 32 bits.
constexpr qsizetype kCompactLineLimit = qsizetype(1) << 29;

// A reduction round that drops no line ends the rounds; the cap only bounds the cost of texts
// whose every round drops a little.
constexpr int kMaxReductionRounds = 8;

// One side of the problem as it shrinks: the ids still in play, the original line numbers
// (0-based) they stand for, and the verdict for every original line.
template<typename Index>
struct Side {
    std::vector<Index> ids;
    std::vector<Index> origin;
    std::vector<char> changed; // by original line: removed (base) or inserted (current)
};

// The lines after the common prefix, numbered on from it. The common suffix is read only up to
// its first line whose text occurs in neither middle (see reduce() for why nothing after that
// line can change), and that line stands for itself alone.
template<typename Index>
void internRegions(const LineDiffRegions &regions, Side<Index> &base, Side<Index> &current,
                   LineDiffInterner<Index> &interner)
{
    // Text lines run to a few dozen characters, and most lines of one middle recur in the other;
    // a low guess only means the table grows.
    const qsizetype characters =
        std::max(regions.baseMiddle ? regions.baseMiddle->size() : 0,
                 regions.currentMiddle ? regions.currentMiddle->size() : 0);
    interner.reserve(std::size_t(characters / 40));
    if (regions.baseMiddle)
        interner.internLines(*regions.baseMiddle, base.ids);
    if (regions.currentMiddle && regions.baseMiddle)
        interner.internLinesAlong(*regions.currentMiddle, current.ids, *regions.baseMiddle,
                                  base.ids);
    else if (regions.currentMiddle)
        interner.internLines(*regions.currentMiddle, current.ids);
    const std::size_t baseMiddleLines = base.ids.size();
    if (regions.suffix)
        interner.lookUpKnownLines(*regions.suffix, base.ids);
    current.ids.insert(current.ids.end(), base.ids.begin() + std::ptrdiff_t(baseMiddleLines),
                       base.ids.end());
}

template<typename Index>
void startVerdicts(qsizetype prefixLines, Side<Index> &base, Side<Index> &current)
{
    for (Side<Index> *side : {&base, &current}) {
        side->origin.resize(side->ids.size());
        for (std::size_t i = 0; i < side->origin.size(); ++i)
            side->origin[i] = Index(prefixLines + qsizetype(i));
        side->changed.assign(std::size_t(prefixLines) + side->ids.size(), 0);
    }
}

// Keeps the lines from `from` on whose id also occurs on the other side; every other line after
// the prefix is changed in every shortest script. Returns whether any line was dropped.
template<typename Index>
bool keepShared(Side<Index> &side, std::size_t from, const std::vector<std::uint8_t> &presence,
                std::uint8_t other)
{
    std::size_t kept = 0;
    for (std::size_t i = from; i < side.ids.size(); ++i) {
        const Index id = side.ids[i];
        if (presence[std::size_t(id)] & other) {
            side.ids[kept] = id;
            side.origin[kept] = side.origin[i];
            ++kept;
        } else {
            side.changed[std::size_t(side.origin[i])] = 1;
        }
    }
    const bool dropped = kept != side.ids.size() - from;
    side.ids.resize(kept);
    side.origin.resize(kept);
    return dropped;
}

// Shrinks the problem without changing the script the greedy passes pick:
// - A common prefix is always the snake of pass 0, after which the passes run exactly as they
//   would on the rest with every x and y shifted by its length.
// - A line with no equal line on the other side is a row or column of the edit graph with no
//   diagonal across it. The walk back from the end takes, at every point, a step that lies on
//   some shortest path, preferring an insertion, then a removal, then a diagonal (the greedy
//   passes keep the last edit as late as possible and, at equal reach, come from k+1). Removing
//   such a column lowers every distance to its right by exactly 1 and leaves the choices at
//   each point unchanged: wherever the walk stands on the column's right edge and no insertion
//   is shortest, the crossing removal always is, and on the left edge the two graphs coincide.
//   The same holds for rows. So the line is changed, and the rest keep their script.
// - The common suffix T follows the middles A (base) and C (current). A line of T whose text
//   occurs in neither A nor C is matched to its own copy in every longest common subsequence:
//   if base lines of T are matched into C, every base line of T after them must be matched,
//   each to an earlier current copy (else the subsequence is one short); such a line cannot be
//   matched into C, and a copy earlier than its own is taken from the base line there, which by
//   the same count needs a still earlier copy, and so on without end (likewise with current
//   lines of T matched into A; with neither, T is matched to itself). So every shortest script
//   passes along the first such line, and the walk splits there: after it, both sides are the
//   same lines and nothing changes; before it, the walk is the one for A and C followed by the
//   part of T before that line. That line is kept as the last line of both sides, with an id of
//   its own, so the pairing walk below still closes the stretch before it.
// The common suffix itself is not stripped: the walk may prefer an insertion over its diagonal
// (base "a", current "a", "a" inserts the second line, not the first).
template<typename Index>
void reduce(Side<Index> &base, Side<Index> &current, std::size_t idCount)
{
    // Which side each id occurs on, over the lines still in play; only those entries are
    // cleared at the start of a round.
    std::vector<std::uint8_t> presence(idCount, 0);
    for (int round = 0; round < kMaxReductionRounds; ++round) {
        std::size_t prefix = 0;
        const std::size_t shorter = std::min(base.ids.size(), current.ids.size());
        while (prefix < shorter && base.ids[prefix] == current.ids[prefix])
            ++prefix;
        for (std::size_t i = prefix; i < base.ids.size(); ++i)
            presence[std::size_t(base.ids[i])] = 0;
        for (std::size_t i = prefix; i < current.ids.size(); ++i)
            presence[std::size_t(current.ids[i])] = 0;
        for (std::size_t i = prefix; i < base.ids.size(); ++i)
            presence[std::size_t(base.ids[i])] |= 1;
        for (std::size_t i = prefix; i < current.ids.size(); ++i)
            presence[std::size_t(current.ids[i])] |= 2;
        const bool droppedBase = keepShared(base, prefix, presence, 2);
        const bool droppedCurrent = keepShared(current, prefix, presence, 1);
        // A prefix left over is the greedy passes' first snake, which costs them nothing.
        if (!droppedBase && !droppedCurrent)
            return;
    }
}

template<typename Index>
void markScript(Side<Index> &base, Side<Index> &current)
{
    if (base.ids.empty() || current.ids.empty()) {
        for (const Index line : base.origin)
            base.changed[std::size_t(line)] = 1;
        for (const Index line : current.origin)
            current.changed[std::size_t(line)] = 1;
        return;
    }
    std::vector<char> removed(base.ids.size(), 0);
    std::vector<char> inserted(current.ids.size(), 0);
    LineDiffScript::mark(std::span<const Index>(base.ids), std::span<const Index>(current.ids),
                         removed, inserted);
    for (std::size_t i = 0; i < removed.size(); ++i) {
        if (removed[i])
            base.changed[std::size_t(base.origin[i])] = 1;
    }
    for (std::size_t i = 0; i < inserted.size(); ++i) {
        if (inserted[i])
            current.changed[std::size_t(current.origin[i])] = 1;
    }
}

// Inserted lines pair off with the removed lines counted before them and become modified;
// surplus insertions are added; surplus removals leave one deletion mark at their gap. The walk
// starts after the common prefix, which pairs line for line and leaves nothing pending.
LineDiff::Result pairedMarks(const std::vector<char> &removed, const std::vector<char> &inserted,
                             qsizetype prefixLines)
{
    LineDiff::Result result;
    const auto n = qsizetype(removed.size());
    const auto m = qsizetype(inserted.size());
    qsizetype i = prefixLines;
    qsizetype b = prefixLines;
    qsizetype pending = 0;
    for (;;) {
        while (b < n && removed[std::size_t(b)]) {
            ++pending;
            ++b;
        }
        if (b >= n && i >= m)
            break;
        if (i < m && inserted[std::size_t(i)]) {
            result.marks.insert(i + 1,
                                pending > 0 ? LineDiff::Mark::Modified : LineDiff::Mark::Added);
            if (pending > 0)
                --pending;
            ++i;
        } else {
            if (pending > 0) {
                result.deletions.insert(i);
                pending = 0;
            }
            ++i;
            ++b;
        }
    }
    if (pending > 0)
        result.deletions.insert(m);
    return result;
}

template<typename Index>
LineDiff::Result diff(QStringView base, QStringView current)
{
    const LineDiffRegions regions = LineDiffRegions::of(base, current);
    if (regions.identical)
        return {};
    Side<Index> baseSide;
    Side<Index> currentSide;
    std::size_t idCount = 0;
    {
        // Dropped before the rest is allocated: the table is the largest thing here.
        LineDiffInterner<Index> interner;
        internRegions(regions, baseSide, currentSide, interner);
        idCount = interner.count();
    }
    startVerdicts(regions.prefixLines, baseSide, currentSide);
    reduce(baseSide, currentSide, idCount);
    markScript(baseSide, currentSide);
    return pairedMarks(baseSide.changed, currentSide.changed, regions.prefixLines);
}

} // namespace

namespace LineDiff {

Result compute(std::optional<QStringView> base, QStringView current)
{
    if (!base) {
        Result result;
        const qsizetype lines = current.count(u'\n') + 1;
        result.marks.reserve(lines);
        for (qsizetype line = 1; line <= lines; ++line)
            result.marks.insert(line, Mark::Added);
        return result;
    }
    if (base->size() + current.size() + 2 < kCompactLineLimit)
        return diff<qint32>(*base, current);
    return diff<qint64>(*base, current);
}

} // namespace LineDiff
