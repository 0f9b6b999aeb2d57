#include "core/editor/LineDiffRegions.h"

#include <algorithm>
#include <cstring>

namespace {

// Compared a block at a time first, which memcmp does many characters per step.
constexpr qsizetype kBlock = 256;

qsizetype commonPrefixLength(const char16_t *a, const char16_t *b, qsizetype limit)
{
    qsizetype i = 0;
    while (i + kBlock <= limit && std::memcmp(a + i, b + i, kBlock * sizeof(char16_t)) == 0)
        i += kBlock;
    while (i < limit && a[i] == b[i])
        ++i;
    return i;
}

qsizetype commonSuffixLength(const char16_t *aEnd, const char16_t *bEnd, qsizetype limit)
{
    qsizetype i = 0;
    while (i + kBlock <= limit &&
           std::memcmp(aEnd - i - kBlock, bEnd - i - kBlock, kBlock * sizeof(char16_t)) == 0)
        i += kBlock;
    while (i < limit && aEnd[-i - 1] == bEnd[-i - 1])
        ++i;
    return i;
}

// Whether a line of `text` starts at `position`, given that the middle starts at `middleStart`
// (itself a line start).
bool startsLine(QStringView text, qsizetype position, qsizetype middleStart)
{
    return position == middleStart || text[position - 1] == u'\n';
}

// The lines between `from` and the line feed just before `suffixStart`; none when the suffix
// starts right at `from`.
std::optional<QStringView> middle(QStringView text, qsizetype from, qsizetype suffixStart)
{
    if (suffixStart == from)
        return std::nullopt;
    return text.sliced(from, suffixStart - 1 - from);
}

} // namespace

LineDiffRegions LineDiffRegions::of(QStringView base, QStringView current)
{
    LineDiffRegions regions;
    const qsizetype shorter = std::min(base.size(), current.size());
    const qsizetype mismatch = commonPrefixLength(base.utf16(), current.utf16(), shorter);
    if (mismatch == shorter && base.size() == current.size()) {
        regions.identical = true;
        return regions;
    }
    // The prefix ends after the last line feed before the first difference, so the line that
    // differs (or ends one of the texts) starts both middles.
    const qsizetype prefixEnd = base.first(mismatch).lastIndexOf(u'\n') + 1;
    regions.prefixLines = std::count(base.utf16(), base.utf16() + prefixEnd, u'\n');

    // The common suffix never reaches back into the prefix, so the regions never overlap.
    const qsizetype common = commonSuffixLength(
        base.utf16() + base.size(), current.utf16() + current.size(), shorter - prefixEnd);
    const qsizetype baseStart = base.size() - common;
    const qsizetype currentStart = current.size() - common;
    qsizetype lineStart = 0; // within the common suffix
    if (!startsLine(base, baseStart, prefixEnd) || !startsLine(current, currentStart, prefixEnd)) {
        const qsizetype lineFeed = base.sliced(baseStart).indexOf(u'\n');
        if (lineFeed < 0) {
            regions.baseMiddle = base.sliced(prefixEnd);
            regions.currentMiddle = current.sliced(prefixEnd);
            return regions;
        }
        lineStart = lineFeed + 1;
    }
    regions.baseMiddle = middle(base, prefixEnd, baseStart + lineStart);
    regions.currentMiddle = middle(current, prefixEnd, currentStart + lineStart);
    regions.suffix = base.sliced(baseStart + lineStart);
    return regions;
}
