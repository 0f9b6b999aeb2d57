#pragma once

#include <cstddef>
#include <cstdint>

// xorshift64*: small, fast and identical on every platform, so a generator fed the same seed
// writes the same bytes on every machine and every run.
class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed)
        : m_state(seed)
    {
    }

    std::uint64_t next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 2685821657736338717ULL;
    }

    // A number in [0, bound); `bound` must not be zero.
    std::size_t below(std::size_t bound) { return std::size_t(next() % bound); }

private:
    std::uint64_t m_state;
};
