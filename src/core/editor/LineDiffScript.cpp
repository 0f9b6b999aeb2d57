#include "core/editor/LineDiffScript.h"

#include <algorithm>
#include <vector>

#include "core/editor/LineDiffHistory.h"

namespace {

// Runs the forward passes until a point reaches (n, m); returns the pass that got there.
template<typename Index>
Index forwardPasses(std::span<const Index> a, std::span<const Index> b,
                    LineDiffHistory<Index> &history)
{
    const auto n = Index(a.size());
    const auto m = Index(b.size());
    const Index maxD = n + m;
    // V covers diagonals -radius-1 … radius+1 and doubles when the passes get that far, so a
    // short script never pays for a V as long as both texts. Every read on pass d is of an entry
    // written on pass d-1.
    Index radius = std::min(maxD, Index(1024));
    std::vector<Index> storage(std::size_t(radius) * 2 + 3, 0);
    Index *v = storage.data() + radius + 1;
    for (Index d = 0;; ++d) {
        if (d > radius) {
            const Index wider = std::min(maxD, radius * 2);
            std::vector<Index> grown(std::size_t(wider) * 2 + 3, 0);
            std::copy(storage.begin(), storage.end(), grown.begin() + (wider - radius));
            storage.swap(grown);
            radius = wider;
            v = storage.data() + radius + 1;
        }
        history.beginPass(d);
        for (Index k = -d; k <= d; k += 2) {
            const bool fromInsertion = k == -d || (k != d && v[k - 1] < v[k + 1]);
            Index x = fromInsertion ? v[k + 1] : v[k - 1] + 1;
            Index y = x - k;
            const Index start = x;
            while (x < n && y < m && a[std::size_t(x)] == b[std::size_t(y)]) {
                ++x;
                ++y;
            }
            v[k] = x;
            history.record(fromInsertion, x - start);
            if (x >= n && y >= m)
                return d;
        }
    }
}

// From (n, m) back to (0, 0): undo each pass's snake, then its one step. The path of the first
// point to reach the end never leaves the grid, so the indices stay in range; the checks only
// keep a broken history from writing out of bounds.
template<typename Index>
void walkBack(Index lastPass, std::span<const Index> a, std::span<const Index> b,
              const LineDiffHistory<Index> &history, std::span<char> removed,
              std::span<char> inserted)
{
    Index x = Index(a.size());
    Index k = Index(a.size()) - Index(b.size());
    for (Index d = lastPass; d > 0; --d) {
        const auto entry = history.entry(d, (k + d) / 2);
        const Index snakeStart = x - entry.snake;
        if (entry.fromInsertion) {
            const Index y = snakeStart - k - 1;
            if (y >= 0 && std::size_t(y) < inserted.size())
                inserted[std::size_t(y)] = 1;
            ++k;
            x = snakeStart;
        } else {
            const Index removedLine = snakeStart - 1;
            if (removedLine >= 0 && std::size_t(removedLine) < removed.size())
                removed[std::size_t(removedLine)] = 1;
            --k;
            x = snakeStart - 1;
        }
    }
}

template<typename Index>
void markScript(std::span<const Index> a, std::span<const Index> b, std::span<char> removed,
                std::span<char> inserted)
{
    LineDiffHistory<Index> history;
    const Index lastPass = forwardPasses(a, b, history);
    walkBack(lastPass, a, b, history, removed, inserted);
}

} // namespace

namespace LineDiffScript {

void mark(std::span<const qint32> base, std::span<const qint32> current, std::span<char> removed,
          std::span<char> inserted)
{
    markScript(base, current, removed, inserted);
}

void mark(std::span<const qint64> base, std::span<const qint64> current, std::span<char> removed,
          std::span<char> inserted)
{
    markScript(base, current, removed, inserted);
}

} // namespace LineDiffScript
