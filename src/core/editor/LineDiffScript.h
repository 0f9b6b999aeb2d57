#pragma once

#include <span>

#include <QtGlobal>

// The shortest edit script between two sequences of interned lines, by Myers' greedy O(ND)
// algorithm: on pass d and diagonal k the step comes from diagonal k+1 (an insertion) when
// k = -d, or k != d and V[k-1] < V[k+1]; otherwise from diagonal k-1 (a removal). The first
// point to reach the end wins and the recorded passes are walked back from it.
//
// The passes are kept as two bits per diagonal (the step taken, whether a snake followed) plus
// the lengths of the non-empty snakes, so a script of D edits holds about D²/8 bytes of history.
namespace LineDiffScript {

// `removed` and `inserted` are sized like `base` and `current` and come in zeroed; every line
// the script removes from `base` or inserts from `current` is set to 1.
void mark(std::span<const qint32> base, std::span<const qint32> current, std::span<char> removed,
          std::span<char> inserted);
void mark(std::span<const qint64> base, std::span<const qint64> current, std::span<char> removed,
          std::span<char> inserted);

} // namespace LineDiffScript
