#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include <QStringView>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Gives every distinct line one small integer id, so the edit script compares integers. Open
// addressing over a power-of-two table; each slot keeps the upper 32 bits of the hash, which both
// place the slot (so growing never rehashes text) and let a probe skip most other lines without
// touching their text. The ids refer to the caller's texts, which must outlive the interner.
template<typename Index>
class LineDiffInterner {
public:
    // Room for about `lines` more distinct lines without growing the table step by step.
    void reserve(std::size_t lines)
    {
        while (tooFull(m_lines.size() + lines))
            grow();
        m_lines.reserve(m_lines.size() + lines);
    }

    // Cuts `text` at every "\n" and appends the id of each line to `ids`.
    void internLines(QStringView text, std::vector<Index> &ids) { addLines<true>(text, ids, {}); }

    // Like internLines, for a text that mostly repeats `guide` (already interned as `guideIds`)
    // line for line, as after scattered edits: a line equal to the guide's line at the same
    // place takes that line's id without hashing or a table lookup. After many unequal lines in
    // a row (lines were inserted or removed, so the places no longer correspond), the guide is
    // dropped.
    void internLinesAlong(QStringView text, std::vector<Index> &ids, QStringView guide,
                          const std::vector<Index> &guideIds)
    {
        addLines<true>(text, ids, Guide{guide, &guideIds});
    }

    // Appends the ids of the leading lines of `text` that are in the table, then a fresh id for
    // the first line that is not, and stops there; adds nothing to the table. Returns whether it
    // met such a line.
    bool lookUpKnownLines(QStringView text, std::vector<Index> &ids)
    {
        return addLines<false>(text, ids, {});
    }

    // Every id handed out so far is below this.
    std::size_t count() const { return m_lines.size() + m_fresh; }

private:
    static constexpr int kBatchSize = 16;

    struct Slot {
        std::uint32_t tag = 0;
        Index idPlusOne = 0;
    };

    static constexpr int kGuideMisses = 64;

    struct Batch {
        QStringView lines[kBatchSize];
        std::uint64_t hashes[kBatchSize];
        std::size_t positions[kBatchSize]; // in `ids`, which holds a placeholder until then
        int count = 0;
    };

    struct Guide {
        QStringView text;
        const std::vector<Index> *ids = nullptr;
        qsizetype start = 0;
        std::size_t line = 0;
        int misses = 0;

        // The id of the guide's next line when it equals `line`; moves on either way.
        std::optional<Index> follow(QStringView line)
        {
            if (!ids || this->line >= ids->size())
                return std::nullopt;
            qsizetype end = text.size();
            forEachLineFeed(text.utf16() + start, text.size() - start, [&](qsizetype i) {
                end = start + i;
                return false;
            });
            const bool same = equal(text.sliced(start, end - start), line);
            start = end + 1;
            const Index id = (*ids)[this->line++];
            if (same) {
                misses = 0;
                return id;
            }
            if (++misses == kGuideMisses)
                ids = nullptr;
            return std::nullopt;
        }
    };

    // Lines go in batches: each line's slot is prefetched as soon as its hash is known and looked
    // up only when the batch is full, so the table's cache misses overlap with hashing and with
    // one another instead of following one another. The table grows only between batches.
    // Without `Insert`, stops after the first line that is not in the table; returns whether it
    // did.
    template<bool Insert>
    bool addLines(QStringView text, std::vector<Index> &ids, Guide guide)
    {
        Batch batch;
        const char16_t *data = text.utf16();
        qsizetype start = 0;
        bool stopped = false;
        auto add = [&](qsizetype end) {
            const QStringView line(data + start, end - start);
            start = end + 1;
            if (const std::optional<Index> id = guide.follow(line)) {
                ids.push_back(*id);
                return true;
            }
            if (Insert && batch.count == 0) {
                while (tooFull(m_lines.size() + kBatchSize))
                    grow();
            }
            const std::uint64_t hash = hashOf(line);
            if (!m_slots.empty())
                __builtin_prefetch(&m_slots[std::size_t(hash >> 32) & m_mask]);
            batch.lines[batch.count] = line;
            batch.hashes[batch.count] = hash;
            batch.positions[batch.count] = ids.size();
            ids.push_back(0);
            if (++batch.count == kBatchSize)
                stopped = addBatch<Insert>(batch, ids);
            return !stopped;
        };
        if (forEachLineFeed(data, text.size(), add) && add(text.size()) && batch.count > 0)
            stopped = addBatch<Insert>(batch, ids);
        return stopped;
    }

