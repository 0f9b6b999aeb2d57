#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

// The passes of the greedy edit script, kept compactly for the walk back. Pass d has d+1
// diagonals (k = -d, -d+2, …, d; entry (k+d)/2), so pass d starts at bit d(d+1)/2. Each entry
// keeps the step it took (an insertion from diagonal k+1 or a removal from k-1) and the length
// of the snake that followed; the furthest-reaching x itself is never stored, because the walk
// back recovers it from the end point by undoing snakes and steps.
template<typename Index>
class LineDiffHistory {
public:
    struct Entry {
        bool fromInsertion = false;
        Index snake = 0;
    };

    void beginPass(Index pass)
    {
        m_passBit = bitOfPass(pass);
        m_entry = 0;
        m_passSnakeStart.push_back(m_snakes.size());
        const std::size_t words = (m_passBit + std::size_t(pass) + 1 + 63) / 64;
        if (m_insertionBits.size() < words) {
            m_insertionBits.resize(words, 0);
            m_snakeBits.resize(words, 0);
        }
    }

    void record(bool fromInsertion, Index snake)
    {
        const std::uint64_t bit = m_passBit + m_entry++;
        if (fromInsertion)
            setBit(m_insertionBits, bit);
        if (snake == 0)
            return;
        setBit(m_snakeBits, bit);
        if (snake < kEscape) {
            m_snakes.push_back(static_cast<std::uint8_t>(snake));
        } else {
            m_longSnakes.emplace_back(m_snakes.size(), snake);
            m_snakes.push_back(kEscape);
        }
    }

    Entry entry(Index pass, Index index) const
    {
        const std::uint64_t passBit = bitOfPass(pass);
        const std::uint64_t bit = passBit + std::uint64_t(index);
        Entry result;
        result.fromInsertion = testBit(m_insertionBits, bit);
        if (!testBit(m_snakeBits, bit))
            return result;
        const std::size_t rank = m_passSnakeStart[std::size_t(pass)] + countBits(passBit, bit);
        const std::uint8_t shortLength = m_snakes[rank];
        result.snake = shortLength < kEscape ? Index(shortLength) : longSnake(rank);
        return result;
    }

private:
    static constexpr std::uint8_t kEscape = std::numeric_limits<std::uint8_t>::max();

    static std::uint64_t bitOfPass(Index pass)
    {
        const auto d = std::uint64_t(pass);
        return d * (d + 1) / 2;
    }
    static void setBit(std::vector<std::uint64_t> &bits, std::uint64_t bit)
    {
        bits[bit >> 6] |= std::uint64_t(1) << (bit & 63);
    }
    static bool testBit(const std::vector<std::uint64_t> &bits, std::uint64_t bit)
    {
        return (bits[bit >> 6] >> (bit & 63)) & 1;
    }

    // Set snake bits in [from, to).
    std::size_t countBits(std::uint64_t from, std::uint64_t to) const
    {
        std::size_t count = 0;
        while (from < to) {
            const std::uint64_t word = m_snakeBits[from >> 6] >> (from & 63);
            const std::uint64_t span = std::min<std::uint64_t>(64 - (from & 63), to - from);
            const std::uint64_t mask =
                span == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << span) - 1;
            count += std::size_t(std::popcount(word & mask));
            from += span;
        }
        return count;
    }

    Index longSnake(std::size_t rank) const
    {
        const auto it = std::lower_bound(m_longSnakes.begin(), m_longSnakes.end(), rank,
                                         [](const std::pair<std::size_t, Index> &entry,
                                            std::size_t r) { return entry.first < r; });
        return it->second;
    }

    std::vector<std::uint64_t> m_insertionBits;
    std::vector<std::uint64_t> m_snakeBits;
    std::vector<std::uint8_t> m_snakes;                      // one per set snake bit, in order
    std::vector<std::pair<std::size_t, Index>> m_longSnakes; // (rank, length) behind kEscape
    std::vector<std::size_t> m_passSnakeStart;
    std::uint64_t m_passBit = 0;
    std::uint64_t m_entry = 0;
};
