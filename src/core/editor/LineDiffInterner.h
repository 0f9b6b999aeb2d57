#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include <QStringView>

// Gives every distinct line one small integer id, so the edit script compares integers. Open
// addressing over a power-of-two table; each slot keeps the upper 32 bits of the hash, which both
// place the slot (so growing never rehashes text) and let a probe skip most other lines without
// touching their text. The ids refer to the caller's texts, which must outlive the interner.
template<typename Index>
class LineDiffInterner {
public:
    Index intern(QStringView line)
    {
        if ((m_lines.size() + 1) * 2 > m_slots.size())
            grow();
        const std::uint64_t hash = hashOf(line);
        const auto tag = std::uint32_t(hash >> 32);
        for (std::size_t i = tag & m_mask;; i = (i + 1) & m_mask) {
            Slot &slot = m_slots[i];
            if (slot.idPlusOne == 0) {
                slot = {tag, Index(m_lines.size() + 1)};
                m_lines.push_back(line);
                return Index(m_lines.size() - 1);
            }
            if (slot.tag == tag && equal(m_lines[std::size_t(slot.idPlusOne - 1)], line))
                return slot.idPlusOne - 1;
        }
    }

    std::size_t count() const { return m_lines.size(); }

private:
    struct Slot {
        std::uint32_t tag = 0;
        Index idPlusOne = 0;
    };

    static bool equal(QStringView a, QStringView b)
    {
        return a.size() == b.size() &&
               std::memcmp(a.utf16(), b.utf16(), std::size_t(a.size()) * sizeof(char16_t)) == 0;
    }

    // Eight bytes at a time, multiply-xorshift mixing; equality is always confirmed by content.
    static std::uint64_t hashOf(QStringView line)
    {
        const auto *bytes = reinterpret_cast<const unsigned char *>(line.utf16());
        std::size_t size = std::size_t(line.size()) * sizeof(char16_t);
        std::uint64_t h = 0x9e3779b97f4a7c15ull ^ (size * 0xff51afd7ed558ccdull);
        while (size >= 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes, 8);
            h = (h ^ word) * 0xbf58476d1ce4e5b9ull;
            h ^= h >> 31;
            bytes += 8;
            size -= 8;
        }
        if (size > 0) {
            std::uint64_t word = 0;
            std::memcpy(&word, bytes, size);
            h = (h ^ word) * 0xbf58476d1ce4e5b9ull;
        }
        h ^= h >> 29;
        h *= 0x94d049bb133111ebull;
        h ^= h >> 32;
        return h;
    }

    void grow()
    {
        const std::size_t size = m_slots.empty() ? 1024 : m_slots.size() * 2;
        std::vector<Slot> old(size);
        old.swap(m_slots);
        m_mask = size - 1;
        for (const Slot &slot : old) {
            if (slot.idPlusOne == 0)
                continue;
            std::size_t i = slot.tag & m_mask;
            while (m_slots[i].idPlusOne != 0)
                i = (i + 1) & m_mask;
            m_slots[i] = slot;
        }
    }

    std::vector<Slot> m_slots;
    std::vector<QStringView> m_lines; // the first occurrence of each id
    std::size_t m_mask = 0;
};