    template<bool Insert>
    bool addBatch(Batch &batch, std::vector<Index> &ids)
    {
        const int count = std::exchange(batch.count, 0);
        if (count == 0)
            return false;
        for (int i = 0; i < count; ++i) {
            const std::optional<Index> id =
                m_slots.empty() ? std::nullopt : find<Insert>(batch.lines[i], batch.hashes[i]);
            if (!id) {
                ids.resize(batch.positions[i] + 1);
                ids.back() = Index(m_lines.size() + m_fresh++);
                return true;
            }
            ids[batch.positions[i]] = *id;
        }
        return false;
    }

    template<bool Insert>
    std::optional<Index> find(QStringView line, std::uint64_t hash)
    {
        const auto tag = std::uint32_t(hash >> 32);
        for (std::size_t i = tag & m_mask;; i = (i + 1) & m_mask) {
            Slot &slot = m_slots[i];
            if (slot.idPlusOne == 0) {
                if (!Insert)
                    return std::nullopt;
                slot = {tag, Index(m_lines.size() + 1)};
                m_lines.push_back(line);
                return Index(m_lines.size() - 1);
            }
            if (slot.tag == tag && equal(m_lines[std::size_t(slot.idPlusOne - 1)], line))
                return slot.idPlusOne - 1;
        }
    }

    // Calls `found` with the index of every "\n", in order, while it returns true; eight units
    // per step where SSE2 is there (it always is on x86-64). Returns whether it saw them all.
    template<typename Found>
    static bool forEachLineFeed(const char16_t *data, qsizetype size, Found &&found)
    {
        qsizetype i = 0;
#if defined(__SSE2__)
        const __m128i lineFeed = _mm_set1_epi16(u'\n');
        for (; i + 8 <= size; i += 8) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
            auto mask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(units, lineFeed)));
            while (mask != 0) {
                if (!found(i + qsizetype(std::countr_zero(mask)) / 2))
                    return false;
                mask &= mask - 1; // each matching unit sets two bits
                mask &= mask - 1;
            }
        }
#endif
        for (; i < size; ++i) {
            if (data[i] == u'\n' && !found(i))
                return false;
        }
        return true;
    }

    static bool equal(QStringView a, QStringView b)
    {
        return a.size() == b.size() &&
               (a.isEmpty() ||
                std::memcmp(a.utf16(), b.utf16(), std::size_t(a.size()) * sizeof(char16_t)) == 0);
    }

    // Two independent multiply-fold chains over 32 bytes per round, so a line costs a few cycles
    // per 16 bytes; equality is always confirmed by content, so the hash only needs to spread.
    static std::uint64_t hashOf(QStringView line)
    {
        const auto *bytes = reinterpret_cast<const unsigned char *>(line.utf16());
        std::size_t size = std::size_t(line.size()) * sizeof(char16_t);
        std::uint64_t a = kSeed0 ^ size;
        std::uint64_t b = kSeed1;
        while (size >= 32) {
            a = fold(word(bytes) ^ kSeed2, word(bytes + 8) ^ a);
            b = fold(word(bytes + 16) ^ kSeed3, word(bytes + 24) ^ b);
            bytes += 32;
            size -= 32;
        }
        unsigned char tail[32] = {};
        if (size > 0) // an empty line may have no storage at all
            std::memcpy(tail, bytes, size);
        a = fold(word(tail) ^ kSeed2, word(tail + 8) ^ a);
        b = fold(word(tail + 16) ^ kSeed3, word(tail + 24) ^ b);
        return fold(a ^ kSeed0, b ^ kSeed1);
    }

    static std::uint64_t word(const unsigned char *bytes)
    {
        std::uint64_t value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }

    // The 128-bit product of two words, its halves folded together.
    static std::uint64_t fold(std::uint64_t x, std::uint64_t y)
    {
        __extension__ using Wide = unsigned __int128;
        const Wide product = Wide(x) * Wide(y);
        return std::uint64_t(product) ^ std::uint64_t(product >> 64);
    }

    static constexpr std::uint64_t kSeed0 = 0xa0761d6478bd642full;
    static constexpr std::uint64_t kSeed1 = 0xe7037ed1a0b428dbull;
    static constexpr std::uint64_t kSeed2 = 0x8ebc6af09c88c6e3ull;
    static constexpr std::uint64_t kSeed3 = 0x589965cc75374cc3ull;

    // Linear probing stays short up to about 70 % full.
    bool tooFull(std::size_t lines) const
    {
        return lines * 10 > m_slots.size() * 7;
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
    std::size_t m_fresh = 0; // ids given by lookUpKnownLines to lines not in the table
};
