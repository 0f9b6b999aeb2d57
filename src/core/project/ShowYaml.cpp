#include "core/project/ShowYaml.h"

#include <QHash>

#include "core/git/GitError.h"
#include "core/project/YamlScalar.h"

namespace {

using EntryKeys = QHash<QString, QString>;

const QString kDeliverablesLine = QStringLiteral("deliverables:");

bool isTrimmable(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

bool isSkipped(QStringView trimmedLine)
{
    return trimmedLine.isEmpty() || trimmedLine.startsWith(u'#');
}

bool isIndented(QStringView line)
{
    return line.startsWith(u' ');
}

qsizetype leadingSpaces(QStringView line)
{
    qsizetype count = 0;
    while (count < line.size() && line[count] == u' ')
        ++count;
    return count;
}

QStringView withoutDash(QStringView trimmedLine)
{
    return trimmedLine.startsWith(u"- ") ? trimmedLine.mid(2) : trimmedLine;
}

std::optional<QString> optionalValue(const EntryKeys &keys, const QString &key)
{
    const auto found = keys.constFind(key);
    if (found == keys.constEnd())
        return std::nullopt;
    return *found;
}

std::optional<ShowManifest::Entry> entryFromKeys(const EntryKeys &keys)
{
    const std::optional<QString> slug = optionalValue(keys, QStringLiteral("slug"));
    if (!slug)
        return std::nullopt;
    ShowManifest::Entry entry;
    entry.slug = *slug;
    entry.kind = keys.value(QStringLiteral("kind"), QStringLiteral("custom"));
    entry.title = keys.value(QStringLiteral("title"), *slug);
    if (const auto season = optionalValue(keys, QStringLiteral("season")))
        entry.season = YamlScalar::wholeNumber(*season);
    if (const auto number = optionalValue(keys, QStringLiteral("number")))
        entry.number = YamlScalar::wholeNumber(*number);
    entry.status = optionalValue(keys, QStringLiteral("status"));
    entry.airDate = optionalValue(keys, QStringLiteral("air_date"));
    return entry;
}

// The edit finds an entry only by its slug line written the way the client and the service
// write it, so a slug the parser reads more loosely (no space, single quotes) is not edited.
bool entryMatches(const QStringList &lines, const QList<qsizetype> &indices, const QString &slug)
{
    const QString plain = QStringLiteral("slug: ") + slug;
    const QString quoted = QStringLiteral("slug: \"") + slug + u'"';
    for (const qsizetype index : indices) {
        const QStringView key = withoutDash(ShowYaml::trimmed(lines[index]));
        if (key == plain || key == quoted)
            return true;
    }
    return false;
}

std::optional<qsizetype> findKeyLine(const QStringList &lines, qsizetype start, qsizetype end,
                                     const QString &key)
{
    const QString prefix = key + u':';
    for (qsizetype index = start; index < end; ++index) {
        if (withoutDash(ShowYaml::trimmed(lines[index])).startsWith(prefix))
            return index;
    }
    return std::nullopt;
}

} // namespace

namespace ShowYaml {

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmable(text[begin]))
        ++begin;
    while (end > begin && isTrimmable(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

std::optional<std::pair<QString, QString>> keyValue(QStringView line)
{
    const qsizetype colon = line.indexOf(u':');
    if (colon < 0)
        return std::nullopt;
    return std::pair{trimmed(line.left(colon)).toString(),
                     YamlScalar::unquoted(trimmed(line.mid(colon + 1)))};
}

ShowManifest parse(const QString &text)
{
    std::optional<ProjectType> type;
    std::optional<QString> title;
    QList<EntryKeys> entries;
    bool inList = false;

    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QStringView t = trimmed(line);
        if (isSkipped(t))
            continue;
        if (isIndented(line)) {
            if (!inList)
                continue;
            if (t.startsWith(u"- ")) {
                entries.append(EntryKeys());
                if (const auto pair = keyValue(t.mid(2)))
                    entries.last().insert(pair->first, pair->second);
            } else if (const auto pair = keyValue(t); pair && !entries.isEmpty()) {
                entries.last().insert(pair->first, pair->second);
            }
            continue;
        }
        inList = t == kDeliverablesLine;
        if (inList)
            continue;
        if (const auto pair = keyValue(t)) {
            if (pair->first == QLatin1String("type"))
                type = ProjectTypes::fromRawValue(pair->second);
            else if (pair->first == QLatin1String("title"))
                title = pair->second;
        }
    }

    if (!type)
        throw GitError(QStringLiteral("slatebox.yaml has no valid type"));
    ShowManifest manifest;
    manifest.type = *type;
    if (title)
        manifest.title = *title;
    for (const EntryKeys &keys : std::as_const(entries)) {
        if (auto entry = entryFromKeys(keys))
            manifest.deliverables.append(std::move(*entry));
    }
    return manifest;
}

std::optional<EntryRange> entryRange(const QStringList &lines, const QString &slug)
{
    bool inList = false;
    QList<qsizetype> current;
    std::optional<qsizetype> itemIndent;
    const auto rangeOfCurrent = [&]() {
        return EntryRange{current.first(), current.last() + 1, *itemIndent + 2};
    };

    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QStringView line = lines[index];
        const QStringView t = trimmed(line);
        if (isSkipped(t))
            continue;
        if (isIndented(line)) {
            if (!inList)
                continue;
            const qsizetype indent = leadingSpaces(line);
            if (t.startsWith(u"- ") && (!itemIndent || *itemIndent == indent)) {
                itemIndent = indent;
                if (!current.isEmpty() && entryMatches(lines, current, slug))
                    return rangeOfCurrent();
                current = {index};
            } else if (!current.isEmpty()) {
                current.append(index);
            }
            continue;
        }
        if (!current.isEmpty() && entryMatches(lines, current, slug))
            return rangeOfCurrent();
        current.clear();
        inList = t == kDeliverablesLine;
    }
    if (!current.isEmpty() && entryMatches(lines, current, slug))
        return rangeOfCurrent();
    return std::nullopt;
}

QString settingDeliverableStatus(const QString &text, const QString &slug, const QString &status,
                                 const std::optional<QString> &airDate)
{
    QStringList lines = text.split(u'\n');
    const std::optional<EntryRange> range = entryRange(lines, slug);
    if (!range)
        return text;

    const QString pad(range->keyIndent, u' ');
    QList<std::pair<QString, QString>> pairs{{QStringLiteral("status"), status}};
    if (airDate)
        pairs.append({QStringLiteral("air_date"), *airDate});

    qsizetype end = range->end;
    for (const auto &[key, value] : std::as_const(pairs)) {
        const QString keyText = key + u": " + value;
        if (const auto found = findKeyLine(lines, range->start, end, key)) {
            const bool dashLine = trimmed(lines[*found]).startsWith(u"- ");
            lines[*found] =
                dashLine ? QString(pad.chopped(2) + u"- " + keyText) : QString(pad + keyText);
        } else {
            lines.insert(end, pad + keyText);
            ++end;
        }
    }
    return lines.join(u'\n');
}

} // namespace ShowYaml
