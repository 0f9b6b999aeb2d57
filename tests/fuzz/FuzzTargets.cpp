#include "fuzz/FuzzTargets.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QString>
#include <QStringList>

#include "core/agent/MarkdownText.h"
#include "core/cut/ShotsOutline.h"
#include "core/editor/LineDiff.h"
#include "core/git/GitError.h"
#include "core/project/LockFile.h"
#include "core/project/ShowYaml.h"

namespace {

QString decoded(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

// An invariant broke: abort so libFuzzer keeps the input and the replay test fails.
void require(bool holds, const char *invariant)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz invariant violated: %s\n", invariant);
    std::abort();
}

// The status edit rewrites or inserts lines only inside the entry's range and never touches the
// top-level lines, so the manifest keeps its type, title and number of entries.
void checkStatusEdit(const QString &text, const QString &slug)
{
    const QStringList lines = text.split(u'\n');
    const auto range = ShowYaml::entryRange(lines, slug);
    const QString edited = ShowYaml::settingDeliverableStatus(text, slug, QStringLiteral("shipped"),
                                                              QStringLiteral("2025-01-01"));
    if (!range) {
        require(edited == text, "an entry that is not found leaves the text unchanged");
        return;
    }
    require(range->start >= 0 && range->start < range->end && range->end <= lines.size(),
            "the entry range lies inside the text");
    require(range->keyIndent >= 3, "entries are indented, so their keys are too");

    const QStringList editedLines = edited.split(u'\n');
    const qsizetype inserted = editedLines.size() - lines.size();
    require(inserted >= 0 && inserted <= 2, "at most the two keys are inserted");
    require(editedLines.mid(0, range->start) == lines.mid(0, range->start),
            "lines before the entry are kept");
    require(editedLines.mid(range->end + inserted) == lines.mid(range->end),
            "lines after the entry are kept");

    try {
        const ShowManifest before = ShowYaml::parse(text);
        const ShowManifest after = ShowYaml::parse(edited);
        require(after.type == before.type && after.title == before.title,
                "the edit keeps the type and the title");
        require(after.deliverables.size() == before.deliverables.size(),
                "the edit keeps the number of entries");
    } catch (const GitError &) {
        bool rejectedBefore = false;
        try {
            ShowYaml::parse(text);
        } catch (const GitError &) {
            rejectedBefore = true;
        }
        require(rejectedBefore, "the edit keeps a valid type valid");
    }
}

// Decoded UTF-8 holds no unpaired surrogate, so UCS-4 gives the exact code points to compare.
bool hashesInCodePointOrder(const QString &canonical)
{
    QList<QList<uint>> hashes;
    for (const QString &line : canonical.split(u'\n')) {
        if (line.startsWith(QStringLiteral("  \"")) && !line.startsWith(QStringLiteral("   ")))
            hashes << line.mid(3, line.size() - 5).toUcs4();
    }
    for (qsizetype i = 1; i < hashes.size(); ++i) {
        if (!std::lexicographical_compare(hashes[i - 1].cbegin(), hashes[i - 1].cend(),
                                          hashes[i].cbegin(), hashes[i].cend()))
            return false;
    }
    return true;
}

} // namespace

namespace FuzzTargets {

int showYaml(const uint8_t *data, size_t size)
{
    const QString text = decoded(data, size);
    QStringList slugs{QStringLiteral("a")};
    try {
        const ShowManifest manifest = ShowYaml::parse(text);
        for (const ShowManifest::Entry &entry : manifest.deliverables.mid(0, 4))
            slugs << entry.slug;
    } catch (const GitError &error) {
        require(error.message() == QStringLiteral("slatebox.yaml has no valid type"),
                "the only parse error is the missing type");
    }
    for (const QString &slug : std::as_const(slugs))
        checkStatusEdit(text, slug);
    return 0;
}

int lockFile(const uint8_t *data, size_t size)
{
    const QString text = decoded(data, size);
    const LockPins pins = LockFile::pins(text);
    const QString canonical = LockFile::serialize(pins);
    // A pin is read from one line, so it never holds a line feed and always round-trips.
    require(LockFile::pins(canonical) == pins, "pins(serialize(m)) == m");
    require(LockFile::serialize(LockFile::pins(canonical)) == canonical,
            "canonical text is a fixed point");
    require(hashesInCodePointOrder(canonical), "pins are written in code-point order");

    LockPins withPin = pins;
    withPin.insert(QStringLiteral("fuzz-hash"), QStringLiteral("fuzz-cas"));
    require(LockFile::pins(LockFile::settingPin(text, QStringLiteral("fuzz-hash"),
                                                QStringLiteral("fuzz-cas"))) == withPin,
            "settingPin adds exactly one pin");
    if (!pins.isEmpty()) {
        LockPins withoutFirst = pins;
        withoutFirst.remove(pins.firstKey());
        require(LockFile::pins(LockFile::removingPin(text, pins.firstKey())) == withoutFirst,
                "removingPin removes exactly one pin");
    }
    return 0;
}

int shotsOutline(const uint8_t *data, size_t size)
{
    const QString text = decoded(data, size);
    ShotsOutline::parse(text);
    ShotsOutline::videoModel(text);
    ShotsOutline::parse(ShotsOutline::settingVideoModel(text, QStringLiteral("seedance-2.5")));
    return 0;
}

int markdownText(const uint8_t *data, size_t size)
{
    MarkdownText::blocks(decoded(data, size));
    return 0;
}

int lineDiff(const uint8_t *data, size_t size)
{
    const auto *nul = static_cast<const uint8_t *>(std::memchr(data, 0, size));
    const size_t baseSize = nul ? size_t(nul - data) : size / 2;
    const size_t currentStart = nul ? baseSize + 1 : baseSize;
    const QString base = decoded(data, baseSize);
    const QString current = decoded(data + currentStart, size - currentStart);
    const qsizetype lineCount = current.count(u'\n') + 1;

    const LineDiff::Result diff = LineDiff::compute(QStringView(base), current);
    for (auto it = diff.marks.cbegin(); it != diff.marks.cend(); ++it)
        require(it.key() >= 1 && it.key() <= lineCount, "marks name lines of the current text");
    for (const qsizetype gap : diff.deletions)
        require(gap >= 0 && gap <= lineCount, "deletions name gaps of the current text");

    const LineDiff::Result same = LineDiff::compute(QStringView(current), current);
    require(same.marks.isEmpty() && same.deletions.isEmpty(),
            "a text equal to its base has no marks");

    const LineDiff::Result fresh = LineDiff::compute(std::nullopt, current);
    require(fresh.marks.size() == lineCount && fresh.deletions.isEmpty(),
            "without a base every line is added");
    for (const LineDiff::Mark mark : fresh.marks)
        require(mark == LineDiff::Mark::Added, "without a base every line is added");
    return 0;
}

} // namespace FuzzTargets
